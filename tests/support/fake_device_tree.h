#pragma once
// A folder standing for /, with the dev/ and sys/ entries of serial ports as
// the kernel and udev make them, for the port naming and the unplug watch.
// Nothing outside the folder is touched.

#include <filesystem>
#include <string>

namespace orvex::test {

struct UsbFacts {
  std::string byId;  // name under dev/serial/by-id; empty: none
  std::string product;
  std::string manufacturer;
  std::string serial;
  std::string driver = "ftdi_sio";  // ttyACM ports: cdc_acm
  int usbPort = 1;                  // the hub port: 1-<usbPort>
};

// The FTDI adapter a printer hangs on, on hub port 1.
inline const UsbFacts kPrinterAdapter{"usb-FTDI_FT232R_USB_UART_PRN001-if00-port0",
                                      "FT232R USB UART",
                                      "FTDI",
                                      "PRN001",
                                      "ftdi_sio",
                                      1};

class FakeDeviceTree {
 public:
  // Makes root/dev and root/sys/class/tty.
  explicit FakeDeviceTree(std::filesystem::path root);

  const std::filesystem::path& root() const { return root_; }
  std::string rootString() const { return root_.string(); }

  // dev/ttyS<k> with sysfs type `type` (0: a node with no UART behind it,
  // as the kernel makes them), bound to serial8250. `node`: what the device
  // node is, a link to that path (a pseudo-terminal) or, when empty, a plain
  // file.
  void AddUart(int k, int type, const std::string& node = {});
  // dev/ttyS<k> as kernels since 6.5 show it: the tty below the serial
  // core's "port" and "ctrl" devices, below the hardware's (driver "serial",
  // a PNP port).
  void AddUartBelowSerialCore(int k, int type);
  // dev/ttyS<k> with a bound driver and no type file.
  void AddUartWithoutType(int k, const std::string& node = {});
  // A USB adapter: its node, its sysfs device with product, manufacturer and
  // serial, and its by-id link.
  void PlugAdapter(const std::string& tty, const UsbFacts& facts, const std::string& node = {});
  // Removes what PlugAdapter made, as the kernel and udev do on an unplug
  // (the by-id folder too once it is empty).
  void UnplugAdapter(const std::string& tty);
  // Only the device node (dev/<name>), as a link to `node` or a plain file.
  void MakeNode(const std::string& name, const std::string& node = {});

 private:
  void Link(const std::filesystem::path& link, const std::filesystem::path& target);
  std::filesystem::path root_;
};

}  // namespace orvex::test
