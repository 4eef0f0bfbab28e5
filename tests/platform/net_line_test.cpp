// A printer's line behind a device server, against servers the tests play on
// 127.0.0.1: the address, the telnet stream, RFC 2217's line settings and
// what a server can do wrong, and the port keeper connecting again after a
// drop. What ser2net cannot be made to do is shown here; ser2net itself is
// in the end-to-end tests.

#include "platform/net/net_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "bitmaps.h"
#include "fake_device_server.h"
#include "fakes.h"
#include "platform/host/port_keeper.h"
#include "platform/host/session_host.h"
#include "platform/net/telnet.h"
#include "scoped_env.h"

namespace orvex::platform {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::FakeDeviceServer;
using ::testing::HasSubstr;
using Status = Line::ReadStatus;
using Clock = std::chrono::steady_clock;

constexpr std::uint8_t IAC = 255, SB = 250, SE = 240, WILL = 251, DO = 253, DONT = 254;
constexpr std::uint8_t NOP = 241, COM_PORT = 44;

PortDevice At(const std::string& address) {
  return AddressPort(address, address);
}

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

TEST(NetAddressTest, AddressesAreTakenApartOrRefusedWithAReason) {
  struct Case {
    std::string text;
    NetMode mode;
    std::string host, service, problem;
  };
  const std::vector<Case> cases = {
      {"rfc2217://192.0.2.21:4001", NetMode::Rfc2217, "192.0.2.21", "4001", ""},
      {"  TCP://Printers-3.venue:02001\n", NetMode::RawTcp, "Printers-3.venue", "2001", ""},
      {"rfc2217://[::1]:7000", NetMode::Rfc2217, "::1", "7000", ""},
      {"rfc2217://192.0.2.21", NetMode::Rfc2217, "", "", "no port number (HOST:PORT)"},
      {"tcp://:4001", NetMode::RawTcp, "", "", "no host name"},
      {"tcp://host:0", NetMode::RawTcp, "", "", "port 0 is not between 1 and 65535"},
      {"tcp://host:65536", NetMode::RawTcp, "", "", "port 65536 is not between 1 and 65535"},
      {"tcp://host:40a1", NetMode::RawTcp, "", "", "\"40a1\" is no port number"},
      {"tcp://ho st:4001", NetMode::RawTcp, "", "", "\"ho st\" is no host name"},
      {"rfc2217://[::1:4001", NetMode::Rfc2217, "", "", "the IPv6 address has no closing ]"},
      {"/dev/ttyUSB0", NetMode::None, "", "", ""},
      {"telnet://host:23", NetMode::None, "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const NetAddress address = ParseNetAddress(c.text);
    EXPECT_EQ(address.mode, c.mode);
    EXPECT_EQ(address.problem, c.problem);
    if (!c.problem.empty()) continue;
    EXPECT_EQ(address.host, c.host);
    EXPECT_EQ(address.service, c.service);
  }
  // One server port, whatever the scheme and the case it is written in.
  EXPECT_EQ(ParseNetAddress("rfc2217://PRN.local:4001").Key(),
            ParseNetAddress("tcp://prn.LOCAL:4001").Key());
  EXPECT_EQ(ParseNetAddress("tcp://[::1]:4001").HostPort(), "[::1]:4001");
}

TEST(TelnetTest, TheStreamSplitAnywhereGivesTheSameBytesAndCommands) {
  // Data with a doubled 0xFF, a NOP, a negotiation, a notice whose value
  // holds a doubled 0xFF, and a command inside a subnegotiation that breaks
  // it off.
  const Bytes stream = {'A', IAC, IAC, 'B', IAC, NOP, 'C', IAC, WILL, 1,   IAC, SB, COM_PORT, 107,
                        IAC, IAC, IAC, SE,  'D', IAC, SB,  44,  106,  IAC, DO,  3,  'E'};
  for (std::size_t split = 0; split <= stream.size(); ++split) {
    SCOPED_TRACE(split);
    telnet::Decoder decoder;
    Bytes data;
    telnet::Commands commands;
    decoder.Feed(std::span(stream).first(split), data, commands);
    decoder.Feed(std::span(stream).subspan(split), data, commands);
    EXPECT_EQ(data, (Bytes{'A', IAC, 'B', 'C', 'D', 'E'}));
    ASSERT_EQ(commands.negotiations.size(), 2u);
    EXPECT_EQ(commands.negotiations[0].verb, WILL);
    EXPECT_EQ(commands.negotiations[0].option, 1);
    EXPECT_EQ(commands.negotiations[1].verb, DO);
    EXPECT_EQ(commands.negotiations[1].option, 3);
    ASSERT_EQ(commands.subnegotiations.size(), 1u);
    EXPECT_EQ(commands.subnegotiations[0].option, COM_PORT);
    EXPECT_EQ(commands.subnegotiations[0].data, (Bytes{107, IAC}));
  }
}

TEST(NetLineTest, Rfc2217SetsTheLineAndEscapesFfBothWays) {
  std::promise<Bytes> setup, written;
  FakeDeviceServer server([&](int fd) {
    // The printer announces itself while the line is being set up.
    setup.set_value(test::ServeRfc2217Setup(fd, {}, {0x26}));
    Bytes got;
    test::ReadUntil(
        fd, got, [](const Bytes& b) { return b.size() >= 4; }, 3000);
    written.set_value(got);
    // A notice alone, then the reply with telnet mixed in.
    test::SendAll(fd, {IAC, SB, COM_PORT, 107, 0x30, IAC, SE});
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    test::SendAll(fd, {'O', IAC, IAC, IAC, NOP, 'K', IAC, SB, COM_PORT, 106, 0x60, IAC, SE, '!'});
    test::ReadFor(fd, 1500);
  });
  NetLine line;
  const auto opened = line.Open(At(server.Address("rfc2217")));
  ASSERT_TRUE(opened.ok) << opened.problem.cause;

  const auto commands = test::ComPortCommands(setup.get_future().get());
  EXPECT_EQ(commands.at(telnet::kSetBaudRate), (Bytes{0x00, 0x00, 0x96, 0x00}));  // 38400
  EXPECT_EQ(commands.at(telnet::kSetDataSize), Bytes{8});
  EXPECT_EQ(commands.at(telnet::kSetParity), Bytes{1});    // none
  EXPECT_EQ(commands.at(telnet::kSetStopSize), Bytes{1});  // one
  EXPECT_EQ(commands.at(telnet::kSetControl), Bytes{1});   // no flow control

  Bytes burst;
  ASSERT_EQ(line.ReadBurst(burst, core::kReadMaxBytes, core::kReadGapMs, 2000), Status::Data);
  EXPECT_EQ(burst, Bytes{0x26});  // read during the setup, not lost

  for (const std::uint8_t byte : Bytes{0x1D, 0xFF, 0x00}) {
    EXPECT_EQ(line.WriteByte(byte), Line::WriteStatus::Written);
  }
  EXPECT_EQ(written.get_future().get(), (Bytes{0x1D, IAC, IAC, 0x00}));
  // The notice 120 ms before is no read of its own and no part of this one.
  ASSERT_EQ(line.ReadBurst(burst, core::kReadMaxBytes, core::kReadGapMs, 2000), Status::Data);
  EXPECT_EQ(burst, (Bytes{'O', 0xFF, 'K', '!'}));
}

TEST(NetLineTest, RawTcpPassesEveryByteAsItIs) {
  std::promise<Bytes> written;
  FakeDeviceServer server([&](int fd) {
    // Nothing of telnet comes from the tool before its first byte.
    Bytes got;
    test::ReadUntil(
        fd, got, [](const Bytes& b) { return !b.empty(); }, 3000);
    written.set_value(got);
    test::SendAll(fd, {IAC, WILL, 1, IAC, IAC});
    test::ReadFor(fd, 1000);
  });
  NetLine line;
  ASSERT_TRUE(line.Open(At(server.Address("tcp"))).ok);
  EXPECT_EQ(line.WriteByte(0xFF), Line::WriteStatus::Written);
  EXPECT_EQ(written.get_future().get(), Bytes{0xFF});
  Bytes burst;
  ASSERT_EQ(line.ReadBurst(burst, core::kReadMaxBytes, core::kReadGapMs, 2000), Status::Data);
  EXPECT_EQ(burst, (Bytes{IAC, WILL, 1, IAC, IAC}));
}

TEST(NetLineTest, AServerThatRefusesTheLineSettingsFailsTheOpen) {
  struct Case {
    const char* what;
    std::function<void(int)> serve;
    std::string cause;
  };
  const std::vector<Case> cases = {
      {"other baud rate and flow control",
       [](int fd) {
         test::ServeRfc2217Setup(
             fd, {{telnet::kSetBaudRate, {0x00, 0x00, 0x25, 0x80}}, {telnet::kSetControl, {3}}});
         test::ReadFor(fd, 500);
       },
       "refused the line settings: asked for 38400 baud, it set 9600; asked for no flow "
       "control, it set hardware flow control"},
      {"no RFC 2217",
       [](int fd) {
         test::ReadFor(fd, 50);
         test::SendAll(fd, {IAC, DONT, COM_PORT});
         test::ReadFor(fd, 500);
       },
       "does not take RFC 2217 line settings"},
      {"no answer", [](int fd) { test::ReadFor(fd, 1000); },
       "did not answer the line settings within 1 s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDeviceServer server(c.serve);
    NetLine line;
    line.SetTimeouts({2000, 300});
    const auto opened = line.Open(At(server.Address("rfc2217")));
    EXPECT_FALSE(opened.ok);
    EXPECT_EQ(opened.problem.kind, PortProblemKind::LineSettings);
    EXPECT_THAT(opened.problem.cause, HasSubstr(c.cause));
    EXPECT_FALSE(line.IsOpen());
  }
}

TEST(NetLineTest, ConnectFaultsAreNamedWithinTheConnectTimeout) {
  // Nothing listens; a server whose queue is full never answers; a server
  // that closes at once; an address without a port.
  const int nothing = test::FreeLocalPort();
  FakeDeviceServer full([](int) {}, false, 0);
  FakeDeviceServer closing([](int) {});
  struct Case {
    std::string address;
    PortProblemKind kind;
    std::string cause;
  };
  const std::vector<Case> cases = {
      {"rfc2217://127.0.0.1:" + std::to_string(nothing), PortProblemKind::Unreachable,
       "127.0.0.1:" + std::to_string(nothing) + " refused the connection"},
      {full.Address("rfc2217"), PortProblemKind::Unreachable,
       "no answer from 127.0.0.1:" + std::to_string(full.port()) + " within 1 s"},
      {closing.Address("rfc2217"), PortProblemKind::Unreachable,
       "closed the connection while it was being set up"},
      {"rfc2217://127.0.0.1", PortProblemKind::BadAddress, "no port number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    NetLine line;
    line.SetTimeouts({400, 2000});
    const auto start = Clock::now();
    const auto opened = line.Open(At(c.address));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_FALSE(opened.ok);
    EXPECT_EQ(opened.problem.kind, c.kind);
    EXPECT_THAT(opened.problem.cause, HasSubstr(c.cause));
  }

  // A keeper letting go of the port ends a wait for a connection at once.
  const int cancel = eventfd(1, EFD_CLOEXEC);
  NetLine line;
  const auto start = Clock::now();
  EXPECT_FALSE(line.Open(At(full.Address("tcp")), cancel).ok);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(300));
  close(cancel);
}

TEST(NetLineTest, ADroppedConnectionIsAHangUpReportedOnceWithoutSpinning) {
  FakeDeviceServer server([](int fd) {
    test::ServeRfc2217Setup(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    test::SendAll(fd, {0x42});
  });  // and closes
  NetLine line;
  ASSERT_TRUE(line.Open(At(server.Address("rfc2217"))).ok);
  Bytes burst;
  ASSERT_EQ(line.ReadBurst(burst, core::kReadMaxBytes, core::kReadGapMs, 2000), Status::Data);
  EXPECT_EQ(burst, Bytes{0x42});
  EXPECT_EQ(line.ReadBurst(burst, core::kReadMaxBytes, core::kReadGapMs, 2000), Status::HungUp);
  const double cpu = ProcessCpuSeconds();
  EXPECT_EQ(line.ReadBurst(burst, core::kReadMaxBytes, core::kReadGapMs, 300), Status::TimedOut);
  EXPECT_LT(ProcessCpuSeconds() - cpu, 0.05);
  EXPECT_EQ(line.WriteByte(0x1D), Line::WriteStatus::Gone);
  line.Wake();
  EXPECT_EQ(line.ReadBurst(burst), Status::Woken);
}

// ---- the port keeper ----

struct KeeperEvents : PortKeeper::Listener {
  void PortOpened(const PortDevice&, bool again) override {
    events.push_back(again ? "opened again" : "opened");
  }
  void PortFailed(const PortDevice&, const PortProblem& problem, bool awaited) override {
    events.push_back((awaited ? "awaited: " : "failed: ") + problem.cause + ". " + problem.fix);
  }
  void PortGone(const PortDevice& device, bool watching) override {
    events.push_back("gone " + device.device + (watching ? ", watching" : ""));
  }
  void PortBackButFailing(const PortDevice&, const PortProblem& problem) override {
    events.push_back("failing: " + problem.cause + ". " + problem.fix);
  }
  std::vector<std::string> events;
};

class PortKeeperNetTest : public ::testing::Test {
 protected:
  PortKeeperNetTest()
      : folder_(test::TempFolder("keeper-net")),
        config_("XDG_CONFIG_HOME", folder_.c_str()),
        session_(core::Ports{memo_, host_, host_, panel_, clock_, host_, view_, none_, preview_}) {
    host_.Attach(session_);
    fs::create_directories(folder_ / "orvex-tool/ports");
  }
  ~PortKeeperNetTest() override { fs::remove_all(folder_); }

  void Link(const std::string& address) {
    fs::create_symlink(address, folder_ / "orvex-tool/ports/COM5");
  }
  bool RunUntil(const std::function<bool()>& done, int ms) {
    return host_.RunUntil(done, host_.NowMs() + ms);
  }
  bool Saw(std::size_t count) {
    return RunUntil([&] { return events_.events.size() >= count; }, 5000);
  }

  fs::path folder_;
  test::ScopedEnv config_;
  test::FakeMemo memo_;
  test::FakePanel panel_;
  test::FakeClock clock_;
  test::FakeView view_;
  test::FakePreview preview_;
  core::NoSpreadsheet none_;
  SessionHost host_;
  core::Session session_;
  KeeperEvents events_;
};

TEST_F(PortKeeperNetTest, ADroppedConnectionIsMadeAgainAfterAWaitAndReadsGoOn) {
  std::atomic<int> connections = 0;
  FakeDeviceServer server([&](int fd) {
    const int n = ++connections;
    test::ServeRfc2217Setup(fd, {}, n == 1 ? Bytes{} : Bytes{0x26});
    if (n == 1) return;  // drops the connection
    test::ReadFor(fd, 3000);
  });
  Link(server.Address("rfc2217"));
  PortKeeper keeper(host_, events_);
  keeper.Open("COM5");
  // The open runs on a thread of its own; the loop goes on meanwhile.
  ASSERT_TRUE(Saw(2)) << ::testing::PrintToString(events_.events);
  EXPECT_EQ(events_.events[0], "opened");
  EXPECT_EQ(events_.events[1], "gone " + server.Address("rfc2217") + ", watching");
  EXPECT_FALSE(keeper.IsOpen());
  EXPECT_EQ(session_.state.linkState, core::LinkState::NotSeen);

  // Waiting to connect again costs nothing.
  const double cpu = ProcessCpuSeconds();
  const auto start = Clock::now();
  ASSERT_TRUE(Saw(3));
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(800));
  EXPECT_LT(ProcessCpuSeconds() - cpu, 0.05);
  EXPECT_EQ(events_.events[2], "opened again");
  EXPECT_TRUE(keeper.IsOpen());
  // The printer's announcement on the new connection reaches the session.
  EXPECT_TRUE(RunUntil([&] { return session_.state.linkState == core::LinkState::Online; }, 3000));
  keeper.Close();
}

TEST_F(PortKeeperNetTest, AServerNotUpYetIsAwaitedButRefusedSettingsAreNot) {
  const int port = test::FreeLocalPort();
  Link("rfc2217://127.0.0.1:" + std::to_string(port));
  {
    PortKeeper keeper(host_, events_);
    keeper.Open("COM5");
    ASSERT_TRUE(Saw(1));
    EXPECT_EQ(events_.events[0], "awaited: 127.0.0.1:" + std::to_string(port) +
                                     " refused the connection (nothing serves that port). The "
                                     "tool tries again in 1 s.");
    FakeDeviceServer server(
        [](int fd) {
          test::ServeRfc2217Setup(fd);
          test::ReadFor(fd, 2000);
        },
        true, 8, port);
    ASSERT_TRUE(Saw(2));
    EXPECT_EQ(events_.events[1], "opened");
    keeper.Close();
  }
  events_.events.clear();
  FakeDeviceServer refusing([](int fd) {
    test::ServeRfc2217Setup(fd, {{telnet::kSetDataSize, {7}}});
    test::ReadFor(fd, 500);
  });
  fs::remove(folder_ / "orvex-tool/ports/COM5");
  Link(refusing.Address("rfc2217"));
  PortKeeper keeper(host_, events_);
  keeper.Open("COM5");
  ASSERT_TRUE(Saw(1));
  EXPECT_THAT(events_.events[0], HasSubstr("failed: the device server at 127.0.0.1:"));
  EXPECT_THAT(events_.events[0], HasSubstr("asked for 8 data bits, it set 7"));
  // Not tried again: the server needs another setting first.
  RunUntil([] { return false; }, 1500);
  EXPECT_EQ(refusing.accepted(), 1);
  EXPECT_EQ(events_.events.size(), 1u);
}

}  // namespace
}  // namespace orvex::platform
