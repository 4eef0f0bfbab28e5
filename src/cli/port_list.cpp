#include "cli/port_list.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <map>

#include "platform/serial/port_problem.h"

namespace orvex::cli {

namespace {

// The device itself, links followed, so that two names of one device meet.
std::string CanonicalDevice(const std::string& device) {
  char resolved[PATH_MAX];
  if (realpath(device.c_str(), resolved) != nullptr) return resolved;
  return device;
}

// A device given by its path: one of the port list's names when one stands
// for it (with what the system knows of it), else the path alone.
platform::PortDevice DeviceAt(const platform::PortNames& names, const std::string& path) {
  const std::string canonical = CanonicalDevice(path);
  for (const platform::PortDevice& port : names.All()) {
    if (port.present() && CanonicalDevice(port.path) == canonical) {
      platform::PortDevice named = port;
      named.path = path;
      return named;
    }
  }
  platform::PortDevice port;
  port.comName = path;
  port.source = platform::PortSource::Adapter;
  port.device = path;
  port.path = path;
  return port;
}

// "com1", and "COM 1" as the window's port list shows it, are COM1 too.
std::string ComSpelling(const std::string& name) {
  if (name.size() < 4 || (name[0] | 0x20) != 'c' || (name[1] | 0x20) != 'o' ||
      (name[2] | 0x20) != 'm') {
    return name;
  }
  const std::size_t digit = name.find_first_not_of(' ', 3);
  if (digit + 1 != name.size() || name[digit] < '1' || name[digit] > '9') return name;
  return std::string("COM") + name[digit];
}

}  // namespace

PortList ResolvePorts(const std::vector<std::string>& names) {
  PortList list;
  const platform::PortNames portNames;
  std::map<std::string, std::string> seen;  // canonical device -> first name
  for (const std::string& given : names) {
    const std::string name = ComSpelling(given);
    platform::PortDevice port;
    if (platform::LooksLikeNetAddress(name)) {
      port = platform::AddressPort(name, name);
    } else if (!name.empty() && name[0] == '/') {
      port = DeviceAt(portNames, name);
    } else if (platform::ComNumber(name) != 0) {
      port = portNames.Lookup(name);
      if (!port.present()) {
        list.problems.push_back(name + ": " + platform::NoDeviceProblem(port).cause);
        continue;
      }
    } else {
      list.problems.push_back("unknown port name '" + name +
                              "': COM1 to COM9, a device path such as /dev/ttyUSB0 or a device "
                              "server's address such as rfc2217://192.0.2.21:4001");
      continue;
    }
    // A device server's port is one whatever the scheme it is named with.
    std::string canonical;
    if (port.isAddress()) {
      if (!port.address.ok()) {
        const std::string named = name == port.device ? name : name + ": " + port.device;
        list.problems.push_back(named + " is not a usable address: " + port.address.problem);
        continue;
      }
      canonical = port.address.Key();
    } else {
      struct stat info {};
      if (stat(port.path.c_str(), &info) != 0) {
        list.problems.push_back(name + ": no such device " + port.path);
        continue;
      }
      canonical = CanonicalDevice(port.path);
    }
    const auto [at, added] = seen.emplace(canonical, name);
    if (!added) {
      list.problems.push_back(at->second == name ? "port " + name + " named twice"
                                                 : "port named twice: " + at->second + " and " +
                                                       name + " are both " + canonical);
      continue;
    }
    list.ports.push_back({name, port});
  }
  return list;
}

}  // namespace orvex::cli
