#include "port_list.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <map>

#include "serial/serial_port.h"

namespace orvex::provision {

namespace {

// The device itself, links followed, so that two names of one device meet.
std::string CanonicalDevice(const std::string& device) {
  char resolved[PATH_MAX];
  if (realpath(device.c_str(), resolved) != nullptr) return resolved;
  return device;
}

}  // namespace

PortList ResolvePorts(const std::vector<std::string>& names) {
  PortList list;
  std::map<std::string, std::string> seen;  // canonical device -> first name
  for (const std::string& name : names) {
    std::string device = platform::DevicePathFor(name);
    if (device.empty() && !name.empty() && name[0] == '/') device = name;
    if (device.empty()) {
      list.problems.push_back("unknown port name '" + name +
                              "': COM1 to COM9 or a device path such as /dev/ttyUSB0");
      continue;
    }
    struct stat info {};
    if (stat(device.c_str(), &info) != 0) {
      list.problems.push_back(name + ": no such device " + device);
      continue;
    }
    const std::string canonical = CanonicalDevice(device);
    const auto [at, added] = seen.emplace(canonical, name);
    if (!added) {
      list.problems.push_back(at->second == name ? "port " + name + " named twice"
                                                 : "port named twice: " + at->second + " and " +
                                                       name + " are both " + canonical);
      continue;
    }
    list.ports.push_back({name, device});
  }
  return list;
}

}  // namespace orvex::provision
