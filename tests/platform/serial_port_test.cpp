// The serial port against a pseudo-terminal whose master side plays the printer.
// These tests run in real time; every wait is short.

#include "platform/serial/serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orvex::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Status = SerialPort::ReadStatus;

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* value = getenv("XDG_CONFIG_HOME")) savedXdg_ = value;
    char folder[] = "/tmp/orvex-serial-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    config_ = folder;
    setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
    ports_ = config_ / "orvex-tool" / "ports";
    fs::create_directories(ports_);

    int slave = -1;
    ASSERT_EQ(openpty(&master_, &slave, nullptr, nullptr, nullptr), 0);
    device_ = ttyname(slave);
    close(slave);
    fs::create_symlink(device_, ports_ / "COM3");
  }

  void TearDown() override {
    CloseMaster();
    fs::remove_all(config_);
    if (savedXdg_) {
      setenv("XDG_CONFIG_HOME", savedXdg_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
  }

  void OpenCom3() {
    const auto result = port_.Open("COM3");
    ASSERT_TRUE(result.ok) << result.reason;
  }

  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  // The printer sends.
  void Send(const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      ASSERT_GT(n, 0);
      done += static_cast<std::size_t>(n);
    }
  }

  // The printer receives `count` bytes, or what came within one second.
  Bytes Receive(std::size_t count) {
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd in{master_, POLLIN, 0};
      if (poll(&in, 1, 100) <= 0) continue;
      std::uint8_t buffer[512];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) break;
      got.insert(got.end(), buffer, buffer + n);
    }
    return got;
  }

  std::optional<std::string> savedXdg_;
  fs::path config_;
  fs::path ports_;
  std::string device_;
  int master_ = -1;
  SerialPort port_;
  Bytes out_;
};

TEST_F(SerialPortTest, OpensThroughTheSymlinkWith38400RawNoFlowControl) {
  OpenCom3();
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_FALSE(port_.IsHungUp());

  termios line{};
  ASSERT_EQ(tcgetattr(master_, &line), 0);  // the master reports the slave's settings
  EXPECT_EQ(cfgetispeed(&line), B38400);
  EXPECT_EQ(cfgetospeed(&line), B38400);
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | ISTRIP), 0u);
  EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(line.c_oflag & OPOST, 0u);
}

TEST_F(SerialPortTest, EveryByteValuePassesBothWaysUnchanged) {
  OpenCom3();
  Bytes all(256);
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint8_t>(i);

  for (const std::uint8_t byte : all) port_.WriteByte(byte);
  EXPECT_EQ(Receive(all.size()), all);

  Send(all);
  ASSERT_EQ(port_.ReadBurst(out_), Status::Data);
  EXPECT_EQ(out_, all);
}

TEST_F(SerialPortTest, OpenDiscardsInputQueuedBeforeIt) {
  Send({0x01, 0x02, 0x03});
  std::this_thread::sleep_for(20ms);
  OpenCom3();
  Send({0x26});
  ASSERT_EQ(port_.ReadBurst(out_), Status::Data);
  EXPECT_EQ(out_, Bytes{0x26});
}

TEST_F(SerialPortTest, BytesTwentyMsApartMakeOneRead) {
  OpenCom3();
  std::jthread printer([this] {
    for (std::uint8_t byte = 1; byte <= 5; ++byte) {
      Send({byte});
      std::this_thread::sleep_for(20ms);
    }
  });
  ASSERT_EQ(port_.ReadBurst(out_), Status::Data);
  EXPECT_EQ(out_, (Bytes{1, 2, 3, 4, 5}));
}

TEST_F(SerialPortTest, BytesEightyMsApartMakeTwoReads) {
  OpenCom3();
  const auto start = std::chrono::steady_clock::now();
  std::jthread printer([this] {
    Send({0x77});
    std::this_thread::sleep_for(80ms);
    Send({0x11});
  });
  ASSERT_EQ(port_.ReadBurst(out_), Status::Data);
  const auto firstRead = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(out_, Bytes{0x77});
  EXPECT_GE(firstRead, 50ms);  // it waited out the gap
  ASSERT_EQ(port_.ReadBurst(out_), Status::Data);
  EXPECT_EQ(out_, Bytes{0x11});
}

TEST_F(SerialPortTest, LongBurstIsCutAtMaxBytes) {
  OpenCom3();
  Bytes stream(30500);
  for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<std::uint8_t>(i % 251);
  std::jthread printer([this, &stream] { Send(stream); });

  ASSERT_EQ(port_.ReadBurst(out_), Status::Data);
  ASSERT_EQ(out_.size(), 30000u);
  Bytes rest;
  ASSERT_EQ(port_.ReadBurst(rest), Status::Data);
  printer.join();
  out_.insert(out_.end(), rest.begin(), rest.end());
  EXPECT_EQ(out_, stream);

  // The same cut with a small limit, all bytes queued at once.
  Send({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  std::this_thread::sleep_for(20ms);
  ASSERT_EQ(port_.ReadBurst(out_, 4), Status::Data);
  EXPECT_EQ(out_, (Bytes{1, 2, 3, 4}));
  ASSERT_EQ(port_.ReadBurst(out_, 4), Status::Data);
  EXPECT_EQ(out_, (Bytes{5, 6, 7, 8}));
  ASSERT_EQ(port_.ReadBurst(out_, 4), Status::Data);
  EXPECT_EQ(out_, (Bytes{9, 10}));
}

TEST_F(SerialPortTest, WakeEndsAWaitingRead) {
  OpenCom3();
  auto reader = std::async(std::launch::async, [this] { return port_.ReadBurst(out_); });
  EXPECT_EQ(reader.wait_for(100ms), std::future_status::timeout);  // nothing came: it waits
  port_.Wake();
  ASSERT_EQ(reader.wait_for(1s), std::future_status::ready);
  EXPECT_EQ(reader.get(), Status::Woken);
  EXPECT_TRUE(out_.empty());
}

TEST_F(SerialPortTest, EarlyWakeIsKeptOnceAndQueuedBytesWait) {
  OpenCom3();
  Send({0x42, 0x26});
  std::this_thread::sleep_for(20ms);
  port_.Wake();
  port_.Wake();  // two wakes before the read still make one Woken
  EXPECT_EQ(port_.ReadBurst(out_), Status::Woken);
  ASSERT_EQ(port_.ReadBurst(out_), Status::Data);
  EXPECT_EQ(out_, (Bytes{0x42, 0x26}));
}

TEST_F(SerialPortTest, HangupIsReportedOnceThenOnlyAWakeEndsTheWait) {
  OpenCom3();
  auto waiting = std::async(std::launch::async, [this] { return port_.ReadBurst(out_); });
  std::this_thread::sleep_for(50ms);
  CloseMaster();  // the simulator ends, or the adapter is unplugged
  ASSERT_EQ(waiting.wait_for(1s), std::future_status::ready);
  EXPECT_EQ(waiting.get(), Status::HungUp);
  EXPECT_TRUE(port_.IsHungUp());
  EXPECT_TRUE(port_.IsOpen());

  const double cpuBefore = ProcessCpuSeconds();
  auto after = std::async(std::launch::async, [this] { return port_.ReadBurst(out_); });
  EXPECT_EQ(after.wait_for(500ms), std::future_status::timeout);
  EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.025);  // under 5% of the half second
  port_.Wake();
  ASSERT_EQ(after.wait_for(1s), std::future_status::ready);
  EXPECT_EQ(after.get(), Status::Woken);

  const auto start = std::chrono::steady_clock::now();
  port_.WriteByte(0x1D);  // goes nowhere, and does not hang
  EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_FALSE(port_.IsHungUp());
}

TEST_F(SerialPortTest, BytesBeforeAHangupAreDeliveredFirst) {
  OpenCom3();
  Send({0x77, 0x44});
  std::this_thread::sleep_for(20ms);
  auto reading = std::async(std::launch::async, [this] { return port_.ReadBurst(out_); });
  std::this_thread::sleep_for(10ms);
  CloseMaster();
  ASSERT_EQ(reading.wait_for(1s), std::future_status::ready);
  EXPECT_EQ(reading.get(), Status::Data);
  EXPECT_EQ(out_, (Bytes{0x77, 0x44}));
  EXPECT_EQ(port_.ReadBurst(out_), Status::HungUp);
  EXPECT_TRUE(out_.empty());
}

TEST_F(SerialPortTest, ClosedPortWaitsForAWakeInsteadOfSpinning) {
  port_.Wake();
  EXPECT_EQ(port_.ReadBurst(out_), Status::Woken);
  port_.WriteByte(0x1B);  // nothing open: ignored
  EXPECT_FALSE(port_.IsOpen());
}

TEST_F(SerialPortTest, ABoundedWaitTimesOutAndTheBytesAfterItStillCome) {
  OpenCom3();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port_.ReadBurst(out_, 30000, 50, 80), Status::TimedOut);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 80ms);
  EXPECT_LT(waited, 300ms);
  EXPECT_TRUE(out_.empty());
  Send({0xAA});
  ASSERT_EQ(port_.ReadBurst(out_, 30000, 50, 1000), Status::Data);
  EXPECT_EQ(out_, (Bytes{0xAA}));
  // A wake still ends a bounded wait at once.
  port_.Wake();
  EXPECT_EQ(port_.ReadBurst(out_, 30000, 50, 5000), Status::Woken);
  // After a hangup the bounded wait is on the wake event alone, still bounded.
  CloseMaster();
  EXPECT_EQ(port_.ReadBurst(out_, 30000, 50, 1000), Status::HungUp);
  EXPECT_EQ(port_.ReadBurst(out_, 30000, 50, 50), Status::TimedOut);
}

TEST_F(SerialPortTest, ADeviceGivenByItsPathOpensWithoutTheNameLookup) {
  PortDevice byPath;
  byPath.comName = device_;
  byPath.source = PortSource::Adapter;
  byPath.device = byPath.path = device_;
  const auto result = port_.Open(byPath);
  ASSERT_TRUE(result.ok) << result.reason;
  port_.WriteByte(0x1B);
  EXPECT_EQ(Receive(1), (Bytes{0x1B}));
  EXPECT_EQ(port_.Open(byPath).reason, "already open");
  port_.Close();
  byPath.path = (config_ / "nothing").string();
  EXPECT_EQ(port_.Open(byPath).reason, "no such device");
}

TEST_F(SerialPortTest, MissingDeviceOrUnknownNameSaysNoSuchDevice) {
  fs::create_symlink("/dev/orvex-no-such-tty", ports_ / "COM4");
  for (const char* name : {"COM4", "COM0", "LPT1"}) {
    const auto result = port_.Open(name);
    EXPECT_FALSE(result.ok) << name;
    EXPECT_EQ(result.reason, "no such device") << name;
    EXPECT_FALSE(port_.IsOpen());
  }
}

TEST_F(SerialPortTest, SecondOpenOfTheSameDeviceIsRefused) {
  OpenCom3();
  fs::create_symlink(device_, ports_ / "COM5");  // the same device under another name
  SerialPort other;
  for (const char* name : {"COM3", "COM5"}) {
    const auto refused = other.Open(name);
    EXPECT_FALSE(refused.ok) << name;
    EXPECT_EQ(refused.reason, "in use by another program") << name;
  }
  EXPECT_FALSE(other.IsOpen());

  const auto again = port_.Open("COM3");
  EXPECT_FALSE(again.ok);
  EXPECT_EQ(again.reason, "already open");
  port_.WriteByte(0x55);  // the first open is untouched
  EXPECT_EQ(Receive(1), Bytes{0x55});

  port_.Close();
  EXPECT_TRUE(other.Open("COM3").ok);
}

TEST_F(SerialPortTest, FileThatIsNoTerminalIsRefused) {
  const fs::path file = config_ / "not-a-port";
  std::ofstream(file) << "x";
  fs::create_symlink(file, ports_ / "COM6");
  const auto result = port_.Open("COM6");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason, "not a serial port");
}

TEST_F(SerialPortTest, UnreadableDeviceIsPermissionDenied) {
  if (geteuid() == 0) GTEST_SKIP() << "root may open any file";
  const fs::path file = config_ / "locked-port";
  std::ofstream(file) << "x";
  chmod(file.c_str(), 0);
  fs::create_symlink(file, ports_ / "COM7");
  const auto result = port_.Open("COM7");
  EXPECT_FALSE(result.ok);
  // The advice is the problem's fix, which names the device's own group.
  EXPECT_EQ(result.reason, "permission denied");
  EXPECT_EQ(result.problem.kind, PortProblemKind::PermissionDenied);
}

// Writes until the line stops taking bytes; returns how many it took.
std::size_t FillLine(SerialPort& port) {
  std::size_t taken = 0;
  while (port.WriteByte(0x55) == SerialPort::WriteStatus::Written) ++taken;
  return taken;
}

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

TEST_F(SerialPortTest, ALineThatDoesNotDrainStallsTheRequestOnceItsDeadlinePasses) {
  OpenCom3();
  EXPECT_EQ(port_.RequestWriteBound(), 2000ms) << "the real line's bound";
  port_.SetRequestWriteBound(300ms);
  port_.BeginRequest();
  // Nobody reads the printer's side: the line fills, then waits out the
  // request's deadline once.
  auto start = std::chrono::steady_clock::now();
  EXPECT_GT(FillLine(port_), 1000u);
  EXPECT_GE(MsSince(start), 290);
  EXPECT_LT(MsSince(start), 2000);
  // The request has no time left: its next bytes fail at once.
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(port_.WriteByte(0x1D), SerialPort::WriteStatus::Stalled);
  EXPECT_EQ(port_.WriteByte(0x1D), SerialPort::WriteStatus::Stalled);
  EXPECT_LT(MsSince(start), 50);

  // A new request gets its own deadline.
  port_.BeginRequest();
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(port_.WriteByte(0x1D), SerialPort::WriteStatus::Stalled);
  EXPECT_GE(MsSince(start), 290);

  // A line that drains again takes the next request's bytes.
  EXPECT_FALSE(Receive(100000).empty());
  port_.BeginRequest();
  EXPECT_EQ(port_.WriteByte(0x1B), SerialPort::WriteStatus::Written);
}

TEST_F(SerialPortTest, WaitsForASlowLineComeOutOfOneBudget) {
  OpenCom3();
  port_.SetRequestWriteBound(400ms);
  port_.BeginRequest();
  FillLine(port_);
  // The printer takes a little every 150 ms: each wait is short, but they
  // add up within the one request.
  std::atomic<bool> done{false};
  std::thread reader([this, &done] {
    while (!done) {
      std::this_thread::sleep_for(150ms);
      std::uint8_t some[4096];
      (void)!read(master_, some, sizeof some);
    }
  });
  port_.BeginRequest();
  const auto start = std::chrono::steady_clock::now();
  int written = 0;
  while (port_.WriteByte(0x55) == SerialPort::WriteStatus::Written && written < 100000) ++written;
  done = true;
  reader.join();
  EXPECT_GT(written, 0);
  EXPECT_GE(MsSince(start), 390);
  EXPECT_LT(MsSince(start), 1500);
}

TEST_F(SerialPortTest, WritesToAGoneOrClosedPortSayGone) {
  OpenCom3();
  EXPECT_EQ(port_.WriteByte(0x1D), SerialPort::WriteStatus::Written);
  port_.Close();
  EXPECT_EQ(port_.WriteByte(0x1D), SerialPort::WriteStatus::Gone);
}

}  // namespace
}  // namespace orvex::platform
