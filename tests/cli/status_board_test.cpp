// The status board and the display drawn from it: what the person at the
// terminal gets to read, and when.
#include "cli/status_board.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <sstream>

#include "cli/display.h"
#include "pseudo_terminal.h"

namespace orvex::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

TEST(StatusBoard, ALongDownloadOrASilentPrinterShowsInThePlainLogEveryFewSeconds) {
  auto now = std::chrono::steady_clock::time_point{} + 1000s;
  StatusBoard board({"COM1"}, [&now] { return now; });
  ProgressSink& sink = board.SinkFor(0);
  sink.Activity("step 8/10 Logo1");
  for (int percent = 1; percent <= 60; ++percent) {
    now += 250ms;  // a 341-row logo moves the gauge about this often
    sink.Progress(percent);
  }
  // 15 s of gauge: a line at 5, 10 and 15 s, not one per percent.
  EXPECT_THAT(board.TakeEvents(),
              ElementsAre("COM1: step 8/10 Logo1: 20%", "COM1: step 8/10 Logo1: 40%",
                          "COM1: step 8/10 Logo1: 60%"));
  sink.Activity("reading the firmware version");
  for (int second = 1; second <= 12; ++second) {
    now += 1s;
    sink.Waiting(second);
  }
  EXPECT_THAT(board.TakeEvents(),
              ElementsAre("COM1: reading the firmware version: no answer for 5 s of 90",
                          "COM1: reading the firmware version: no answer for 10 s of 90"));
  const auto rows = FormatRows(board.Rows(), 200, now);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_THAT(rows[0], HasSubstr("reading the firmware version  no answer for 12 s of 90"));
  sink.Waiting(-1);  // the answer came
  EXPECT_THAT(FormatRows(board.Rows(), 200, now)[0], testing::EndsWith("firmware version"));
}

// Fault: on an 80-column terminal the row was cut at its end, so the count
// of the reply timeout ("... (gives up at 9") lost what it counts to.
TEST(StatusBoard, OnANarrowTerminalTheActivityGivesWayToTheGaugeAndTheCount) {
  const auto now = std::chrono::steady_clock::time_point{} + 1000s;
  const struct {
    const char* port;
    const char* activity;
    int percent;
    const char* ends;
  } cases[] = {
      {"COM1", "reading the firmware version", -1, "  no answer for 12 s of 90"},
      {"COM1", "step 3/10 Data mutiplier & Decimal", 40, "  40%  no answer for 12 s of 90"},
      {"rfc2217://192.0.2.21:4001", "reading back the print status", -1,
       "  no answer for 12 s of 90"},
      {"rfc2217://192.0.2.21:4001", "reading back the multipliers \xC3\xA9\xC3\xA9", 100,
       "  100%  no answer for 12 s of 90"},
  };
  for (const auto& c : cases) {
    PrinterRow row{c.port, c.activity, c.percent, 12, false, now, now, now};
    const auto lines = FormatRows({row}, 79, now);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LE(lines[0].size(), 79u) << lines[0];
    EXPECT_THAT(lines[0], testing::EndsWith(c.ends)) << lines[0];
    EXPECT_THAT(lines[0], testing::StartsWith(c.port));
  }
}

TEST(Display, OnANarrowTerminalAFailedPrinterStillEndsWithItsWholeReason) {
  test::PseudoTerminal terminal;
  ASSERT_FALSE(terminal.path.empty());
  const int fd = open(terminal.path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  winsize size{};
  size.ws_col = 40;
  size.ws_row = 24;
  ASSERT_EQ(ioctl(fd, TIOCSWINSZ, &size), 0);
  setenv("TERM", "xterm", 1);

  StatusBoard board({"COM1", "COM2"});
  const std::string reason =
      "can't open COM2: in use by another program (minicom, pid 4242). Close that program";
  board.SinkFor(0).Activity("succeeded");
  board.SinkFor(1).Activity("FAILED: " + reason);
  std::ostringstream out;
  Display display(board, out, fd, false);
  ASSERT_TRUE(display.rows());
  PrinterRecord ok;
  ok.port = "COM1";
  ok.outcome = Outcome::Succeeded;
  PrinterRecord failed;
  failed.port = "COM2";
  failed.outcome = Outcome::Failed;
  failed.reason = reason;
  display.Finish({&ok, &failed}, false);
  close(fd);

  const std::string screen = out.str();
  // The row is cut at the width; the last lines say it whole, then the count.
  EXPECT_THAT(screen, HasSubstr("\r\x1b[KCOM2"));
  EXPECT_EQ(screen.find(reason + "\n", 0) + reason.size() + 1,
            screen.find("2 printers: 1 succeeded, 1 failed"));
  EXPECT_THAT(screen, HasSubstr("COM2: FAILED: " + reason + "\n"));
  for (std::size_t at = screen.find("\r\x1b[K"); at != std::string::npos;
       at = screen.find("\r\x1b[K", at + 1)) {
    EXPECT_LE(screen.find('\n', at) - at - 4, 39u) << screen.substr(at);
  }
}

}  // namespace
}  // namespace orvex::cli
