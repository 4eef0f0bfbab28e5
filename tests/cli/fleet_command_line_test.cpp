// orvex-fleet's command line: commands, their words and options, and the
// mistakes it names before anything is sent.
#include "cli/fleet/fleet_command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvex::cli::fleet {
namespace {

using Args = std::vector<std::string>;
using Tasks = std::vector<Task>;
using Action = FleetCommandLine::Action;

// The help as one line: where it wraps is no matter.
std::string Flat(std::string text) {
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
  return text;
}

TEST(FleetCommandLine, EachCommandAsksForItsTasks) {
  const std::pair<Args, Tasks> cases[] = {
      {{"read", "--port", "COM1"}, ReadOuts()},
      {{"read", "--port", "COM1", "--only", "totals,firmware"}, {Task::Firmware, Task::Totals}},
      {{"check", "--port", "COM1", "--checksum", "3c5a:e10f"}, {Task::Firmware}},
      {{"check", "--port", "COM1", "--clock-tolerance", "5"}, {Task::Clock}},
      {{"check", "--port", "COM1", "--firmware", "V2", "--clock-tolerance=1"},
       {Task::Firmware, Task::Clock}},
      {{"records", "--from", "2005-03-01", "--to=2005-03-31", "--port", "COM1"},
       {Task::RecordSearch}},
      {{"test-print", "daily-report", "coin-ticket", "--port", "COM1", "coin-ticket"},
       {Task::DailyReport, Task::CoinTicket, Task::CoinTicket}},
      {{"history-report", "--port", "COM1"}, {Task::HistoryReport}},
      {{"cutter-test", "part-cut", "full-cut", "--port", "COM1"}, {Task::PartCut, Task::FullCut}},
      {{"date-format", "YY/DD/MM", "--port", "COM1"}, {Task::DateFormatYYDDMM}},
      {{"serial-number", "disable", "--port", "COM1"}, {Task::SerialNumberOff}},
  };
  for (const auto& [args, tasks] : cases) {
    const FleetCommandLine c = ParseFleetCommandLine(args);
    ASSERT_EQ(c.action, Action::Run) << args[0] << ": " << c.error;
    EXPECT_EQ(c.tasks, tasks) << args[0];
  }
}

TEST(FleetCommandLine, OptionsOfEveryCommandAndTheirDefaults) {
  const FleetCommandLine plain = ParseFleetCommandLine({"read", "--port", "COM1"});
  EXPECT_TRUE(plain.identify.probe);  // printers that are on are asked, not awaited
  EXPECT_EQ(plain.identify.onlineWaitMs, 15000);
  EXPECT_FALSE(plain.jsonPath || plain.csvPath || plain.plain);

  const FleetCommandLine c = ParseFleetCommandLine(
      {"records", "--port", "COM1", "--port=/dev/ttyUSB0", "--wait-announcement", "--wait-online",
       "5", "--json", "r.json", "--csv=-", "--plain", "--from", "2002-01-01", "--to", "2021-12-31",
       "--folder", "out"});
  ASSERT_EQ(c.action, Action::Run) << c.error;
  EXPECT_EQ(c.ports, (Args{"COM1", "/dev/ttyUSB0"}));
  EXPECT_FALSE(c.identify.probe);
  EXPECT_EQ(c.identify.onlineWaitMs, 5000);
  EXPECT_EQ(c.jsonPath, "r.json");
  EXPECT_EQ(c.csvPath, "-");
  EXPECT_TRUE(c.plain);
  EXPECT_EQ(c.period.begin.year, 2002);
  EXPECT_EQ(c.period.end.day, 31);
  EXPECT_EQ(c.folder, "out");

  const FleetCommandLine check = ParseFleetCommandLine(
      {"check", "--port", "COM1", "--firmware", "ORVEX-58 V2.15  ", "--checksum", "3C5AE10F"});
  ASSERT_TRUE(check.expect.checksums);
  EXPECT_EQ((*check.expect.checksums)[1], "E10F");
  EXPECT_EQ(check.expect.firmware, "ORVEX-58 V2.15  ");
}

TEST(FleetCommandLine, HelpForTheProgramAndForEachCommand) {
  EXPECT_EQ(ParseFleetCommandLine({"--help"}).action, Action::Help);
  EXPECT_FALSE(ParseFleetCommandLine({"--help"}).command);
  EXPECT_EQ(ParseFleetCommandLine({"--version"}).action, Action::Version);
  const FleetCommandLine read = ParseFleetCommandLine({"read", "--port", "COM1", "--help"});
  EXPECT_EQ(read.action, Action::Help);
  EXPECT_EQ(read.command, Command::Read);
  EXPECT_EQ(ParseFleetCommandLine({"help", "cutter-test"}).command, Command::CutterTest);
  // What changes a printer says so in its help; what only reads says that.
  for (Command command : {Command::TestPrint, Command::HistoryReport, Command::Records}) {
    EXPECT_NE(Flat(CommandUsageText(command)).find("This prints on the printers."),
              std::string::npos);
  }
  EXPECT_NE(Flat(CommandUsageText(Command::CutterTest)).find("This cuts the printers' paper."),
            std::string::npos);
  for (Command command : {Command::DateFormat, Command::SerialNumber}) {
    EXPECT_NE(Flat(CommandUsageText(command)).find("This changes a setting of the printers."),
              std::string::npos)
        << CommandName(command);
  }
  for (Command command : {Command::Read, Command::Check}) {
    EXPECT_NE(Flat(CommandUsageText(command)).find("Nothing on the printers changes."),
              std::string::npos);
  }
}

TEST(FleetCommandLine, MistakesAreNamed) {
  const std::pair<Args, std::string> cases[] = {
      {{},
       "no command given: read, check, records, test-print, history-report, cutter-test, "
       "date-format, serial-number"},
      {{"reed", "--port", "COM1"}, "unknown command 'reed': read, check"},
      {{"--port", "COM1", "read"}, "the command comes first: read, check"},
      {{"read"}, "no --port given"},
      {{"read", "--port", "COM1", "clock"}, "unexpected 'clock': read takes no such word"},
      {{"read", "--port", "COM1", "--only", "firmware,date"}, "--only: unknown 'date'"},
      {{"read", "--port", "COM1", "--from", "2005-01-01"}, "unknown option '--from' for read"},
      {{"check", "--port", "COM1"},
       "check wants at least one of --firmware, --checksum, --clock-tolerance"},
      {{"check", "--port", "COM1", "--checksum", "3C5A"}, "--checksum wants the two checksums"},
      {{"check", "--port", "COM1", "--checksum", "3C5A  E10F"}, "not '3C5A  E10F'"},
      {{"check", "--port", "COM1", "--checksum", "3C5G E10F"}, "not '3C5G E10F'"},
      {{"check", "--port", "COM1", "--clock-tolerance", "0"},
       "--clock-tolerance wants minutes from 1 to 1440, not '0'"},
      {{"records", "--port", "COM1", "--from", "2005-03-01"},
       "records wants --from DATE and --to DATE"},
      {{"records", "--port", "COM1", "--from", "2005-02-29", "--to", "2005-03-01"},
       "--from wants a date YYYY-MM-DD, not '2005-02-29'"},
      {{"records", "--port", "COM1", "--from", "2005-03-01", "--to", "2022-01-01"},
       "--to wants a date the printers hold: Year must be from 2002 to 2021., not '2022-01-01'"},
      {{"records", "--port", "COM1", "--from", "5-3-1", "--to", "2005-03-01"},
       "--from wants a date YYYY-MM-DD"},
      {{"test-print", "--port", "COM1"},
       "test-print wants coin-ticket, note-ticket, payout-ticket, daily-report"},
      {{"test-print", "coin", "--port", "COM1"}, "unknown 'coin' for test-print"},
      {{"cutter-test", "full-cut", "half-cut", "--port", "COM1"},
       "unknown 'half-cut' for cutter-test"},
      {{"date-format", "YY/MM/DD", "DD/MM/YY", "--port", "COM1"},
       "date-format wants one of YY/MM/DD, DD/MM/YY, MM/DD/YY, YY/DD/MM, not several"},
      {{"serial-number", "on", "--port", "COM1"},
       "unknown 'on' for serial-number: enable, disable"},
      {{"read", "--port", "COM1", "--json", "-", "--csv", "-"},
       "--json - and --csv - cannot both go to standard output"},
      {{"read", "--port", "COM1", "--json", "a", "--csv", "a"},
       "--json and --csv name the same file"},
      {{"read", "--port"}, "--port wants a value"},
      {{"read", "--port", "COM1", "--plain=yes"}, "--plain takes no value"},
  };
  for (const auto& [args, error] : cases) {
    const FleetCommandLine c = ParseFleetCommandLine(args);
    EXPECT_EQ(c.action, Action::Error) << error;
    EXPECT_THAT(c.error, ::testing::HasSubstr(error));
  }
}

}  // namespace
}  // namespace orvex::cli::fleet
