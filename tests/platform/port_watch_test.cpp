// Waiting for a device that went away: an adapter unplugged and plugged back
// (on a fake device tree), a link removed and made again to a new
// pseudo-terminal, and a stale node that must not be taken for the device.

#include "platform/serial/port_watch.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fake_device_tree.h"
#include "platform/serial/serial_port.h"
#include "pseudo_terminal.h"

namespace orvex::platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Status = SerialPort::ReadStatus;

// The printer's end of a pseudo-terminal.
using Printer = test::PseudoTerminal;

bool Readable(int fd, int ms) {
  pollfd in{fd, POLLIN, 0};
  return poll(&in, 1, ms) == 1;
}

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

using test::kPrinterAdapter;

class PortWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/orvex-watch-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    base_ = folder;
    ports_ = base_ / "config/orvex-tool/ports";
    fs::create_directories(ports_);
    tree_.emplace(base_ / "root");
  }
  void TearDown() override { fs::remove_all(base_); }

  PortNames Names() const { return PortNames(tree_->rootString(), ports_.string()); }

  // The port is open on `printer`, which then hangs up; the watch is made
  // before the port is closed, as the tool does it.
  std::unique_ptr<PortWatch> HangUp(const std::string& comName, Printer& printer) {
    const auto opened = port_.Open(Names().Lookup(comName));
    EXPECT_TRUE(opened.ok) << opened.problem.cause;
    printer.Close();
    Bytes out;
    EXPECT_EQ(port_.ReadBurst(out), Status::HungUp);
    auto watch = std::make_unique<PortWatch>(Names(), opened.port);
    port_.Close();
    return watch;
  }

  // The device found again opens and the printer's byte comes through.
  void ExpectItWorks(const PortDevice& device, const Printer& printer) {
    const auto opened = port_.Open(device);
    ASSERT_TRUE(opened.ok) << opened.problem.cause;
    ASSERT_TRUE(printer.Send(0x26));
    Bytes out;
    ASSERT_EQ(port_.ReadBurst(out), Status::Data);
    EXPECT_EQ(out, Bytes{0x26});
  }

  fs::path base_;
  fs::path ports_;
  std::optional<test::FakeDeviceTree> tree_;
  SerialPort port_;
};

TEST_F(PortWatchTest, AnAdapterPluggedBackIsFoundWithoutAnyPolling) {
  tree_->AddUart(0, 4);
  Printer first;
  tree_->PlugAdapter("ttyUSB0", kPrinterAdapter, first.path);
  auto watch = HangUp("COM2", first);
  ASSERT_TRUE(watch && watch->ok());
  EXPECT_FALSE(watch->Check());  // the node is left, but nothing answers behind it

  tree_->UnplugAdapter("ttyUSB0");
  ASSERT_TRUE(Readable(watch->fd(), 1000));
  EXPECT_FALSE(watch->Check());
  // Nothing changes: nothing wakes the waiter, and the wait costs nothing.
  const double cpu = ProcessCpuSeconds();
  EXPECT_FALSE(Readable(watch->fd(), 300));
  EXPECT_FALSE(watch->WaitForReturn(300));
  EXPECT_LT(ProcessCpuSeconds() - cpu, 0.01);

  Printer second;
  tree_->PlugAdapter("ttyUSB0", kPrinterAdapter, second.path);
  ASSERT_TRUE(Readable(watch->fd(), 1000));
  const auto back = watch->Check();
  ASSERT_TRUE(back);
  EXPECT_EQ(back->comName, "COM2");
  EXPECT_EQ(back->device, "/dev/ttyUSB0");
  EXPECT_EQ(back->serial, "PRN001");
  ExpectItWorks(*back, second);
}

TEST_F(PortWatchTest, ANameThatStoodForNothingIsFoundOnceAnAdapterOrALinkComes) {
  // COM1 chosen before anything was plugged in: the first adapter takes it.
  const PortDevice nothing = Names().Lookup("COM1");
  ASSERT_FALSE(nothing.present());
  PortWatch watch(Names(), nothing);
  ASSERT_TRUE(watch.ok());
  EXPECT_FALSE(watch.Check());
  EXPECT_FALSE(Readable(watch.fd(), 200));

  Printer printer;
  tree_->PlugAdapter("ttyUSB0", kPrinterAdapter, printer.path);
  ASSERT_TRUE(Readable(watch.fd(), 1000));
  const auto found = watch.Check();
  ASSERT_TRUE(found);
  EXPECT_EQ(found->comName, "COM1");
  EXPECT_EQ(found->device, "/dev/ttyUSB0");
  ExpectItWorks(*found, printer);
  port_.Close();

  // COM4 stands for nothing, and its link is made where no ports folder was.
  fs::remove_all(base_ / "config/orvex-tool");
  PortWatch linkWatch(Names(), Names().Lookup("COM4"));
  EXPECT_FALSE(linkWatch.Check());
  Printer linked;
  fs::create_directories(ports_);
  ASSERT_TRUE(Readable(linkWatch.fd(), 1000));
  EXPECT_FALSE(linkWatch.Check());  // the folder alone is no device
  fs::create_symlink(linked.path, ports_ / "COM4");
  ASSERT_TRUE(Readable(linkWatch.fd(), 1000));
  const auto viaLink = linkWatch.Check();
  ASSERT_TRUE(viaLink);
  EXPECT_EQ(viaLink->path, linked.path);
  ExpectItWorks(*viaLink, linked);
}

TEST_F(PortWatchTest, TheSameAdapterUnderANewNumberIsStillTheOneWaitedFor) {
  Printer first;
  tree_->PlugAdapter("ttyUSB0", kPrinterAdapter, first.path);
  auto watch = HangUp("COM1", first);
  tree_->UnplugAdapter("ttyUSB0");

  // Another adapter comes first; the printer's comes back as ttyUSB1.
  tree_->PlugAdapter("ttyUSB0", {"usb-Other_X-if00-port0", "", "", "X", "pl2303", 2});
  EXPECT_FALSE(watch->WaitForReturn(200));
  Printer second;
  tree_->PlugAdapter("ttyUSB1", kPrinterAdapter, second.path);
  const auto back = watch->WaitForReturn(2000);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->device, "/dev/ttyUSB1");
  EXPECT_EQ(back->comName, "COM1");
  ExpectItWorks(*back, second);
}

TEST_F(PortWatchTest, ALinkRemovedAndMadeAgainToANewPseudoTerminal) {
  Printer first;
  const std::string firstPath = first.path;
  fs::create_symlink(first.path, ports_ / "COM3");
  auto watch = HangUp("COM3", first);
  fs::remove(ports_ / "COM3");
  EXPECT_FALSE(watch->WaitForReturn(200));

  // The new pseudo-terminal may well get the old one's number.
  Printer second;
  fs::create_symlink(second.path, ports_ / "COM3");
  const auto back = watch->WaitForReturn(2000);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->source, PortSource::Link);
  EXPECT_EQ(back->path, second.path);
  ExpectItWorks(*back, second);
}

TEST_F(PortWatchTest, AnotherProgramsTerminalUnderTheLostNumberIsNeverThePrinter) {
  // The simulator is killed, its link dangles, and the next pseudo-terminal
  // any program opens gets the lost one's /dev/pts number: the link still
  // names it, but only a link made anew (the simulator serving again) may.
  struct Case {
    const char* name;
    // Leaves COM3 linked to a pseudo-terminal that is gone, and the watch.
    std::function<std::unique_ptr<PortWatch>(std::string& lostPath)> lose;
  };
  const Case cases[] = {
      {"after a hang-up",
       [this](std::string& lostPath) {
         Printer first;
         lostPath = first.path;
         fs::create_symlink(first.path, ports_ / "COM3");
         return HangUp("COM3", first);
       }},
      {"chosen while its link dangles",
       [this](std::string& lostPath) {
         {
           Printer gone;
           lostPath = gone.path;
           fs::create_symlink(gone.path, ports_ / "COM3");
         }
         const PortDevice chosen = Names().Lookup("COM3");
         EXPECT_FALSE(port_.Open(chosen).ok);
         return std::make_unique<PortWatch>(Names(), chosen);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string lostPath;
    auto watch = c.lose(lostPath);
    ASSERT_TRUE(watch && watch->ok());
    EXPECT_FALSE(watch->Check());

    Printer other;  // the kernel hands out the lowest free number
    if (other.path != lostPath) GTEST_SKIP() << "another program took " << lostPath;
    EXPECT_FALSE(watch->WaitForReturn(300));

    // The simulator serves anew and gets that same number: its link is new.
    fs::remove(ports_ / "COM3");
    fs::create_symlink(other.path, ports_ / "COM3");
    const auto back = watch->WaitForReturn(2000);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->path, other.path);
    ExpectItWorks(*back, other);
    port_.Close();
    fs::remove(ports_ / "COM3");
  }
}

TEST_F(PortWatchTest, AnotherAdapterAtTheLostNodeIsNeverThePrinter) {
  // What tells the printer's adapter from another one: its by-id name, or
  // its USB serial number where it has no by-id name.
  const test::UsbFacts noById{"", "FT232R USB UART", "FTDI", "PRN001", "ftdi_sio", 1};
  const test::UsbFacts otherNoById{"", "USB-Serial", "Prolific", "X", "pl2303", 2};
  const test::UsbFacts otherById{"usb-Other_X-if00-port0", "", "", "X", "pl2303", 2};
  struct Case {
    const char* name;
    test::UsbFacts printer;
    test::UsbFacts other;
    bool pinnedByLink;  // COM3 -> /dev/ttyUSB0 rather than the first free name
  };
  const Case cases[] = {
      {"a link to the node", kPrinterAdapter, otherById, true},
      {"an adapter without a by-id name", noById, otherNoById, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string comName = c.pinnedByLink ? "COM3" : "COM1";
    if (c.pinnedByLink) fs::create_symlink(tree_->root() / "dev/ttyUSB0", ports_ / "COM3");
    Printer first;
    tree_->PlugAdapter("ttyUSB0", c.printer, first.path);
    auto watch = HangUp(comName, first);
    ASSERT_TRUE(watch && watch->ok());
    tree_->UnplugAdapter("ttyUSB0");

    Printer stranger;
    tree_->PlugAdapter("ttyUSB0", c.other, stranger.path);
    EXPECT_FALSE(watch->WaitForReturn(300));
    tree_->UnplugAdapter("ttyUSB0");

    Printer second;
    tree_->PlugAdapter("ttyUSB0", c.printer, second.path);
    const auto back = watch->WaitForReturn(2000);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->device, c.pinnedByLink ? (tree_->root() / "dev/ttyUSB0").string()
                                           : std::string("/dev/ttyUSB0"));
    EXPECT_EQ(back->serial, "PRN001");
    ExpectItWorks(*back, second);
    port_.Close();
    tree_->UnplugAdapter("ttyUSB0");
    fs::remove(ports_ / "COM3");
  }
}

TEST_F(PortWatchTest, ALinkMovedBeforeTheWatchBeganIsTakenAtOnce) {
  Printer first;
  fs::create_symlink(first.path, ports_ / "COM3");
  const auto opened = port_.Open(Names().Lookup("COM3"));
  ASSERT_TRUE(opened.ok);
  first.Close();
  Bytes out;
  ASSERT_EQ(port_.ReadBurst(out), Status::HungUp);
  // The simulator serves anew before the tool has noticed anything.
  Printer second;
  fs::remove(ports_ / "COM3");
  fs::create_symlink(second.path, ports_ / "COM3");

  PortWatch watch(Names(), opened.port);
  port_.Close();
  const auto back = watch.Check();
  ASSERT_TRUE(back);
  EXPECT_EQ(back->path, second.path);
  ExpectItWorks(*back, second);
}

TEST_F(PortWatchTest, ALinkToAByIdNameOutlivesTheByIdFolder) {
  // The by-id folder goes with the last adapter and comes back with it.
  Printer first;
  tree_->PlugAdapter("ttyUSB0", kPrinterAdapter, first.path);
  fs::create_symlink(tree_->root() / "dev/serial/by-id" / kPrinterAdapter.byId, ports_ / "COM4");
  auto watch = HangUp("COM4", first);
  tree_->UnplugAdapter("ttyUSB0");
  ASSERT_FALSE(fs::exists(tree_->root() / "dev/serial"));
  EXPECT_FALSE(watch->WaitForReturn(100));

  Printer second;
  tree_->PlugAdapter("ttyUSB2", kPrinterAdapter, second.path);
  const auto back = watch->WaitForReturn(2000);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->source, PortSource::Link);
  EXPECT_EQ(back->ttyName, "ttyUSB2");
  ExpectItWorks(*back, second);
}

TEST_F(PortWatchTest, AStaleNodeIsTakenOnlyOnceItChanges) {
  // The node of the lost device is still there and unchanged (it would hang
  // up again at once): neither the first look nor an unrelated change takes
  // it; a change of the node itself does.
  tree_->AddUart(0, 4);
  const PortDevice lost = Names().Lookup("COM1");
  PortWatch watch(Names(), lost);
  EXPECT_FALSE(watch.Check());
  std::ofstream(tree_->root() / "dev/ttyUSB5").flush();
  ASSERT_TRUE(Readable(watch.fd(), 1000));
  EXPECT_FALSE(watch.Check());
  EXPECT_FALSE(Readable(watch.fd(), 0));  // Check took every pending change
  ASSERT_EQ(chmod((tree_->root() / "dev/ttyS0").c_str(), 0660), 0);
  ASSERT_TRUE(Readable(watch.fd(), 1000));
  const auto back = watch.Check();
  ASSERT_TRUE(back);
  EXPECT_EQ(back->device, "/dev/ttyS0");
}

TEST_F(PortWatchTest, AnAdapterWithoutStableNameIsWaitedForAtItsNode) {
  Printer first;
  tree_->PlugAdapter("ttyACM0", {"", "", "", "", "cdc_acm", 1}, first.path);
  auto watch = HangUp("COM1", first);
  tree_->UnplugAdapter("ttyACM0");
  EXPECT_FALSE(watch->WaitForReturn(100));
  Printer second;
  tree_->PlugAdapter("ttyACM0", {"", "", "", "", "cdc_acm", 1}, second.path);
  const auto back = watch->WaitForReturn(2000);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->device, "/dev/ttyACM0");
  ExpectItWorks(*back, second);
}

}  // namespace
}  // namespace orvex::platform
