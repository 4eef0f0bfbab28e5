#pragma once
// Which device each name of the port list ("COM1".."COM9") stands for.
//
// 1. A symbolic link $XDG_CONFIG_HOME/orvex-tool/ports/COMn (default
//    ~/.config/orvex-tool/ports/) names the device of COMn, whatever else
//    exists; a dangling link still wins (opening it says the device is
//    missing).
// 2. A built-in UART /dev/ttyS<k> that really exists keeps COM<k+1>: the
//    kernel reports a UART type for it (/sys/class/tty/ttyS<k>/type not 0;
//    where there is no type file, a bound driver). The kernel makes ttyS
//    nodes for ports that have nothing behind them; those name nothing.
// 3. USB and ACM adapters (ttyUSB*, ttyACM*) take the lowest COM numbers left
//    free, in the order of their stable names under /dev/serial/by-id/, so
//    the same adapter keeps its name after a replug or a reboot; adapters
//    without such a name follow, by device number.
// A device named by a link is not given a second name by rules 2 and 3.
//
// A link may also name a serial device server's address instead of a device:
// its target is the address itself, rfc2217://HOST:PORT or tcp://HOST:PORT
// (ln -s rfc2217://192.0.2.21:4001 COM5). Nothing on this PC is looked at for it.
//
// The device tree (the folder standing for /, with dev/ and sys/ inside) is
// "/" unless ORVEX_DEVICE_ROOT names another one, so tests run on a fake
// tree. Link targets are taken as they are, never under that root.

#include <array>
#include <optional>
#include <string>

#include "platform/net/net_address.h"

namespace orvex::platform {

// $XDG_CONFIG_HOME/orvex-tool/ports (default ~/.config/orvex-tool/ports).
std::string PortsFolder();
// ORVEX_DEVICE_ROOT when it is an absolute path, else "/".
std::string DeviceRootFromEnvironment();

constexpr int kPortCount = 9;

enum class PortSource {
  None,     // nothing stands for this name
  Link,     // a link in the ports folder
  Uart,     // a built-in UART, /dev/ttyS<n-1>
  Adapter,  // a USB or ACM adapter given a free number
  Address,  // a device server's address given as such (orvex-provision --port)
};

// A link as it was read: made anew it differs, even when it names the same
// path again (a simulator serving anew on the old pseudo-terminal number).
struct LinkIdentity {
  unsigned long long device = 0;
  unsigned long long inode = 0;
  long long changedSeconds = 0;
  long long changedNanoseconds = 0;
  bool operator==(const LinkIdentity&) const = default;
};

struct PortDevice {
  std::string comName;  // "COM3"
  PortSource source = PortSource::None;
  // The device as the system names it ("/dev/ttyUSB0"), or the link's
  // target (a device server's address too); empty for None.
  std::string device;
  // What to open: `device` inside the device tree, or the link's target.
  std::string path;
  // Set when `device` is a device server's address rather than a device.
  NetAddress address;
  // The link that names this port, or where one would ($ports/COMn).
  std::string link;
  // For a Link: the link itself when it was read.
  LinkIdentity linkIdentity;
  // What sysfs tells of the device, where it has it.
  std::string ttyName;       // "ttyUSB0"
  std::string byId;          // name under /dev/serial/by-id
  std::string driver;        // "ftdi_sio", "cdc_acm", "serial8250"
  std::string product;       // USB product string
  std::string manufacturer;  // USB manufacturer string
  std::string serial;        // USB serial number
  int uartType = -1;         // /sys/class/tty/<tty>/type; -1 when there is none

  bool present() const { return source != PortSource::None; }
  bool isAddress() const { return address.named(); }
  // A ttyS node that the kernel reports as having no UART behind it.
  bool uartMissing() const { return uartType == 0; }
};

// The port list's tooltip of one name: the device and what the system knows
// of it, on several lines, or "no device". For an address, how the line is
// set and that nothing on the way is protected.
std::string DescribePort(const PortDevice& port);

class PortNames {
 public:
  explicit PortNames(std::string deviceRoot = DeviceRootFromEnvironment(),
                     std::string portsFolder = PortsFolder());

  const std::string& deviceRoot() const { return root_; }
  const std::string& portsFolder() const { return ports_; }

  // Every name, COM1 first, from one look at the tree.
  std::array<PortDevice, kPortCount> All() const;
  // One name; source None for a name outside COM1..COM9 too.
  PortDevice Lookup(const std::string& comName) const;

  // The device that went away, if it is there again, and only that device:
  // - an adapter by its by-id name, whatever COM number the rules would give
  //   it now; without one, by its USB serial number; without that, at its
  //   node;
  // - a UART at its node;
  // - for a link: whatever it names once it is made anew or points somewhere
  //   else. While it stays as it was, the device it names counts only when
  //   it is the lost one by by-id name or serial number where those were
  //   known, and never when it is a pseudo-terminal: the kernel gives the
  //   lost one's number to the next terminal any program opens.
  // Says nothing about whether it opens.
  std::optional<PortDevice> FindAgain(const PortDevice& lost) const;

  // A path the system names ("/dev/ttyUSB0") inside the device tree.
  std::string InTree(const std::string& systemPath) const;

 private:
  std::optional<PortDevice> LinkedPort(const std::string& comName) const;
  // The device's path (a link's target) is under /dev/pts.
  bool IsPseudoTerminal(const PortDevice& port) const;
  // Fills in what sysfs knows of the tty `name` (and its by-id name).
  void AddSysfsFacts(PortDevice& port, const std::string& name) const;

  std::string root_;
  std::string ports_;
};

// A device server's address named as such; `name` is how it was given.
PortDevice AddressPort(const std::string& name, const std::string& address);

// 1..9 for "COM1".."COM9", else 0.
int ComNumber(const std::string& comName);

// Kept for callers that need only the path to open: Lookup(comName).path.
std::string DevicePathFor(const std::string& comName);

}  // namespace orvex::platform
