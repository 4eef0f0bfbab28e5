#include "platform/xdg/xdg_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace orvex::platform {

namespace {

std::string FromEnvironment(const char* name, const char* fallbackUnderHome) {
  const char* value = std::getenv(name);
  if (value != nullptr && value[0] == '/') return value;
  return HomeFolder() + fallbackUnderHome;
}

}  // namespace

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  const passwd* entry = getpwuid(getuid());
  if (entry != nullptr && entry->pw_dir != nullptr) return entry->pw_dir;
  return "/";
}

std::string ConfigHome() {
  return FromEnvironment("XDG_CONFIG_HOME", "/.config");
}

std::string StateHome() {
  return FromEnvironment("XDG_STATE_HOME", "/.local/state");
}

}  // namespace orvex::platform
