// COMn names -> devices, through the ports folder of the user's configuration.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "serial/serial_port.h"

namespace orvex::platform {
namespace {

namespace fs = std::filesystem;

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
  }
  void TearDown() override { fs::remove_all(config_); }

  SavedVariable xdg_{"XDG_CONFIG_HOME"};
  SavedVariable home_{"HOME"};
  fs::path config_;
  fs::path ports_;
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

TEST_F(PortNamesTest, WithoutSymlinkComNIsTtySNMinusOne) {
  EXPECT_EQ(DevicePathFor("COM1"), "/dev/ttyS0");
  EXPECT_EQ(DevicePathFor("COM3"), "/dev/ttyS2");
  EXPECT_EQ(DevicePathFor("COM9"), "/dev/ttyS8");
}

TEST_F(PortNamesTest, SymlinkNamesTheDevice) {
  fs::create_symlink("/dev/ttyUSB0", ports_ / "COM3");
  EXPECT_EQ(DevicePathFor("COM3"), "/dev/ttyUSB0");
  EXPECT_EQ(DevicePathFor("COM4"), "/dev/ttyS3");  // only COM3 is redirected

  // A dangling link still wins: opening it then says the device is missing.
  fs::create_symlink("/dev/orvex-missing", ports_ / "COM5");
  EXPECT_EQ(DevicePathFor("COM5"), "/dev/orvex-missing");
}

TEST_F(PortNamesTest, RelativeSymlinkIsResolvedAgainstThePortsFolder) {
  fs::create_symlink("../printer-tty", ports_ / "COM2");
  EXPECT_EQ(DevicePathFor("COM2"), (ports_ / "../printer-tty").string());
}

TEST_F(PortNamesTest, OtherNamesHaveNoDevice) {
  for (const char* name : {"", "COM", "COM0", "COM10", "com3", "COM 3", "LPT1", "COMX"}) {
    EXPECT_EQ(DevicePathFor(name), "") << name;
  }
}

}  // namespace
}  // namespace orvex::platform
