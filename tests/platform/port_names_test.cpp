// COMn names -> devices, through the ports folder of the user's configuration.

#include "platform/serial/port_names.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fake_device_tree.h"
#include "platform/serial/serial_port.h"

namespace orvex::platform {
namespace {

namespace fs = std::filesystem;
using test::FakeDeviceTree;
using test::UsbFacts;

// Restores an environment variable when the test ends.
class SavedVariable {
 public:
  explicit SavedVariable(const char* name) : name_(name) {
    if (const char* value = getenv(name)) saved_ = value;
  }
  ~SavedVariable() {
    if (saved_) {
      setenv(name_, saved_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

class PortNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/orvex-ports-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    config_ = folder;
    setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
    ports_ = config_ / "orvex-tool" / "ports";
    fs::create_directories(ports_);
    // An empty device tree unless a test puts ports into it.
    setenv("ORVEX_DEVICE_ROOT", (config_ / "empty-root").c_str(), 1);
  }
  void TearDown() override {
    fs::remove_all(config_);
    fs::remove_all(tree_.root());
  }

  SavedVariable xdg_{"XDG_CONFIG_HOME"};
  SavedVariable home_{"HOME"};
  SavedVariable root_{"ORVEX_DEVICE_ROOT"};
  fs::path config_;
  fs::path ports_;
  FakeDeviceTree tree_{TreeFolder()};

  static fs::path TreeFolder() {
    char folder[] = "/tmp/orvex-tree-XXXXXX";
    return mkdtemp(folder) != nullptr ? fs::path(folder) : fs::path("/nonexistent");
  }
};

TEST_F(PortNamesTest, FolderFollowsXdgConfigHomeElseHome) {
  EXPECT_EQ(PortsFolder(), ports_.string());

  setenv("HOME", "/home/tech", 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(PortsFolder(), "/home/tech/.config/orvex-tool/ports");
  setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(PortsFolder(), "/home/tech/.config/orvex-tool/ports");
  setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not absolute: ignored
  EXPECT_EQ(PortsFolder(), "/home/tech/.config/orvex-tool/ports");
}

TEST_F(PortNamesTest, WithoutLinkOnlyARealUartKeepsComKPlusOne) {
  // The kernel makes ttyS nodes for ports with nothing behind them (type 0):
  // those name nothing. A port without a type file counts when a driver has it.
  tree_.AddUart(0, 4);
  tree_.AddUart(1, 0);
  tree_.AddUartWithoutType(2);
  tree_.AddUart(8, 1);
  tree_.AddUart(9, 4);      // COM10 does not exist
  tree_.MakeNode("ttyS4");  // a node sysfs knows nothing of
  PortNames names(tree_.rootString(), ports_.string());
  const auto all = names.All();
  EXPECT_EQ(all[0].source, PortSource::Uart);
  EXPECT_EQ(all[0].device, "/dev/ttyS0");
  EXPECT_EQ(all[0].path, (tree_.root() / "dev/ttyS0").string());
  EXPECT_EQ(all[0].uartType, 4);
  EXPECT_EQ(all[0].driver, "serial8250");
  EXPECT_FALSE(all[1].present());
  EXPECT_EQ(all[2].device, "/dev/ttyS2");
  EXPECT_EQ(all[2].uartType, -1);
  EXPECT_FALSE(all[3].present());
  EXPECT_FALSE(all[4].present());
  EXPECT_EQ(all[8].device, "/dev/ttyS8");
  for (int i = 0; i < kPortCount; ++i) EXPECT_EQ(all[i].comName, "COM" + std::to_string(i + 1));

  // The same through the environment, as the tool sees it.
  setenv("ORVEX_DEVICE_ROOT", tree_.rootString().c_str(), 1);
  EXPECT_EQ(DevicePathFor("COM1"), (tree_.root() / "dev/ttyS0").string());
  EXPECT_EQ(DevicePathFor("COM2"), "");
  EXPECT_EQ(DevicePathFor("COM3"), (tree_.root() / "dev/ttyS2").string());
}

TEST_F(PortNamesTest, AUartBelowTheSerialCoreNamesTheHardwaresDriver) {
  tree_.AddUartBelowSerialCore(0, 4);
  tree_.AddUartBelowSerialCore(1, 0);
  const auto all = PortNames(tree_.rootString(), ports_.string()).All();
  EXPECT_EQ(all[0].source, PortSource::Uart);
  EXPECT_EQ(all[0].driver, "serial");  // not the serial core's "port"
  EXPECT_EQ(DescribePort(all[0]), "/dev/ttyS0\nbuilt-in UART 16550A\ndriver serial");
  EXPECT_FALSE(all[1].present());
}

TEST_F(PortNamesTest, DeviceRootComesFromTheEnvironment) {
  unsetenv("ORVEX_DEVICE_ROOT");
  EXPECT_EQ(DeviceRootFromEnvironment(), "/");
  setenv("ORVEX_DEVICE_ROOT", "relative/tree", 1);  // not absolute: ignored
  EXPECT_EQ(DeviceRootFromEnvironment(), "/");
  setenv("ORVEX_DEVICE_ROOT", "/srv/tree", 1);
  EXPECT_EQ(DeviceRootFromEnvironment(), "/srv/tree");
  EXPECT_EQ(PortNames("/srv/tree/", "/p").InTree("/dev/ttyUSB0"), "/srv/tree/dev/ttyUSB0");
  EXPECT_EQ(PortNames("/", "/p").InTree("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

TEST_F(PortNamesTest, AdaptersTakeTheLowestFreeNumbersInByIdOrder) {
  tree_.AddUart(1, 4);  // COM2 stays the UART's
  tree_.PlugAdapter("ttyUSB1", {"usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "FT232R USB UART",
                                "FTDI", "A50285BI", "ftdi_sio", 1});
  tree_.PlugAdapter("ttyUSB0",
                    {"usb-Prolific_Technology_Inc._USB-Serial_Controller_D-if00-port0",
                     "USB-Serial Controller D", "Prolific Technology Inc.", "", "pl2303", 2});
  tree_.PlugAdapter("ttyACM0", {"usb-Arduino__www.arduino.cc__0043_7563331-if00", "Arduino Uno",
                                "Arduino (www.arduino.cc)", "7563331", "cdc_acm", 3});
  // Without a stable name: after the others, by number (7 before 10).
  tree_.PlugAdapter("ttyUSB10", {"", "", "", "", "ch341", 4});
  tree_.PlugAdapter("ttyUSB7", {"", "", "", "", "ch341", 5});
  tree_.MakeNode("ttyUSBx");  // no number: not an adapter
  tree_.MakeNode("ttyAMA0");  // other kinds of tty are left alone

  const auto all = PortNames(tree_.rootString(), ports_.string()).All();
  std::vector<std::string> devices;
  for (const PortDevice& port : all) devices.push_back(port.device);
  EXPECT_EQ(devices,
            (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS1", "/dev/ttyUSB1", "/dev/ttyUSB0",
                                      "/dev/ttyUSB7", "/dev/ttyUSB10", "", "", ""}));
  EXPECT_EQ(all[0].source, PortSource::Adapter);
  EXPECT_EQ(all[0].byId, "usb-Arduino__www.arduino.cc__0043_7563331-if00");
  EXPECT_EQ(all[0].driver, "cdc_acm");
  EXPECT_EQ(all[0].product, "Arduino Uno");
  EXPECT_EQ(all[0].serial, "7563331");
  EXPECT_EQ(all[2].driver, "ftdi_sio");
  EXPECT_EQ(all[2].manufacturer, "FTDI");
  EXPECT_EQ(all[2].serial, "A50285BI");
  EXPECT_EQ(all[3].serial, "");
  EXPECT_EQ(all[4].byId, "");
  EXPECT_EQ(all[4].driver, "ch341");
}

TEST_F(PortNamesTest, TheSameAdapterKeepsItsNameAfterAReplug) {
  const UsbFacts& printer = test::kPrinterAdapter;
  const UsbFacts scanner{"usb-FTDI_FT232R_USB_UART_SCN002-if00-port0",
                         "FT232R USB UART",
                         "FTDI",
                         "SCN002",
                         "ftdi_sio",
                         2};
  tree_.PlugAdapter("ttyUSB0", printer);
  tree_.PlugAdapter("ttyUSB1", scanner);
  PortNames names(tree_.rootString(), ports_.string());
  EXPECT_EQ(names.Lookup("COM1").serial, "PRN001");
  EXPECT_EQ(names.Lookup("COM2").serial, "SCN002");

  // Both unplugged; plugged back the other way round, so the kernel numbers
  // them the other way too. The names stay with the adapters.
  tree_.UnplugAdapter("ttyUSB0");
  tree_.UnplugAdapter("ttyUSB1");
  EXPECT_FALSE(names.Lookup("COM1").present());
  EXPECT_FALSE(fs::exists(tree_.root() / "dev/serial"));
  tree_.PlugAdapter("ttyUSB0", scanner);
  EXPECT_EQ(names.Lookup("COM1").serial, "SCN002");  // alone, it takes COM1 meanwhile
  tree_.PlugAdapter("ttyUSB1", printer);
  EXPECT_EQ(names.Lookup("COM1").device, "/dev/ttyUSB1");
  EXPECT_EQ(names.Lookup("COM1").serial, "PRN001");
  EXPECT_EQ(names.Lookup("COM2").device, "/dev/ttyUSB0");
  EXPECT_EQ(names.Lookup("COM2").serial, "SCN002");
}

TEST_F(PortNamesTest, ALinkWinsAndItsDeviceGetsNoSecondName) {
  tree_.AddUart(0, 4);
  tree_.PlugAdapter("ttyUSB0", {"usb-A-if00-port0", "", "", "A", "ftdi_sio", 1});
  tree_.PlugAdapter("ttyUSB1", {"usb-B-if00-port0", "", "", "B", "ftdi_sio", 2});
  fs::create_symlink("/dev/orvex-missing", ports_ / "COM1");  // dangling: still wins
  fs::create_symlink(tree_.root() / "dev/ttyUSB0", ports_ / "COM4");
  PortNames names(tree_.rootString(), ports_.string());
  const auto all = names.All();
  EXPECT_EQ(all[0].source, PortSource::Link);
  EXPECT_EQ(all[0].device, "/dev/orvex-missing");
  EXPECT_EQ(all[0].link, (ports_ / "COM1").string());
  // ttyS0 lost COM1 to the link; ttyUSB0 is COM4 through its link only;
  // ttyUSB1 takes the lowest number left.
  EXPECT_EQ(all[1].device, "/dev/ttyUSB1");
  EXPECT_EQ(all[1].source, PortSource::Adapter);
  EXPECT_FALSE(all[2].present());
  EXPECT_EQ(all[3].source, PortSource::Link);
  EXPECT_EQ(all[3].path, (tree_.root() / "dev/ttyUSB0").string());
  setenv("ORVEX_DEVICE_ROOT", tree_.rootString().c_str(), 1);
  EXPECT_EQ(DevicePathFor("COM1"), "/dev/orvex-missing");
  EXPECT_EQ(DevicePathFor("COM2"), (tree_.root() / "dev/ttyUSB1").string());
}

TEST_F(PortNamesTest, ALinkToADeviceOrItsByIdNameTellsWhatSysfsKnows) {
  // Link targets are taken as written; a /dev or by-id name is looked up in
  // the tree's sysfs for the tooltip.
  tree_.PlugAdapter("ttyUSB3",
                    {"usb-FTDI_X-if00-port0", "FT232R USB UART", "FTDI", "X", "ftdi_sio", 1});
  fs::create_symlink("/dev/ttyUSB3", ports_ / "COM5");
  fs::create_symlink("/dev/serial/by-id/usb-FTDI_X-if00-port0", ports_ / "COM6");
  PortNames names(tree_.rootString(), ports_.string());
  const PortDevice com5 = names.Lookup("COM5");
  EXPECT_EQ(com5.path, "/dev/ttyUSB3");
  EXPECT_EQ(com5.byId, "usb-FTDI_X-if00-port0");
  EXPECT_EQ(com5.serial, "X");
  const PortDevice com6 = names.Lookup("COM6");
  EXPECT_EQ(com6.ttyName, "ttyUSB3");
  EXPECT_EQ(com6.product, "FT232R USB UART");
}

TEST_F(PortNamesTest, TenAdaptersLeaveTheTenthWithoutAName) {
  for (int i = 0; i < 10; ++i) {
    tree_.PlugAdapter("ttyUSB" + std::to_string(i),
                      {"usb-N" + std::to_string(i), "", "", "", "ftdi_sio", i + 1});
  }
  const auto all = PortNames(tree_.rootString(), ports_.string()).All();
  EXPECT_EQ(all[0].device, "/dev/ttyUSB0");
  EXPECT_EQ(all[8].device, "/dev/ttyUSB8");
  for (const PortDevice& port : all) EXPECT_NE(port.device, "/dev/ttyUSB9");
}

TEST_F(PortNamesTest, TooltipTextSaysWhatTheSystemKnows) {
  tree_.AddUart(0, 4);
  tree_.PlugAdapter("ttyUSB0", {"usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "FT232R USB UART",
                                "FTDI", "A50285BI", "ftdi_sio", 1});
  fs::create_symlink("/dev/pts/7", ports_ / "COM3");
  const auto all = PortNames(tree_.rootString(), ports_.string()).All();
  EXPECT_EQ(DescribePort(all[0]), "/dev/ttyS0\nbuilt-in UART 16550A\ndriver serial8250");
  EXPECT_EQ(DescribePort(all[1]),
            "/dev/ttyUSB0\nby-id: usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\n"
            "FT232R USB UART, serial A50285BI (FTDI)\ndriver ftdi_sio");
  EXPECT_EQ(DescribePort(all[2]), "/dev/pts/7\nlinked by " + (ports_ / "COM3").string());
  EXPECT_EQ(DescribePort(all[3]), "no device");
}

TEST_F(PortNamesTest, FindAgainFollowsTheAdapterNotTheNumber) {
  const UsbFacts printer{"usb-FTDI_PRN-if00-port0", "", "", "PRN", "ftdi_sio", 1};
  tree_.AddUart(0, 4);
  tree_.PlugAdapter("ttyUSB0", printer);
  fs::create_symlink("/dev/pts/7", ports_ / "COM5");
  PortNames names(tree_.rootString(), ports_.string());
  const PortDevice lost = names.Lookup("COM2");
  ASSERT_EQ(lost.device, "/dev/ttyUSB0");

  tree_.UnplugAdapter("ttyUSB0");
  EXPECT_FALSE(names.FindAgain(lost));
  // Another adapter comes first and takes COM2; the printer's comes back as
  // ttyUSB1 and is still the one looked for.
  tree_.PlugAdapter("ttyUSB0", {"usb-AAA-if00-port0", "", "", "AAA", "ftdi_sio", 2});
  EXPECT_FALSE(names.FindAgain(lost));
  tree_.PlugAdapter("ttyUSB1", printer);
  const auto again = names.FindAgain(lost);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->comName, "COM2");
  EXPECT_EQ(again->device, "/dev/ttyUSB1");
  EXPECT_EQ(again->path, (tree_.root() / "dev/ttyUSB1").string());

  // A UART at its node; a link read again (its target must exist).
  EXPECT_EQ(names.FindAgain(names.Lookup("COM1"))->device, "/dev/ttyS0");
  const PortDevice linked = names.Lookup("COM5");
  EXPECT_FALSE(names.FindAgain(linked));
  fs::remove(ports_ / "COM5");
  fs::create_symlink(tree_.root() / "dev/ttyS0", ports_ / "COM5");
  EXPECT_EQ(names.FindAgain(linked)->path, (tree_.root() / "dev/ttyS0").string());
  EXPECT_FALSE(names.FindAgain(names.Lookup("COM9")));
}

TEST_F(PortNamesTest, RelativeSymlinkIsResolvedAgainstThePortsFolder) {
  fs::create_symlink("../printer-tty", ports_ / "COM2");
  EXPECT_EQ(DevicePathFor("COM2"), (ports_ / "../printer-tty").string());
}

TEST_F(PortNamesTest, OtherNamesHaveNoDevice) {
  for (const char* name : {"", "COM", "COM0", "COM10", "com3", "COM 3", "LPT1", "COMX"}) {
    EXPECT_EQ(DevicePathFor(name), "") << name;
    EXPECT_FALSE(PortNames().Lookup(name).present()) << name;
    EXPECT_EQ(PortNames().Lookup(name).comName, name);
  }
}

}  // namespace
}  // namespace orvex::platform
