// The state file text and the command line of orvex-sim.

#include <gtest/gtest.h>

#include "printer_harness.h"
#include "sim/model/command_line.h"
#include "sim/model/state_report.h"

namespace orvex::sim {
namespace {

using testing::Bytes;
using testing::Harness;

bool HasLine(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(StateReportTest, ShowsWhatTheToolSetUp) {
  PrinterOptions options;
  options.clock = {{2015, 6, 30}, 14, 5, 9};
  options.clockAtMs = 0;
  Harness h(options, 0);
  h.Send({0x1D, 0xF6, 0xE8, 0x03, 0x02, 0x00, 0x05, 0x00, 0x02});
  h.Send({0x1B, 0xF7, 0x21});
  h.Send({0x1B, 0xF9, '1'});
  h.Send({0x1B, 0xE6, 0x01});
  h.Send({0x1B, 0xF5});
  Bytes format = {0x1B, 0xFE, 0x2A, 0, 0, 0x06, 0x03, 'A', '"', 0xE9};
  format.resize(5 + 26, 0);
  format.insert(format.end(), {0x05, 0x51});
  format.resize(5 + 260, 0);
  for (int line = 2; line < 10; ++line) format[5 + 26 * static_cast<size_t>(line)] = 1;
  format.insert(format.end(), {0, 0, 0});
  h.Send(format);
  h.Send({0x1D, 0xF8, 0x30, 0x00});
  h.Send(Bytes(48, 0xFF));
  h.Send({0x1B, 0xF3});
  h.Drain();

  const std::string state = FormatState(h.printer, 10'000);
  EXPECT_TRUE(HasLine(state, "clock=2015-06-30 14:05:19")) << state;
  EXPECT_TRUE(HasLine(state, "multiplier.coin=1000")) << state;
  EXPECT_TRUE(HasLine(state, "multiplier.note=2")) << state;
  EXPECT_TRUE(HasLine(state, "multiplier.payout=5")) << state;
  EXPECT_TRUE(HasLine(state, "decimals=2")) << state;
  EXPECT_TRUE(HasLine(state, "print_status=0x21")) << state;
  EXPECT_TRUE(HasLine(state, "date_format=1")) << state;
  EXPECT_TRUE(HasLine(state, "serial_printing=on")) << state;
  EXPECT_TRUE(HasLine(state, "cuts.full=1")) << state;
  EXPECT_TRUE(HasLine(state, "ticket.coin=none")) << state;
  EXPECT_TRUE(HasLine(state, "ticket.note.symbol=0x2A")) << state;
  EXPECT_TRUE(HasLine(state, "ticket.note.line1=text size=3 height=2 text=\"A\\x22\\xE9\""))
      << state;
  EXPECT_TRUE(HasLine(state, "ticket.note.line2=logo2 height=2")) << state;
  EXPECT_TRUE(HasLine(state, "ticket.note.line3=text size=1 height=1 text=\"\"")) << state;
  EXPECT_TRUE(HasLine(state, "logo1.height=none")) << state;
  EXPECT_TRUE(HasLine(state, "logo2.height=1")) << state;
  EXPECT_TRUE(HasLine(state, "records.stored=0")) << state;
  EXPECT_TRUE(HasLine(state, "records.erased=1")) << state;
  EXPECT_TRUE(HasLine(state, "last_erase=2015-06-30")) << state;
}

TEST(StateReportTest, EscapesEverythingButPlainAscii) {
  EXPECT_EQ(EscapeBytes("Ab 1~"), "Ab 1~");
  EXPECT_EQ(EscapeBytes(std::string("\x00\x1F\x7F\\\"", 5)), "\\x00\\x1F\\x7F\\x5C\\x22");
}

TEST(CommandLineTest, DefaultsServeCom1AsA20SymbolPrinter) {
  const ParsedCommandLine parsed = ParseCommandLine({});
  ASSERT_EQ(parsed.action, ParsedCommandLine::Action::Run);
  EXPECT_EQ(parsed.config.port, "COM1");
  EXPECT_EQ(parsed.config.printer.variant, Variant::Wide20);
  EXPECT_FALSE(parsed.config.trace);
  EXPECT_FALSE(parsed.config.stateFile);
}

TEST(CommandLineTest, ReadsEveryOption) {
  const ParsedCommandLine parsed =
      ParseCommandLine({"--port", "COM7", "--variant=18", "--out-of-paper", "--stop-ack-after-row",
                        "3", "--records", "2004-02-28:2004-03-01", "--seed", "18446744073709551615",
                        "--trace", "--logo-dir", "/tmp/logos", "--state-file=/tmp/state",
                        "--erase-reports-first", "--byte-times", "/tmp/times"});
  ASSERT_EQ(parsed.action, ParsedCommandLine::Action::Run) << parsed.error;
  const SimConfig& config = parsed.config;
  EXPECT_EQ(config.port, "COM7");
  EXPECT_EQ(config.printer.variant, Variant::Narrow18);
  EXPECT_TRUE(config.printer.outOfPaper);
  EXPECT_EQ(config.printer.stopAckAfterRow, 3);
  ASSERT_TRUE(config.printer.records);
  EXPECT_EQ(config.printer.records->first, (Date{2004, 2, 28}));
  EXPECT_EQ(config.printer.records->last, (Date{2004, 3, 1}));
  EXPECT_EQ(config.printer.seed, 18446744073709551615ull);
  EXPECT_TRUE(config.trace);
  EXPECT_EQ(config.logoDir, "/tmp/logos");
  EXPECT_EQ(config.stateFile, "/tmp/state");
  EXPECT_EQ(config.byteTimesFile, "/tmp/times");
  EXPECT_EQ(config.printer.eraseOrder, EraseOrder::ReportsFirst);

  EXPECT_EQ(ParseCommandLine({"--variant", "silent"}).config.printer.variant, Variant::Silent);
  EXPECT_FALSE(ParseCommandLine({"--records", "none"}).config.printer.records);
  EXPECT_EQ(ParseCommandLine({"--help"}).action, ParsedCommandLine::Action::Help);
  EXPECT_EQ(ParseCommandLine({"--port", "COM2", "--version"}).action,
            ParsedCommandLine::Action::Version);
  EXPECT_EQ(ParseCommandLine({"--version=1"}).action, ParsedCommandLine::Action::Error);
}

TEST(CommandLineTest, RejectsBadValues) {
  const std::vector<std::vector<std::string>> bad = {
      {"--port", "COM0"},
      {"--port", "COM10"},
      {"--port", "/dev/ttyS0"},
      {"--variant", "19"},
      {"--stop-ack-after-row", "-1"},
      {"--stop-ack-after-row", "x"},
      {"--records", "2005-03-01"},
      {"--records", "2005-03-09:2005-03-01"},
      {"--records", "2005-02-29:2005-03-01"},
      {"--seed", "18446744073709551616"},
      {"--seed"},
      {"--trace=yes"},
      {"--byte-times="},
      {"--byte-times"},
      {"--frobnicate"},
      {"COM1"},
  };
  for (const std::vector<std::string>& args : bad) {
    const ParsedCommandLine parsed = ParseCommandLine(args);
    EXPECT_EQ(parsed.action, ParsedCommandLine::Action::Error) << args[0];
    EXPECT_NE(parsed.error, "") << args[0];
  }
}

TEST(CalendarTest, DatesAndSecondsRoundTrip) {
  EXPECT_TRUE(IsValidDate({2004, 2, 29}));
  EXPECT_FALSE(IsValidDate({2005, 2, 29}));
  EXPECT_FALSE(IsValidDate({2005, 0, 1}));
  EXPECT_EQ(DayIndex({2004, 3, 1}) - DayIndex({2004, 2, 28}), 2);
  EXPECT_EQ(DateFromDayIndex(DayIndex({2021, 12, 31})), (Date{2021, 12, 31}));
  const DateTime when{{2015, 6, 30}, 23, 59, 59};
  EXPECT_EQ(FromSeconds(ToSeconds(when) + 1), (DateTime{{2015, 7, 1}, 0, 0, 0}));
  EXPECT_EQ(FromSeconds(-1), (DateTime{{1969, 12, 31}, 23, 59, 59}));
  Date parsed;
  EXPECT_TRUE(ParseDate("2005-03-07", &parsed));
  EXPECT_EQ(parsed, (Date{2005, 3, 7}));
  EXPECT_FALSE(ParseDate("2005-3-7", &parsed));
  EXPECT_FALSE(ParseDate("2005-13-07", &parsed));
}

}  // namespace
}  // namespace orvex::sim
