// What orvex-fleet holds the printers' answers against, what it names its
// workbooks, and how it writes its rows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/fleet/checks.h"
#include "cli/fleet/fleet_json.h"
#include "cli/fleet/workbook_names.h"
#include "cli/readouts.h"

namespace orvex::cli::fleet {
namespace {

using cli::CheckResult;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Sums = std::array<std::string, 2>;

TEST(FleetChecks, ChecksumsAreWrittenAsTheWindowShowsThem) {
  const std::pair<const char*, std::optional<Sums>> cases[] = {
      {"3C5AE10F", Sums{"3C5A", "E10F"}},  {"3c5a e10f", Sums{"3C5A", "E10F"}},
      {"3C5A,E10F", Sums{"3C5A", "E10F"}}, {"3C5A:E10F", Sums{"3C5A", "E10F"}},
      {"3C5A/0abc", Sums{"3C5A", "0ABC"}}, {"3C5A", std::nullopt},
      {"3C5AE10F0", std::nullopt},         {"3C5 AE10F", std::nullopt},
      {"3C5A E10F ", std::nullopt},        {"3C5A, E10F", std::nullopt},
      {"3C5A-E10F", std::nullopt},         {"0x3C5AE10F", std::nullopt},
  };
  for (const auto& [text, sums] : cases) EXPECT_EQ(ParseChecksums(text), sums) << text;
}

TEST(FleetChecks, FirmwareAndChecksumsAgainstWhatWasRead) {
  const core::FirmwareReply read{"ORVEX-58 V2.15 ", "3C5A", "E10F"};
  EXPECT_EQ(CheckFirmware(read, "ORVEX-58 V2.15").result, CheckResult::Match);
  EXPECT_EQ(CheckFirmware(read, "ORVEX-58 V2.15   ").result, CheckResult::Match);
  EXPECT_EQ(CheckFirmware(read, "ORVEX-58 V2.1").result, CheckResult::Mismatch);
  EXPECT_EQ(CheckFirmware(read, "orvex-58 v2.15").result, CheckResult::Mismatch);
  EXPECT_EQ(CheckFirmware(std::nullopt, "ORVEX-58 V2.15").result, CheckResult::NoAnswer);
  EXPECT_EQ(CheckChecksums(read, {"3C5A", "E10F"}).result, CheckResult::Match);
  EXPECT_EQ(CheckChecksums(read, {"E10F", "3C5A"}).result, CheckResult::Mismatch);
  const cli::CheckRecord off = CheckChecksums(read, {"3C5A", "E10E"});
  EXPECT_EQ(off.read, "3C5A E10F");
  EXPECT_EQ(off.expected, "3C5A E10E");
}

TEST(FleetChecks, ClockToleranceHoldsEitherWay) {
  const core::LocalDateTime pc{2021, 12, 31, 23, 59, 30};
  const auto reading = [](const char* yy, const char* mo, const char* dd, const char* hh,
                          const char* mi, const char* ss) {
    core::DateTimeReply reply;
    reply.fields = {yy, mo, dd, hh, mi, ss};
    return reply;
  };
  const std::int64_t twoMinutes = 120;
  // 120 s behind and ahead match; a second more does not; across a year's end.
  EXPECT_EQ(cli::CheckClock(reading("21", "12", "31", "23", "57", "30"), pc, twoMinutes).result,
            CheckResult::Match);
  EXPECT_EQ(cli::CheckClock(reading("22", "01", "01", "00", "01", "30"), pc, twoMinutes).result,
            CheckResult::Match);
  EXPECT_EQ(cli::CheckClock(reading("21", "12", "31", "23", "57", "29"), pc, twoMinutes).result,
            CheckResult::Mismatch);
  EXPECT_EQ(cli::CheckClock(reading("22", "01", "01", "00", "01", "31"), pc, twoMinutes).result,
            CheckResult::Mismatch);
  core::DateTimeReply error;
  error.readError = true;
  EXPECT_EQ(cli::CheckClock(error, pc, twoMinutes).result, CheckResult::Unreadable);
}

TEST(FleetWorkbookNames, PrintersAndPeriodsNeverMeet) {
  const core::SearchPeriod march{{2005, 3, 1}, {2005, 3, 31}};
  EXPECT_EQ(PeriodWorkbookFileName("COM3", march), "COM3_2005-03-01_2005-03-31_Orvex_Report.xls");
  EXPECT_EQ(PeriodWorkbookFileName("/dev/ttyUSB0", {{2021, 1, 2}, {2021, 1, 2}}),
            "dev_ttyUSB0_2021-01-02_2021-01-02_Orvex_Report.xls");
  EXPECT_EQ(PortFileStem("/dev/serial/by-id/usb-FTDI:A5 0"), "dev_serial_by-id_usb-FTDI_A5_0");
  EXPECT_EQ(PortFileStem("/"), "port");
  EXPECT_THAT(WorkbookNameClashes({"COM1", "/dev/ttyUSB0", "COM2"}), ::testing::IsEmpty());
  EXPECT_THAT(WorkbookNameClashes({"/dev/a_b", "COM1", "/dev/a/b"}),
              ElementsAre("the workbooks of /dev/a_b and /dev/a/b would take one name "
                          "(dev_a_b_...): name one port otherwise"));
}

TEST(FleetCsv, OneRowPerPrinterWithNothingFromOutsideUnescaped) {
  EXPECT_EQ(CsvField("plain"), "plain");
  EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
  EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(CsvField(" padded "), "\" padded \"");
  EXPECT_EQ(CsvField("line\r\nbreak\x1b[2J"), "line\\x0D\\x0Abreak\\x1B[2J");

  FleetPrinterReport read;
  read.port = "COM1";
  read.device = "/dev/pts/3";
  read.online = true;
  read.variant = cli::Variant::Narrow18;
  read.firmware = core::FirmwareReply{"ORVEX, \\x1B ", "3C5A", "E10F"};
  read.totals = core::SummaryReply{4294967295u, 2, 3, 4};
  read.outcome = cli::Outcome::Succeeded;
  FleetPrinterReport silent;
  silent.port = "COM2";
  silent.outcome = cli::Outcome::Failed;
  silent.reason = "no answer to the variant query within 2.0 s";
  const std::string csv = ReadoutCsv({read, silent});
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = csv.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(csv.substr(at, end - at));
  }
  ASSERT_EQ(lines.size(), 3u) << csv;
  const auto columns = [](const std::string& line) {
    return std::count(line.begin(), line.end(), ',') + 1;
  };
  EXPECT_EQ(columns(lines[0]), 24);
  EXPECT_EQ(lines[1],
            "COM1,/dev/pts/3,succeeded,18 symbols,\"ORVEX, \\x1B\",3C5A,E10F,,,,,,,,,,,,,"
            "4294967295,2,3,4,");
  EXPECT_EQ(lines[2],
            "COM2,,failed,,,,,,,,,,,,,,,,,,,,,no answer to the variant query within 2.0 s");
}

}  // namespace
}  // namespace orvex::cli::fleet
