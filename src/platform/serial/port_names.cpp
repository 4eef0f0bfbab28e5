// COMn names of the port list mapped to Linux devices.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "serial/serial_port.h"
#include "xdg/xdg_folders.h"

namespace orvex::platform {
namespace {

// 1..9 for "COM1".."COM9", else 0.
int ComNumber(const std::string& comName) {
  if (comName.size() != 4 || comName.compare(0, 3, "COM") != 0) return 0;
  const char digit = comName[3];
  if (digit < '1' || digit > '9') return 0;
  return digit - '0';
}

// The link's target, or "" when `path` is no symlink.
std::string LinkTarget(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return {};
  std::vector<char> buffer(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
  for (;;) {
    const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);  // the link changed since lstat
  }
}

}  // namespace

std::string PortsFolder() {
  return ConfigHome() + "/orvex-tool/ports";
}

std::string DevicePathFor(const std::string& comName) {
  const int number = ComNumber(comName);
  if (number == 0) return {};
  const std::string folder = PortsFolder();
  const std::string target = LinkTarget(folder + "/" + comName);
  if (!target.empty()) return target[0] == '/' ? target : folder + "/" + target;
  return "/dev/ttyS" + std::to_string(number - 1);
}

}  // namespace orvex::platform
