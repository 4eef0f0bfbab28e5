// Why a port does not open, told in plain words with the fix: no device,
// not a serial port, in use (by whom), permission denied (as a user who
// really lacks the right, not as root).

#include "platform/serial/port_problem.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "fake_device_tree.h"
#include "platform/serial/port_names.h"
#include "platform/serial/serial_port.h"
#include "pseudo_terminal.h"

namespace orvex::platform {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

using Pty = test::PseudoTerminal;

// A process that holds the device open and locked, under the given name (as
// ModemManager or a terminal program would).
class HoldingProcess {
 public:
  HoldingProcess(const std::string& device, const char* name, bool exclusive = false) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_NAME, name);
      const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      if (fd >= 0) flock(fd, LOCK_EX | LOCK_NB);  // a second holder shares the open
      if (fd >= 0 && exclusive) ioctl(fd, TIOCEXCL);
      (void)!write(ready[1], "r", 1);
      for (;;) pause();
    }
    close(ready[1]);
    char byte = 0;
    (void)!read(ready[0], &byte, 1);
    close(ready[0]);
  }
  ~HoldingProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

// Runs `body` in a child process that first becomes nobody:nogroup with no
// other groups, and returns what the body returned.
std::optional<std::string> AsNobody(const std::function<std::string()>& body) {
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  const pid_t pid = fork();
  if (pid == 0) {
    close(out[0]);
    std::string text = "could not become nobody";
    if (setgroups(0, nullptr) == 0 && setgid(kNoGroup) == 0 && setuid(kNobody) == 0) text = body();
    (void)!write(out[1], text.data(), text.size());
    _exit(0);
  }
  close(out[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(out[0]);
  waitpid(pid, nullptr, 0);
  return text;
}

class PortProblemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/orvex-problem-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    base_ = folder;
    ports_ = base_ / "config/orvex-tool/ports";
    fs::create_directories(ports_);
    tree_.emplace(base_ / "root");
  }
  void TearDown() override { fs::remove_all(base_); }

  PortNames Names() const { return PortNames(tree_->rootString(), ports_.string()); }
  PortProblem OpenProblem(const std::string& comName) {
    SerialPort port;
    const auto result = port.Open(Names().Lookup(comName));
    EXPECT_FALSE(result.ok) << comName;
    EXPECT_FALSE(port.IsOpen());
    return result.problem;
  }
  // A device with nothing behind the name: only the path to open.
  static PortDevice DeviceAt(const std::string& path) {
    PortDevice port;
    port.comName = "COM3";
    port.source = PortSource::Adapter;
    port.device = path;
    port.path = path;
    return port;
  }

  fs::path base_;
  fs::path ports_;
  std::optional<test::FakeDeviceTree> tree_;
};

TEST_F(PortProblemTest, ANameWithNothingBehindItSaysHowToGetADevice) {
  tree_->AddUart(1, 0);  // a ttyS node without a UART names nothing
  const PortProblem problem = OpenProblem("COM2");
  EXPECT_EQ(problem.kind, PortProblemKind::NoDevice);
  EXPECT_EQ(problem.reason, "no such device");
  EXPECT_EQ(problem.cause, "no device has this name");
  EXPECT_EQ(problem.fix,
            "Plug the adapter in and restart the tool; the port list shows each name's device.");
  EXPECT_EQ(problem.more,
            "Or name a device yourself: ln -s /dev/ttyUSB0 " + (ports_ / "COM2").string());
}

TEST_F(PortProblemTest, AVanishedNodeOrADanglingLinkIsNoSuchDevice) {
  tree_->PlugAdapter("ttyUSB0", {"usb-FTDI_A-if00-port0", "", "", "A", "ftdi_sio", 1});
  const PortDevice adapter = Names().Lookup("COM1");
  tree_->UnplugAdapter("ttyUSB0");  // gone between the look and the open
  SerialPort port;
  auto result = port.Open(adapter);
  EXPECT_EQ(result.problem.kind, PortProblemKind::NoDevice);
  EXPECT_EQ(result.problem.cause, "/dev/ttyUSB0 is not there");
  EXPECT_EQ(result.problem.fix, "Plug the adapter in, then restart the tool.");

  fs::create_symlink("/dev/orvex-no-such-tty", ports_ / "COM4");
  const PortProblem linked = OpenProblem("COM4");
  EXPECT_EQ(linked.kind, PortProblemKind::NoDevice);
  EXPECT_EQ(linked.cause, "/dev/orvex-no-such-tty (linked as COM4) is not there");
  EXPECT_EQ(linked.fix, "Plug it in or point the link COM4 at it, then restart the tool.");
  EXPECT_EQ(linked.more, "ln -sf /dev/ttyUSB0 " + (ports_ / "COM4").string());
}

TEST_F(PortProblemTest, SomethingThatIsNoTerminalOrAUartlessTtySIsNotASerialPort) {
  fs::create_symlink("/dev/null", ports_ / "COM5");
  const PortProblem null = OpenProblem("COM5");
  EXPECT_EQ(null.kind, PortProblemKind::NotSerial);
  EXPECT_EQ(null.reason, "not a serial port");
  EXPECT_EQ(null.cause, "/dev/null (linked as COM5) is not a serial port");
  EXPECT_EQ(null.fix, "Point the link COM5 at the printer's port, then restart the tool.");
  EXPECT_EQ(null.more, "ln -sf /dev/ttyUSB0 " + (ports_ / "COM5").string());

  // The kernel's own word, before anything is opened: a ttyS with no UART.
  tree_->AddUart(3, 0);
  fs::create_symlink("/dev/ttyS3", ports_ / "COM4");
  const PortProblem uartless = OpenProblem("COM4");
  EXPECT_EQ(uartless.kind, PortProblemKind::NotSerial);
  EXPECT_EQ(uartless.cause, "/dev/ttyS3 (linked as COM4) has no UART behind it");

  // A plain file where an adapter's node should be.
  tree_->PlugAdapter("ttyUSB0", {"usb-X", "", "", "", "ftdi_sio", 1});
  const PortProblem file = OpenProblem("COM1");
  EXPECT_EQ(file.kind, PortProblemKind::NotSerial);
  EXPECT_EQ(file.cause, "/dev/ttyUSB0 is not a serial port");
  EXPECT_EQ(file.fix, "Choose the name that stands for the printer's port, then restart the tool.");
  EXPECT_EQ(file.more, "The window's port list shows each name's device.");
}

TEST_F(PortProblemTest, InUseNamesTheProgramAndItsProcessId) {
  Pty pty;
  ASSERT_FALSE(pty.path.empty());
  tree_->PlugAdapter("ttyUSB0", {"usb-X", "", "", "", "ftdi_sio", 1}, pty.path);
  {
    HoldingProcess minicom(pty.path, "minicom");
    ASSERT_GT(minicom.pid(), 0);
    // Found by device number, whatever name the holder opened it by.
    const auto holders = ProcessesHolding((tree_->root() / "dev/ttyUSB0").string());
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, minicom.pid());
    EXPECT_EQ(holders[0].name, "minicom");

    const PortProblem problem = OpenProblem("COM1");
    const std::string pid = std::to_string(minicom.pid());
    EXPECT_EQ(problem.kind, PortProblemKind::InUse);
    EXPECT_EQ(problem.reason, "in use by another program");
    EXPECT_EQ(problem.cause, "/dev/ttyUSB0 is in use by minicom (pid " + pid + ")");
    EXPECT_EQ(problem.fix, "Close that program (kill " + pid + "), then restart the tool.");
  }
  // Let go: it opens.
  SerialPort port;
  EXPECT_TRUE(port.Open(Names().Lookup("COM1")).ok);
  EXPECT_TRUE(ProcessesHolding("/nonexistent/tty").empty());
}

TEST_F(PortProblemTest, PermissionDeniedNamesTheGroupAndTheCommandToJoinIt) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make a device the test user may not open";
  Pty pty;
  ASSERT_FALSE(pty.path.empty());
  const gid_t dialout = 20;
  ASSERT_EQ(chown(pty.path.c_str(), 0, dialout), 0);
  ASSERT_EQ(chmod(pty.path.c_str(), 0660), 0);

  const auto text = AsNobody([&pty] {
    SerialPort port;
    const auto result = port.Open(DeviceAt(pty.path));
    return std::to_string(static_cast<int>(result.problem.kind)) + "|" + result.reason + "|" +
           result.problem.cause + "|" + result.problem.fix + "|" + result.problem.more;
  });
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, std::to_string(static_cast<int>(PortProblemKind::PermissionDenied)) +
                       "|permission denied|permission denied on " + pty.path +
                       " (group dialout)|Join the group: sudo usermod -aG dialout nobody, then log "
                       "in again and restart the tool.|" +
                       pty.path + ": owner root, group dialout, mode 0660; you are nobody.");

  // A device of another group: the whole text, as the window's status bar,
  // its standard error and orvex-provision give it, names that group alone.
  const gid_t uucp = 10;
  ASSERT_EQ(chown(pty.path.c_str(), 0, uucp), 0);
  const auto otherGroup = AsNobody([&pty] {
    SerialPort port;
    const auto result = port.Open(DeviceAt(pty.path));
    return result.reason + "|" + PortProblemText(result.problem);
  });
  ASSERT_TRUE(otherGroup);
  const std::string uucpName = getgrgid(uucp) != nullptr ? getgrgid(uucp)->gr_name : "10";
  EXPECT_EQ(*otherGroup, "permission denied|permission denied on " + pty.path + " (group " +
                             uucpName + "). Join the group: sudo usermod -aG " + uucpName +
                             " nobody, then log in again and restart the tool.");
  ASSERT_EQ(chown(pty.path.c_str(), 0, dialout), 0);

  // Only the owner may open it: a group would not help.
  ASSERT_EQ(chmod(pty.path.c_str(), 0600), 0);
  const auto ownerOnly = AsNobody([&pty] {
    SerialPort port;
    const auto result = port.Open(DeviceAt(pty.path));
    return result.problem.cause + "|" + result.problem.fix;
  });
  EXPECT_EQ(ownerOnly, "permission denied on " + pty.path +
                           " (only its owner root may open it)|Have a udev rule give it to the "
                           "group dialout (GROUP=\"dialout\", MODE=\"0660\") and join that "
                           "group.");
}

TEST_F(PortProblemTest, TheNameLookupsLeaveAnotherCallersEntryAlone) {
  // getpwuid and getgrgid hand every caller one shared entry: a printer's
  // thread diagnosing its port would overwrite what another thread has just
  // looked up (and read it while that one overwrites it).
  Pty pty;
  struct stat device {};
  ASSERT_EQ(stat(pty.path.c_str(), &device), 0);
  // Entries that the diagnosis has no reason to look up.
  const passwd* user = nullptr;
  const group* other = nullptr;
  for (const unsigned id : {1u, 2u, 3u, 65534u}) {
    if (user == nullptr && id != geteuid() && id != device.st_uid) user = getpwuid(id);
    if (other == nullptr && id != device.st_gid) other = getgrgid(id);
  }
  if (user == nullptr || other == nullptr) GTEST_SKIP() << "no other user or group to look up";
  const std::string userName = user->pw_name;
  const std::string groupName = other->gr_name;

  const PortProblem problem = DiagnoseOpenFailure(EACCES, DeviceAt(pty.path));
  EXPECT_EQ(problem.kind, PortProblemKind::PermissionDenied);
  EXPECT_EQ(user->pw_name, userName);
  EXPECT_EQ(other->gr_name, groupName);
}

// The only test with a process named ModemManager, which the hidden-holder
// case looks for: the tests of this binary may run at the same time.
TEST_F(PortProblemTest, AHiddenHolderAndModemManager) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hold the port as another user";
  Pty pty;
  ASSERT_EQ(chmod(pty.path.c_str(), 0666), 0);
  // Held by a process of root's: TIOCEXCL keeps everyone else out, and
  // another user may not look at its descriptors.
  HoldingProcess held(pty.path, "minicom", true);
  const auto text = AsNobody([&pty] {
    SerialPort port;
    const auto result = port.Open(DeviceAt(pty.path));
    return result.problem.cause + "|" + result.problem.fix;
  });
  EXPECT_EQ(text, pty.path + " is in use by another program|Find it with sudo fuser -v " +
                      pty.path + ", close it, then restart the tool.");

  // With ModemManager running, the likely holder is named, though its
  // descriptors are hidden too.
  HoldingProcess modemManager("", "ModemManager");
  const auto guessed = AsNobody([&pty] {
    SerialPort port;
    const auto result = port.Open(DeviceAt(pty.path));
    return result.problem.cause + "|" + result.problem.fix;
  });
  EXPECT_EQ(guessed, pty.path + " is in use by another program, likely ModemManager (pid " +
                         std::to_string(modemManager.pid()) +
                         ")|Stop it (sudo systemctl stop ModemManager), then restart the tool; "
                         "or find the holder with sudo fuser -v " +
                         pty.path + ".");

  // ModemManager itself holds it, visibly to root: named, with its fix.
  tree_->PlugAdapter("ttyUSB0", {"usb-X", "", "", "", "ftdi_sio", 1}, pty.path);
  HoldingProcess probing(pty.path, "ModemManager");
  const PortProblem problem = OpenProblem("COM1");
  EXPECT_EQ(problem.cause, "/dev/ttyUSB0 is in use by minicom (pid " + std::to_string(held.pid()) +
                               "), ModemManager (pid " + std::to_string(probing.pid()) + ")");
  EXPECT_EQ(problem.fix, "Stop it (sudo systemctl stop ModemManager), then restart the tool.");
  EXPECT_EQ(problem.more,
            "ModemManager tries every new serial port as a modem. To keep it away from the "
            "adapter for good, a udev rule can set ENV{ID_MM_DEVICE_IGNORE}=\"1\" for it.");
}

}  // namespace
}  // namespace orvex::platform
