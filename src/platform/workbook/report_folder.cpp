#include "platform/workbook/report_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace orvex::platform::workbook {

namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string HomeFolder(const EnvironmentLookup& environment) {
  if (const auto home = environment("HOME"); home && !home->empty()) return *home;
  if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
    return user->pw_dir;
  }
  return "/";
}

// The value of XDG_DOCUMENTS_DIR in a user-dirs.dirs file: a quoted path that
// is absolute or starts with $HOME. nullopt when absent or malformed.
std::optional<std::string> UserDirsEntry(const std::string& file, const std::string& home) {
  std::ifstream in(file);
  std::string line;
  std::optional<std::string> found;
  while (std::getline(in, line)) {
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    static const std::string kKey = "XDG_DOCUMENTS_DIR=";
    if (line.compare(start, kKey.size(), kKey) != 0) continue;
    std::string rest = line.substr(start + kKey.size());
    if (rest.size() < 2 || rest.front() != '"') continue;
    const auto close = rest.find('"', 1);
    if (close == std::string::npos) continue;
    std::string raw = rest.substr(1, close - 1);
    std::string value;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\\' && i + 1 < raw.size()) ++i;
      value += raw[i];
    }
    if (value == "$HOME" || value.rfind("$HOME/", 0) == 0) {
      found = home + value.substr(5);
    } else if (!value.empty() && value.front() == '/') {
      found = value;
    }
    // The last valid line wins, as when the file is sourced by a shell.
  }
  return found;
}

void MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    mkdir(folder.substr(0, slash).c_str(), 0777);
  }
  mkdir(folder.c_str(), 0777);
}

}  // namespace

std::string DocumentsFolder(const EnvironmentLookup& environment) {
  const std::string home = HomeFolder(environment);
  std::string config;
  if (const auto xdg = environment("XDG_CONFIG_HOME");
      xdg && !xdg->empty() && xdg->front() == '/') {
    config = *xdg;
  } else {
    config = WithSlash(home) + ".config";
  }
  std::string folder = UserDirsEntry(WithSlash(config) + "user-dirs.dirs", home)
                           .value_or(WithSlash(home) + "Documents");
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  MakeFolders(folder);
  return WithSlash(folder);
}

EnvironmentLookup ProcessEnvironment() {
  return [](const std::string& name) -> std::optional<std::string> {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
}

}  // namespace orvex::platform::workbook
