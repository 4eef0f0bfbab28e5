// Port names resolved before anything is sent.
#include "cli/port_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "bitmaps.h"

namespace orvex::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A config folder whose ports/ links COMn to plain files standing in for devices.
class PortListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::TempFolder("provision-ports");
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old != nullptr) old_ = old;
    setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
    // A device tree without serial ports: only the links name devices.
    fs::create_directories(folder_ / "tree/dev");
    fs::create_directories(folder_ / "tree/sys/class/tty");
    setenv("ORVEX_DEVICE_ROOT", (folder_ / "tree").c_str(), 1);
    fs::create_directories(folder_ / "config/orvex-tool/ports");
    for (const char* device : {"ttyA", "ttyB"}) test::WriteFile(folder_ / device, "");
    Link("COM3", "ttyA");
    Link("COM4", "ttyB");
  }
  void TearDown() override {
    unsetenv("ORVEX_DEVICE_ROOT");
    if (old_) {
      setenv("XDG_CONFIG_HOME", old_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
    fs::remove_all(folder_);
  }
  void Link(const std::string& com, const std::string& device) {
    fs::create_symlink(folder_ / device, folder_ / "config/orvex-tool/ports" / com);
  }
  std::string Device(const std::string& name) const { return (folder_ / name).string(); }

  fs::path folder_;
  std::optional<std::string> old_;
};

TEST_F(PortListTest, ComNamesAndDevicePaths) {
  const PortList list = ResolvePorts({"COM3", "COM4"});
  EXPECT_TRUE(list.problems.empty());
  ASSERT_EQ(list.ports.size(), 2u);
  EXPECT_EQ(list.ports[0].name, "COM3");
  EXPECT_EQ(list.ports[0].port.path, Device("ttyA"));
  EXPECT_EQ(list.ports[1].port.path, Device("ttyB"));

  const PortList path = ResolvePorts({Device("ttyB")});
  ASSERT_EQ(path.ports.size(), 1u);
  EXPECT_EQ(path.ports[0].port.path, Device("ttyB"));
}

TEST_F(PortListTest, ComNamesAsTheWindowListsThemAndInSmallLetters) {
  const PortList list = ResolvePorts({"com3", "COM 4"});
  EXPECT_TRUE(list.problems.empty());
  ASSERT_EQ(list.ports.size(), 2u);
  EXPECT_EQ(list.ports[0].name, "COM3");
  EXPECT_EQ(list.ports[1].name, "COM4");
  EXPECT_EQ(list.ports[1].port.path, Device("ttyB"));
  EXPECT_THAT(ResolvePorts({"COM3", "com 3"}).problems, ElementsAre("port COM3 named twice"));
  EXPECT_THAT(ResolvePorts({"COM 10", "COMX", "com"}).problems,
              ElementsAre(HasSubstr("'COM 10'"), HasSubstr("'COMX'"), HasSubstr("'com'")));
}

TEST_F(PortListTest, UnknownNamesAndMissingDevices) {
  const PortList list = ResolvePorts({"COM3", "LPT1", "COM0", "ttyUSB0", Device("ttyZ")});
  EXPECT_EQ(list.ports.size(), 1u);
  EXPECT_THAT(list.problems, ElementsAre(HasSubstr("unknown port name 'LPT1'"),
                                         HasSubstr("unknown port name 'COM0'"),
                                         HasSubstr("unknown port name 'ttyUSB0'"),
                                         Device("ttyZ") + ": no such device " + Device("ttyZ")));
}

TEST_F(PortListTest, APortNamedTwiceUnderAnyName) {
  EXPECT_THAT(ResolvePorts({"COM3", "COM3"}).problems, ElementsAre("port COM3 named twice"));
  EXPECT_THAT(ResolvePorts({"COM3", Device("ttyA")}).problems,
              ElementsAre("port named twice: COM3 and " + Device("ttyA") + " are both " +
                          fs::canonical(Device("ttyA")).string()));
  Link("COM5", "ttyB");
  EXPECT_THAT(ResolvePorts({"COM4", "COM5"}).problems,
              ElementsAre(HasSubstr("port named twice: COM4 and COM5")));
}

TEST_F(PortListTest, DeviceServerAddressesGivenOrLinkedAndOneServerPortTwice) {
  // Nothing is connected to here: a server that does not answer fails its
  // printer alone.
  fs::create_symlink("rfc2217://127.0.0.1:4001", folder_ / "config/orvex-tool/ports/COM6");
  const PortList list = ResolvePorts({"COM6", "tcp://127.0.0.1:4002"});
  EXPECT_TRUE(list.problems.empty());
  ASSERT_EQ(list.ports.size(), 2u);
  EXPECT_EQ(list.ports[0].port.path, "rfc2217://127.0.0.1:4001");
  EXPECT_EQ(list.ports[0].port.address.mode, platform::NetMode::Rfc2217);
  EXPECT_EQ(list.ports[1].name, "tcp://127.0.0.1:4002");
  EXPECT_EQ(list.ports[1].port.address.mode, platform::NetMode::RawTcp);

  EXPECT_THAT(ResolvePorts({"COM6", "TCP://127.0.0.1:4001"}).problems,
              ElementsAre("port named twice: COM6 and TCP://127.0.0.1:4001 are both "
                          "127.0.0.1:4001"));
  fs::create_symlink("tcp://127.0.0.1", folder_ / "config/orvex-tool/ports/COM7");
  EXPECT_THAT(ResolvePorts({"rfc2217://127.0.0.1:70000", "COM7"}).problems,
              ElementsAre("rfc2217://127.0.0.1:70000 is not a usable address: port 70000 is not "
                          "between 1 and 65535",
                          "COM7: tcp://127.0.0.1 is not a usable address: no port number "
                          "(HOST:PORT)"));
}

}  // namespace
}  // namespace orvex::cli
