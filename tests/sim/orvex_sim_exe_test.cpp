// orvex-sim in real time: serves the port link, announces itself when the
// port is opened (again), answers the variant query, cleans up on SIGTERM.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

#ifdef ORVEX_SIM_EXE

namespace {

namespace fs = std::filesystem;

struct Child {
  pid_t pid = -1;
  int out = -1;
};

// Starts orvex-sim with XDG_CONFIG_HOME pointing at configHome; stdout piped.
Child Start(const std::vector<std::string>& args, const std::string& configHome) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);

  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::string(*entry).rfind("XDG_CONFIG_HOME=", 0) != 0) env.emplace_back(*entry);
  }
  env.push_back("XDG_CONFIG_HOME=" + configHome);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> argStrings = {ORVEX_SIM_EXE};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argStrings) argv.push_back(arg.data());
  argv.push_back(nullptr);

  Child child;
  const int rc =
      posix_spawn(&child.pid, ORVEX_SIM_EXE, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (rc != 0) {
    close(pipeFds[0]);
    return {};
  }
  child.out = pipeFds[0];
  return child;
}

// Reads until end of file, a newline (when untilNewline) or the timeout.
std::string ReadText(int fd, int timeoutMs, bool untilNewline) {
  std::string text;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char c;
    if (read(fd, &c, 1) != 1) break;
    text += c;
    if (untilNewline && c == '\n') break;
  }
  return text;
}

int WaitExit(pid_t pid, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    usleep(10'000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -2;
}

// One reply burst: bytes until 50 ms pass without one.
std::vector<std::uint8_t> ReadBurst(int fd, int timeoutMs) {
  std::vector<std::uint8_t> bytes;
  pollfd p{fd, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return bytes;
  while (poll(&p, 1, 50) > 0 && (p.revents & POLLIN)) {
    std::uint8_t buffer[64];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return bytes;
}

int OpenRaw(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  termios settings{};
  tcgetattr(fd, &settings);
  cfmakeraw(&settings);
  cfsetspeed(&settings, B38400);
  tcsetattr(fd, TCSANOW, &settings);
  return fd;
}

class OrvexSimExeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    configHome_ = fs::temp_directory_path() / ("orvex-sim-test-" + std::to_string(getpid()));
    fs::create_directories(configHome_);
  }
  void TearDown() override { fs::remove_all(configHome_); }
  fs::path configHome_;
};

TEST_F(OrvexSimExeTest, AnnouncesAndAnswersTheVariantQueryOnTheLinkedPort) {
  Child sim = Start({"--port", "COM7"}, configHome_.string());
  ASSERT_GT(sim.pid, 0);
  const std::string banner = ReadText(sim.out, 3000, true);
  ASSERT_EQ(banner.rfind("orvex-sim serving COM7 on /dev/pts/", 0), 0u) << banner;
  const fs::path link = configHome_ / "orvex-tool" / "ports" / "COM7";
  ASSERT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::read_symlink(link).string() + "\n", banner.substr(banner.find("/dev/pts/")));

  for (int session = 0; session < 2; ++session) {
    const int port = OpenRaw(link.string());
    ASSERT_GE(port, 0);
    EXPECT_EQ(ReadBurst(port, 1000), std::vector<std::uint8_t>{0x26}) << "session " << session;
    const std::uint8_t esc = 0x1B, query = 0xA0;
    ASSERT_EQ(write(port, &esc, 1), 1);
    usleep(10'000);
    ASSERT_EQ(write(port, &query, 1), 1);
    EXPECT_EQ(ReadBurst(port, 1000), std::vector<std::uint8_t>{0x0A}) << "session " << session;
    close(port);
    usleep(50'000);
  }

  kill(sim.pid, SIGTERM);
  EXPECT_EQ(WaitExit(sim.pid, 2000), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  close(sim.out);
}

TEST_F(OrvexSimExeTest, HelpAndBadOptions) {
  Child help = Start({"--help"}, configHome_.string());
  ASSERT_GT(help.pid, 0);
  const std::string usage = ReadText(help.out, 2000, false);
  EXPECT_NE(usage.find("--stop-ack-after-row"), std::string::npos) << usage;
  EXPECT_EQ(WaitExit(help.pid, 2000), 0);
  close(help.out);

  Child bad = Start({"--variant", "21"}, configHome_.string());
  ASSERT_GT(bad.pid, 0);
  EXPECT_EQ(ReadText(bad.out, 1000, false), "");
  EXPECT_EQ(WaitExit(bad.pid, 2000), 2);
  close(bad.out);
  EXPECT_FALSE(fs::exists(configHome_ / "orvex-tool"));
}

TEST_F(OrvexSimExeTest, HangsUpMidLogoAndServesThePortAnewLater) {
  Child sim = Start({"--port", "COM6", "--hang-up-after-logo-row", "1", "--hang-up-ms", "300"},
                    configHome_.string());
  ASSERT_GT(sim.pid, 0);
  const std::string banner = ReadText(sim.out, 3000, true);
  ASSERT_EQ(banner.rfind("orvex-sim serving COM6 on /dev/pts/", 0), 0u) << banner;
  const fs::path link = configHome_ / "orvex-tool" / "ports" / "COM6";

  const int port = OpenRaw(link.string());
  ASSERT_GE(port, 0);
  ASSERT_EQ(ReadBurst(port, 1000), std::vector<std::uint8_t>{0x26});
  const std::uint8_t header[4] = {0x1D, 0xF4, 0x60, 0x00};  // two rows
  ASSERT_EQ(write(port, header, sizeof header), 4);
  ASSERT_EQ(ReadBurst(port, 1000), std::vector<std::uint8_t>{0x42});
  const std::vector<std::uint8_t> row(48, 0x0F);
  ASSERT_EQ(write(port, row.data(), row.size()), 48);

  // The printer's end of the line closes: the port hangs up instead of "B".
  pollfd p{port, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 2000), 1);
  EXPECT_NE(p.revents & POLLHUP, 0) << "revents " << p.revents;
  std::uint8_t byte = 0;
  EXPECT_LE(read(port, &byte, 1), 0);
  close(port);

  // Served anew on a fresh pseudo-terminal; opening it brings the announcement.
  const std::string again = ReadText(sim.out, 3000, true);
  ASSERT_EQ(again.rfind("orvex-sim serving COM6 on /dev/pts/", 0), 0u) << again;
  ASSERT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::read_symlink(link).string() + "\n", again.substr(again.find("/dev/pts/")));
  const int reopened = OpenRaw(link.string());
  ASSERT_GE(reopened, 0);
  EXPECT_EQ(ReadBurst(reopened, 1000), std::vector<std::uint8_t>{0x26});
  const std::uint8_t firmware[2] = {0x1D, 0xF9};
  ASSERT_EQ(write(reopened, firmware, 1), 1);
  usleep(10'000);
  ASSERT_EQ(write(reopened, firmware + 1, 1), 1);
  EXPECT_EQ(ReadBurst(reopened, 1000).size(), 19u);
  close(reopened);

  kill(sim.pid, SIGTERM);
  EXPECT_EQ(WaitExit(sim.pid, 2000), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  close(sim.out);
}

TEST_F(OrvexSimExeTest, DropsTheRepliesItIsToldTo) {
  Child sim = Start({"--port", "COM5", "--drop-replies", "1", "--double-replies", "1"},
                    configHome_.string());
  ASSERT_GT(sim.pid, 0);
  ReadText(sim.out, 3000, true);
  const int port = OpenRaw((configHome_ / "orvex-tool" / "ports" / "COM5").string());
  ASSERT_GE(port, 0);
  ASSERT_EQ(ReadBurst(port, 1000), std::vector<std::uint8_t>{0x26});
  const std::uint8_t query[2] = {0x1B, 0xA0};
  ASSERT_EQ(write(port, query, 2), 2);
  EXPECT_EQ(ReadBurst(port, 500), std::vector<std::uint8_t>{});  // dropped
  ASSERT_EQ(write(port, query, 2), 2);
  EXPECT_EQ(ReadBurst(port, 1000), std::vector<std::uint8_t>{0x0A});
  EXPECT_EQ(ReadBurst(port, 1000), std::vector<std::uint8_t>{0x0A});  // and again
  close(port);
  kill(sim.pid, SIGTERM);
  EXPECT_EQ(WaitExit(sim.pid, 2000), 0);
  close(sim.out);
}

TEST_F(OrvexSimExeTest, WritesTheMomentOfEveryByteItReads) {
  const fs::path times = configHome_ / "times";
  Child sim = Start({"--port", "COM6", "--byte-times", times.string()}, configHome_.string());
  ASSERT_GT(sim.pid, 0);
  ReadText(sim.out, 3000, true);
  const int port = OpenRaw((configHome_ / "orvex-tool" / "ports" / "COM6").string());
  ASSERT_GE(port, 0);
  ASSERT_EQ(ReadBurst(port, 1000), std::vector<std::uint8_t>{0x26});
  auto monotonicNs = [] {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
  };
  std::vector<long long> written;
  for (const std::uint8_t byte : {std::uint8_t{0x1B}, std::uint8_t{0xA0}, std::uint8_t{0x1D}}) {
    written.push_back(monotonicNs());
    ASSERT_EQ(write(port, &byte, 1), 1);
    usleep(30'000);
  }
  close(port);
  kill(sim.pid, SIGTERM);
  EXPECT_EQ(WaitExit(sim.pid, 2000), 0);
  close(sim.out);

  std::ifstream in(times);
  std::vector<long long> read;
  for (long long ns = 0; in >> ns;) read.push_back(ns);
  ASSERT_EQ(read.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    // On the tool's clock: read after it was written, and in order.
    EXPECT_GE(read[i], written[i]) << i;
    if (i > 0) {
      EXPECT_GE(read[i], read[i - 1]) << i;
    }
  }
  EXPECT_LT(read[2] - written[0], 60LL * 1000000000LL);  // the same clock, not another
}

}  // namespace

#endif  // ORVEX_SIM_EXE
