#include "fake_device_tree.h"

#include <fstream>

namespace orvex::test {

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text << '\n';
}

bool IsAcm(const std::string& tty) {
  return tty.rfind("ttyACM", 0) == 0;
}

}  // namespace

FakeDeviceTree::FakeDeviceTree(fs::path root) : root_(std::move(root)) {
  fs::create_directories(root_ / "dev");
  fs::create_directories(root_ / "sys/class/tty");
  fs::create_directories(root_ / "sys/bus/platform/drivers/serial8250");
  fs::create_directories(root_ / "sys/bus/usb-serial/drivers");
  fs::create_directories(root_ / "sys/bus/usb/drivers");
}

// Relative, as the kernel and udev make their links, so that they resolve
// inside the tree.
void FakeDeviceTree::Link(const fs::path& link, const fs::path& target) {
  fs::create_directories(link.parent_path());
  fs::remove(link);
  fs::create_symlink(target.lexically_relative(link.parent_path()), link);
}

void FakeDeviceTree::MakeNode(const std::string& name, const std::string& node) {
  const fs::path path = root_ / "dev" / name;
  fs::create_directories(path.parent_path());
  fs::remove(path);
  if (node.empty()) {
    std::ofstream(path).flush();
  } else {
    fs::create_symlink(node, path);
  }
}

void FakeDeviceTree::AddUartWithoutType(int k, const std::string& node) {
  const std::string tty = "ttyS" + std::to_string(k);
  MakeNode(tty, node);
  const fs::path platform = root_ / "sys/devices/platform/serial8250";
  fs::create_directories(platform / "tty" / tty);
  Link(platform / "driver", root_ / "sys/bus/platform/drivers/serial8250");
  Link(platform / "tty" / tty / "device", platform);
  Link(root_ / "sys/class/tty" / tty, platform / "tty" / tty);
}

void FakeDeviceTree::AddUartBelowSerialCore(int k, int type) {
  const std::string tty = "ttyS" + std::to_string(k);
  MakeNode(tty);
  const std::string n = std::to_string(k);
  const fs::path hardware = root_ / "sys/devices/pnp0" / ("00:0" + n);
  const fs::path ctrl = hardware / ("00:0" + n + ":0");
  const fs::path port = ctrl / ("00:0" + n + ":0.0");
  const fs::path bus = root_ / "sys/bus";
  fs::create_directories(port / "tty" / tty);
  fs::create_directories(bus / "serial-base/drivers/port");
  fs::create_directories(bus / "serial-base/drivers/ctrl");
  fs::create_directories(bus / "pnp/drivers/serial");
  Link(port / "driver", bus / "serial-base/drivers/port");
  Link(port / "subsystem", bus / "serial-base");
  Link(ctrl / "driver", bus / "serial-base/drivers/ctrl");
  Link(ctrl / "subsystem", bus / "serial-base");
  Link(hardware / "driver", bus / "pnp/drivers/serial");
  Link(hardware / "subsystem", bus / "pnp");
  Link(port / "tty" / tty / "device", port);
  Write(port / "tty" / tty / "type", std::to_string(type));
  Link(root_ / "sys/class/tty" / tty, port / "tty" / tty);
}

void FakeDeviceTree::AddUart(int k, int type, const std::string& node) {
  AddUartWithoutType(k, node);
  Write(root_ / "sys/devices/platform/serial8250/tty" / ("ttyS" + std::to_string(k)) / "type",
        std::to_string(type));
}

void FakeDeviceTree::PlugAdapter(const std::string& tty, const UsbFacts& facts,
                                 const std::string& node) {
  MakeNode(tty, node);
  const std::string name = "1-" + std::to_string(facts.usbPort);
  const fs::path usb = root_ / "sys/devices/pci0000:00/0000:00:14.0/usb1" / name;
  Write(usb / "idVendor", "0403");
  if (!facts.product.empty()) Write(usb / "product", facts.product);
  if (!facts.manufacturer.empty()) Write(usb / "manufacturer", facts.manufacturer);
  if (!facts.serial.empty()) Write(usb / "serial", facts.serial);
  const fs::path interface = usb / (name + ":1.0");
  // ttyUSB: the usb-serial port is a device of its own under the interface;
  // ttyACM: the interface itself is the tty's device.
  const fs::path device = IsAcm(tty) ? interface : interface / tty;
  fs::create_directories(device / "tty" / tty);
  const fs::path drivers =
      root_ / (IsAcm(tty) ? "sys/bus/usb/drivers" : "sys/bus/usb-serial/drivers") / facts.driver;
  fs::create_directories(drivers);
  Link(device / "driver", drivers);
  Link(device / "tty" / tty / "device", device);
  Link(root_ / "sys/class/tty" / tty, device / "tty" / tty);
  if (!facts.byId.empty()) Link(root_ / "dev/serial/by-id" / facts.byId, root_ / "dev" / tty);
}

void FakeDeviceTree::UnplugAdapter(const std::string& tty) {
  const fs::path byId = root_ / "dev/serial/by-id";
  std::error_code ec;
  for (fs::directory_iterator it(byId, ec), end; !ec && it != end; it.increment(ec)) {
    if (fs::read_symlink(it->path(), ec).filename() == tty) fs::remove(it->path(), ec);
  }
  if (fs::is_empty(byId, ec) && !ec) fs::remove_all(root_ / "dev/serial", ec);
  const fs::path classLink = root_ / "sys/class/tty" / tty;
  // The whole USB device goes: the first folder up with an idVendor file.
  fs::path usb = fs::canonical(classLink, ec);
  while (!usb.empty() && usb != root_ && usb != usb.parent_path() &&
         !fs::exists(usb / "idVendor", ec))
    usb = usb.parent_path();
  fs::remove(classLink, ec);
  if (!usb.empty() && fs::exists(usb / "idVendor", ec)) fs::remove_all(usb, ec);
  fs::remove(root_ / "dev" / tty, ec);
}

}  // namespace orvex::test
