#include "sim/tool/port_link.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace orvex::sim {

namespace fs = std::filesystem;

std::optional<std::string> PortLinkFolder(std::string* error) {
  fs::path base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
      const passwd* entry = getpwuid(getuid());
      home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] == '\0') {
      *error = "neither XDG_CONFIG_HOME nor HOME is set";
      return std::nullopt;
    }
    base = fs::path(home) / ".config";
  }
  return (base / "orvex-tool" / "ports").string();
}

std::optional<PortLink> PortLink::Create(const std::string& portName, const std::string& target,
                                         std::string* error, std::string* warning) {
  const std::optional<std::string> folder = PortLinkFolder(error);
  if (!folder) return std::nullopt;
  std::error_code ec;
  fs::create_directories(*folder, ec);
  if (ec) {
    *error = "cannot create " + *folder + ": " + ec.message();
    return std::nullopt;
  }
  const fs::path path = fs::path(*folder) / portName;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (fs::exists(status)) {
    if (!fs::is_symlink(status)) {
      *error = path.string() + " exists and is not a link; not touching it";
      return std::nullopt;
    }
    const fs::path old = fs::read_symlink(path, ec);
    fs::remove(path, ec);
    if (ec) {
      *error = "cannot replace " + path.string() + ": " + ec.message();
      return std::nullopt;
    }
    *warning = "replaced the link " + path.string() + " -> " + old.string();
  }
  fs::create_symlink(target, path, ec);
  if (ec) {
    *error = "cannot create " + path.string() + ": " + ec.message();
    return std::nullopt;
  }
  return PortLink(path.string(), target);
}

PortLink::PortLink(PortLink&& other) noexcept
    : path_(std::move(other.path_)), target_(std::move(other.target_)) {
  other.path_.clear();
}

PortLink::~PortLink() {
  Remove();
}

void PortLink::Remove() {
  if (path_.empty()) return;
  std::error_code ec;
  // Another simulator may have taken the name over meanwhile; leave its link.
  if (fs::read_symlink(path_, ec) == fs::path(target_) && !ec) fs::remove(path_, ec);
  path_.clear();
}

}  // namespace orvex::sim
