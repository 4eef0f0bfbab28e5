// COMn names of the port list mapped to Linux devices.

#include "platform/serial/port_names.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/xdg/xdg_folders.h"

namespace orvex::platform {
namespace {

namespace fs = std::filesystem;

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

LinkIdentity LinkIdentityOf(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return {};
  return {static_cast<unsigned long long>(info.st_dev),
          static_cast<unsigned long long>(info.st_ino), static_cast<long long>(info.st_ctim.tv_sec),
          static_cast<long long>(info.st_ctim.tv_nsec)};
}

// The first line of a small sysfs file, without its line end; "" when unreadable.
std::string ReadLine(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
    line.pop_back();
  return line;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// "ttyUSB12" -> ("ttyUSB", 12) for ordering adapters without a by-id name.
std::pair<std::string, long> SplitNumber(const std::string& name) {
  std::size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
  const std::string number = name.substr(digits);
  return {name.substr(0, digits), number.empty() ? -1 : std::strtol(number.c_str(), nullptr, 10)};
}

bool IsAdapterName(const std::string& tty) {
  for (const char* prefix : {"ttyUSB", "ttyACM"}) {
    if (StartsWith(tty, prefix) && tty.size() > std::string(prefix).size()) {
      return std::all_of(tty.begin() + static_cast<long>(std::string(prefix).size()), tty.end(),
                         [](char c) { return c >= '0' && c <= '9'; });
    }
  }
  return false;
}

std::string UartTypeName(int type) {
  // The kernel's PORT_* numbers of the common UARTs.
  switch (type) {
    case 1:
      return "8250";
    case 2:
      return "16450";
    case 3:
      return "16550";
    case 4:
      return "16550A";
    case 6:
      return "16650";
    case 7:
      return "16650V2";
    case 8:
      return "16750";
    case 10:
      return "16C950";
    default:
      return "type " + std::to_string(type);
  }
}

}  // namespace

std::string PortsFolder() {
  return ConfigHome() + "/orvex-tool/ports";
}

std::string DeviceRootFromEnvironment() {
  const char* root = std::getenv("ORVEX_DEVICE_ROOT");
  if (root != nullptr && root[0] == '/') return root;
  return "/";
}

int ComNumber(const std::string& comName) {
  if (comName.size() != 4 || comName.compare(0, 3, "COM") != 0) return 0;
  const char digit = comName[3];
  if (digit < '1' || digit > '9') return 0;
  return digit - '0';
}

PortDevice AddressPort(const std::string& name, const std::string& address) {
  PortDevice port;
  port.comName = name;
  port.source = PortSource::Address;
  port.address = ParseNetAddress(address);
  port.device = port.address.named() ? port.address.text : address;
  port.path = port.device;
  return port;
}

std::string DescribePort(const PortDevice& port) {
  if (!port.present()) return "no device";
  std::string text = port.device;
  const auto line = [&text](const std::string& more) {
    if (!more.empty()) text += "\n" + more;
  };
  if (port.source == PortSource::Link) line("linked by " + port.link);
  if (port.isAddress()) {
    if (!port.address.ok()) {
      line("not a usable address: " + port.address.problem);
    } else if (port.address.mode == NetMode::Rfc2217) {
      line("device server, RFC 2217: the tool sets 38400 8N1, no flow control");
    } else {
      line("device server, raw TCP: the server's own line settings apply");
      line("(set its port to 38400 8N1, no flow control)");
    }
    line("no authentication or encryption: for a closed network only");
    return text;
  }
  if (!port.byId.empty()) line("by-id: " + port.byId);
  std::string usb = port.product;
  if (!port.serial.empty()) usb += (usb.empty() ? "" : ", ") + std::string("serial ") + port.serial;
  if (!port.manufacturer.empty()) {
    usb += (usb.empty() ? "" : " ") + std::string("(") + port.manufacturer + ")";
  }
  line(usb);
  if (port.uartType > 0) line("built-in UART " + UartTypeName(port.uartType));
  if (port.uartMissing()) line("no UART behind it (the kernel reports none)");
  if (!port.driver.empty()) line("driver " + port.driver);
  return text;
}

PortNames::PortNames(std::string deviceRoot, std::string portsFolder)
    : root_(std::move(deviceRoot)), ports_(std::move(portsFolder)) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
  if (root_.empty()) root_ = "/";
}

std::string PortNames::InTree(const std::string& systemPath) const {
  return root_ == "/" ? systemPath : root_ + systemPath;
}

namespace {

struct ByIdEntry {
  std::string name;  // under /dev/serial/by-id
  std::string tty;   // the /dev entry it points at
};

// by-id links that point at a /dev entry, sorted by name.
std::vector<ByIdEntry> ByIdEntries(const PortNames& names) {
  std::vector<ByIdEntry> entries;
  const fs::path folder = names.InTree("/dev/serial/by-id");
  const fs::path dev = fs::path(names.InTree("/dev")).lexically_normal();
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string target = LinkTarget(it->path().string());
    if (target.empty()) continue;
    const fs::path resolved =
        target[0] == '/' ? fs::path(names.InTree(target)) : (folder / target).lexically_normal();
    if (resolved.parent_path() != dev) continue;
    entries.push_back({it->path().filename().string(), resolved.filename().string()});
  }
  std::sort(entries.begin(), entries.end(),
            [](const ByIdEntry& a, const ByIdEntry& b) { return a.name < b.name; });
  return entries;
}

}  // namespace

void PortNames::AddSysfsFacts(PortDevice& port, const std::string& tty) const {
  port.ttyName = tty;
  const fs::path classDir = fs::path(InTree("/sys/class/tty")) / tty;
  const std::string type = ReadLine(classDir / "type");
  if (!type.empty()) port.uartType = std::atoi(type.c_str());

  std::error_code ec;
  const fs::path device = fs::canonical(classDir / "device", ec);
  if (!ec) {
    // Since Linux 6.5 a UART's tty hangs below the serial core's own "port"
    // and "ctrl" devices; the driver worth naming is the hardware's, above.
    fs::path hardware = device;
    for (int up = 0; up < 3; ++up) {
      if (fs::path(LinkTarget((hardware / "subsystem").string())).filename() != "serial-base")
        break;
      hardware = hardware.parent_path();
    }
    const std::string driver = LinkTarget((hardware / "driver").string());
    if (!driver.empty()) port.driver = fs::path(driver).filename().string();
    // The USB device is an ancestor of the port (ttyUSB) or of its
    // interface (ttyACM): the first folder with an idVendor file.
    const fs::path sys = fs::path(InTree("/sys")).lexically_normal();
    fs::path dir = device;
    for (int depth = 0; depth < 12 && StartsWith(dir.string(), sys.string()) && dir != sys;
         ++depth, dir = dir.parent_path()) {
      if (!fs::exists(dir / "idVendor", ec)) continue;
      port.product = ReadLine(dir / "product");
      port.manufacturer = ReadLine(dir / "manufacturer");
      port.serial = ReadLine(dir / "serial");
      break;
    }
  }
  if (port.byId.empty()) {
    for (const ByIdEntry& entry : ByIdEntries(*this)) {
      if (entry.tty == tty) {
        port.byId = entry.name;
        break;
      }
    }
  }
}

std::optional<PortDevice> PortNames::LinkedPort(const std::string& comName) const {
  const std::string link = ports_ + "/" + comName;
  const std::string target = LinkTarget(link);
  if (target.empty()) return std::nullopt;
  PortDevice port;
  port.comName = comName;
  port.source = PortSource::Link;
  port.link = link;
  port.linkIdentity = LinkIdentityOf(link);
  if (LooksLikeNetAddress(target)) {
    port.address = ParseNetAddress(target);
    port.device = port.address.text;
    port.path = port.device;
    return port;
  }
  port.device = target[0] == '/' ? target : ports_ + "/" + target;
  port.path = port.device;
  // A link to /dev/<tty> or to a by-id name (also inside the device tree)
  // gets what sysfs knows of it.
  std::string inSystem = port.device;
  if (root_ != "/" && StartsWith(inSystem, root_ + "/")) inSystem.erase(0, root_.size());
  const fs::path system = fs::path(inSystem).lexically_normal();
  if (system.parent_path() == "/dev") {
    AddSysfsFacts(port, system.filename().string());
  } else if (system.parent_path() == "/dev/serial/by-id") {
    port.byId = system.filename().string();
    for (const ByIdEntry& entry : ByIdEntries(*this)) {
      if (entry.name == port.byId) AddSysfsFacts(port, entry.tty);
    }
  }
  return port;
}

std::array<PortDevice, kPortCount> PortNames::All() const {
  std::array<PortDevice, kPortCount> ports;
  std::vector<std::string> linkedPaths;
  for (int i = 0; i < kPortCount; ++i) {
    ports[i].comName = "COM" + std::to_string(i + 1);
    ports[i].link = ports_ + "/" + ports[i].comName;
    if (auto linked = LinkedPort(ports[i].comName)) {
      linkedPaths.push_back(linked->path);
      ports[i] = std::move(*linked);
    }
  }
  const auto namedByLink = [&](const std::string& tty) {
    const std::string system = "/dev/" + tty;
    const std::string inTree = InTree(system);
    for (const std::string& linked : linkedPaths) {
      std::error_code ec;
      if (linked == system || fs::equivalent(linked, inTree, ec)) return true;
    }
    return false;
  };
  const auto exists = [this](const std::string& tty) {
    std::error_code ec;
    return fs::exists(InTree("/dev/" + tty), ec);
  };
  const auto fill = [this](PortDevice& port, PortSource source, const std::string& tty) {
    port.source = source;
    port.device = "/dev/" + tty;
    port.path = InTree(port.device);
    AddSysfsFacts(port, tty);
  };

  // Built-in UARTs keep their number.
  for (int k = 0; k < kPortCount; ++k) {
    const std::string tty = "ttyS" + std::to_string(k);
    if (ports[k].present() || !exists(tty) || namedByLink(tty)) continue;
    PortDevice probe;
    AddSysfsFacts(probe, tty);
    const bool uart = probe.uartType >= 0 ? probe.uartType != 0 : !probe.driver.empty();
    if (uart) fill(ports[k], PortSource::Uart, tty);
  }

  // Adapters: by-id order first, then the rest by device number.
  std::vector<std::string> adapters;
  for (const ByIdEntry& entry : ByIdEntries(*this)) {
    if (IsAdapterName(entry.tty) && exists(entry.tty) &&
        std::find(adapters.begin(), adapters.end(), entry.tty) == adapters.end()) {
      adapters.push_back(entry.tty);
    }
  }
  std::vector<std::string> unnamed;
  std::error_code ec;
  for (fs::directory_iterator it(InTree("/dev"), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string tty = it->path().filename().string();
    if (IsAdapterName(tty) && exists(tty) &&
        std::find(adapters.begin(), adapters.end(), tty) == adapters.end()) {
      unnamed.push_back(tty);
    }
  }
  std::sort(unnamed.begin(), unnamed.end(), [](const std::string& a, const std::string& b) {
    return SplitNumber(a) < SplitNumber(b);
  });
  adapters.insert(adapters.end(), unnamed.begin(), unnamed.end());

  int next = 0;
  for (const std::string& tty : adapters) {
    if (namedByLink(tty)) continue;
    while (next < kPortCount && ports[next].present()) ++next;
    if (next == kPortCount) break;
    fill(ports[next], PortSource::Adapter, tty);
  }
  return ports;
}

PortDevice PortNames::Lookup(const std::string& comName) const {
  const int number = ComNumber(comName);
  if (number == 0) {
    PortDevice none;
    none.comName = comName;
    none.link = ports_ + "/" + comName;
    return none;
  }
  // A link alone needs no look at the device tree.
  if (auto linked = LinkedPort(comName)) return *linked;
  return All()[static_cast<std::size_t>(number - 1)];
}

namespace {

// Whether `now` is the adapter that `lost` was, as far as the system tells
// adapters apart: by-id name, else USB serial number; without either, any
// device at the place counts.
bool SameAdapter(const PortDevice& lost, const PortDevice& now) {
  if (!lost.byId.empty()) return now.byId == lost.byId;
  if (!lost.serial.empty()) return now.serial == lost.serial;
  return true;
}

}  // namespace

bool PortNames::IsPseudoTerminal(const PortDevice& port) const {
  std::string inSystem = port.device;
  if (root_ != "/" && StartsWith(inSystem, root_ + "/")) inSystem.erase(0, root_.size());
  return fs::path(inSystem).lexically_normal().parent_path() == "/dev/pts";
}

std::optional<PortDevice> PortNames::FindAgain(const PortDevice& lost) const {
  std::error_code ec;
  switch (lost.source) {
    case PortSource::None:
    case PortSource::Address:
      return std::nullopt;
    case PortSource::Link: {
      auto linked = LinkedPort(lost.comName);
      if (!linked || !fs::exists(linked->path, ec)) return std::nullopt;
      // Made anew or pointed elsewhere: whoever did it names the device.
      if (linked->linkIdentity != lost.linkIdentity || linked->device != lost.device) return linked;
      if (IsPseudoTerminal(lost) || !SameAdapter(lost, *linked)) return std::nullopt;
      return linked;
    }
    case PortSource::Uart:
    case PortSource::Adapter:
      break;
  }
  const auto at = [&](const std::string& tty) {
    PortDevice port;
    port.comName = lost.comName;
    port.link = lost.link;
    port.source = lost.source;
    port.device = "/dev/" + tty;
    port.path = InTree(port.device);
    AddSysfsFacts(port, tty);
    return port;
  };
  if (!lost.byId.empty()) {
    for (const ByIdEntry& entry : ByIdEntries(*this)) {
      if (entry.name == lost.byId && fs::exists(InTree("/dev/" + entry.tty), ec)) {
        return at(entry.tty);
      }
    }
    return std::nullopt;
  }
  if (lost.source == PortSource::Adapter && !lost.serial.empty()) {
    // No by-id name, but a serial number: the adapter under any number,
    // its old one first.
    std::vector<std::string> ttys = {lost.ttyName};
    for (fs::directory_iterator it(InTree("/dev"), ec), end; !ec && it != end; it.increment(ec)) {
      const std::string tty = it->path().filename().string();
      if (IsAdapterName(tty) && tty != lost.ttyName) ttys.push_back(tty);
    }
    std::sort(ttys.begin() + 1, ttys.end(), [](const std::string& a, const std::string& b) {
      return SplitNumber(a) < SplitNumber(b);
    });
    for (const std::string& tty : ttys) {
      if (tty.empty() || !fs::exists(InTree("/dev/" + tty), ec)) continue;
      PortDevice port = at(tty);
      if (SameAdapter(lost, port)) return port;
    }
    return std::nullopt;
  }
  if (lost.ttyName.empty() || !fs::exists(InTree("/dev/" + lost.ttyName), ec)) return std::nullopt;
  return at(lost.ttyName);
}

std::string DevicePathFor(const std::string& comName) {
  return PortNames().Lookup(comName).path;
}

}  // namespace orvex::platform
