// One printer's part in an orvex-fleet run, on the virtual clock with the
// simulated printer: every task sends its menu item's bytes and the
// window's lines come back; the period workbook is the window's.
#include "cli/fleet/fleet_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "bench_host.h"
#include "bitmaps.h"
#include "cli/fleet/workbook_names.h"
#include "platform/workbook/embedded_spreadsheet.h"

namespace orvex::cli::fleet {
namespace {

namespace fs = std::filesystem;
using test::BenchHost;
using test::EventLog;
using test::VirtualBench;
using ::testing::Contains;
using ::testing::HasSubstr;
using Bytes = std::vector<std::uint8_t>;

struct FleetBench {
  explicit FleetBench(VirtualBench::Options options = {}) : bench(options) {
    bench.clock.now = {2015, 6, 30, 14, 5, 9};
    settings.identify.probe = false;
    settings.period = {{2005, 3, 7}, {2005, 3, 9}};
  }
  void Run(std::vector<Task> tasks, const SavedWorkbook& saved = {}) {
    settings.tasks = std::move(tasks);
    bench.OpenPort();
    RunFleetPrinter(bench.session(), host, settings, report, sink, saved);
  }
  // What went to the printer after the variant query that the
  // announcement asked.
  Bytes SentAfterIdentifying() const {
    const Bytes sent = bench.SentBytes();
    if (sent.size() < 2 || sent[0] != core::ESC || sent[1] != 0xA0) return {0xEE};
    return {sent.begin() + 2, sent.end()};
  }

  VirtualBench bench;
  BenchHost host{bench};
  EventLog sink;
  FleetSettings settings;
  FleetPrinterReport report;
};

TEST(FleetRun, EachTaskSendsItsMenuItemsBytesAndGetsTheWindowsLine) {
  struct Case {
    Task task;
    Bytes request;
    std::string line;
  };
  const Case cases[] = {
      {Task::Firmware, {core::GS, 0xF9}, "     ORVEX-58 V2.15 "},
      {Task::Clock, {core::ESC, 0xF0}, "Date & Time :"},
      {Task::Multipliers, {core::GS, 0xF5}, "Data has no floating-point ."},
      {Task::PrintStatus, {core::GS, 0xF7}, "Print date format is YY/MM/DD ."},
      {Task::Totals, {core::ESC, 0xF4}, "Total TicketOut : 3642"},
      {Task::CoinTicket, {core::ESC, 0xFA}, "Print coin ticket finished ."},
      {Task::NoteTicket, {core::ESC, 0xFB}, "Print note ticket finished ."},
      {Task::PayoutTicket, {core::ESC, 0xFC}, "Print payout ticket finished ."},
      {Task::DailyReport, {core::GS, 0xF0}, "Print daily report finished ."},
      {Task::HistoryReport, {core::GS, 0xF1}, "Print daily history report finished ."},
      {Task::FullCut, {core::ESC, 0xF5}, "Test full cut finished ."},
      {Task::PartCut, {core::ESC, 0xF6}, "Test part cut finished ."},
      {Task::DateFormatYYMMDD, {core::ESC, 0xF9, '0'}, "Date format is now YY/MM/DD ."},
      {Task::DateFormatDDMMYY, {core::ESC, 0xF9, '1'}, "Date format is now DD/MM/YY ."},
      {Task::DateFormatMMDDYY, {core::ESC, 0xF9, '2'}, "Date format is now MM/DD/YY ."},
      {Task::DateFormatYYDDMM, {core::ESC, 0xF9, '3'}, "Day format is now YY/DD/MM ."},
      {Task::SerialNumberOn, {core::ESC, 0xE6, 0x01}, "Enable Printe Serial Number."},
      {Task::SerialNumberOff, {core::ESC, 0xE6, 0x00}, "Disable Printe Serial Number."},
      {Task::RecordSearch,
       {core::GS, 0xF2, 5, 3, 7, 5, 3, 9},
       "The begining date Orvex selected :"},
  };
  const fs::path folder = test::TempFolder("fleet-tasks");
  for (const Case& c : cases) {
    SCOPED_TRACE(TaskName(c.task));
    FleetBench f;
    platform::workbook::EmbeddedSpreadsheet writer(folder.string() + "/");
    std::optional<std::string> saved;
    writer.SetSavedListener([&saved](const std::string& path) { saved = path; });
    f.bench.UseSpreadsheet(writer);
    f.Run({c.task}, [&saved] { return saved; });
    EXPECT_EQ(f.report.outcome, cli::Outcome::Succeeded) << f.report.reason;
    ASSERT_EQ(f.report.tasks.size(), 1u);
    EXPECT_EQ(f.report.tasks[0].result, TaskResult::Done);
    EXPECT_EQ(f.SentAfterIdentifying(), c.request);
    EXPECT_THAT(f.bench.memo.lines, Contains(c.line));
    EXPECT_THAT(f.report.tasks[0].detail, HasSubstr(c.line.substr(c.line.find_first_not_of(' '))));
  }
  fs::remove_all(folder);
}

TEST(FleetRun, ReadOutsAreTakenAsTypedValues) {
  VirtualBench::Options options;
  options.printer.dateFormat = 1;
  FleetBench f(options);
  f.Run(ReadOuts());
  ASSERT_EQ(f.report.outcome, cli::Outcome::Succeeded) << f.report.reason;
  ASSERT_TRUE(f.report.firmware && f.report.clock && f.report.multipliers && f.report.printStatus &&
              f.report.totals);
  EXPECT_EQ(f.report.firmware->checksum1, "3C5A");
  // The printer's clock started at the bench's moment and ran on since.
  EXPECT_EQ(f.report.clock->printer.fields[0], "15");
  EXPECT_EQ(f.report.printStatus->dateFormat, 1);
  EXPECT_EQ(f.report.totals->ticketsOut, 3642u);
  EXPECT_EQ(f.report.variant, cli::Variant::Wide20);
}

TEST(FleetRun, NoPaperFailsThePrintAndTheNextOneIsStillAsked) {
  VirtualBench::Options options;
  options.printer.outOfPaper = true;
  FleetBench f(options);
  f.Run({Task::CoinTicket, Task::FullCut});
  EXPECT_EQ(f.report.outcome, cli::Outcome::Failed);
  EXPECT_EQ(f.report.tasks[0].result, TaskResult::Failed);
  EXPECT_EQ(f.report.tasks[0].problem, "no paper, or the printer is busy");
  EXPECT_THAT(f.report.tasks[0].detail, HasSubstr("Printer have no paper or busy ."));
  EXPECT_EQ(f.report.tasks[1].result, TaskResult::Done);
  EXPECT_EQ(f.report.reason, "coin-ticket: no paper, or the printer is busy");
}

TEST(FleetRun, APrinterFallingSilentLeavesTheRestNotRun) {
  FleetBench f;
  f.bench.When([&f] { return cli::RequestPending(f.bench.session()); }, [&f] { f.bench.Unplug(); });
  f.Run({Task::Firmware, Task::Clock, Task::Totals});
  EXPECT_EQ(f.report.outcome, cli::Outcome::Failed);
  EXPECT_EQ(f.report.tasks[0].result, TaskResult::Failed);
  EXPECT_EQ(f.report.tasks[0].problem, "no answer within 90 s");
  EXPECT_THAT(f.report.tasks[0].detail, HasSubstr("Communication Error !!"));
  EXPECT_EQ(f.report.tasks[1].result, TaskResult::NotRun);
  EXPECT_EQ(f.report.tasks[2].result, TaskResult::NotRun);
  EXPECT_EQ(f.report.reason, "firmware: no answer within 90 s");
}

TEST(FleetRun, AStopLetsTheRequestUnderWayEndAndNamesWhatWasNotDone) {
  FleetBench f;
  f.bench.When([&f] { return cli::RequestPending(f.bench.session()); },
               [&f] { f.host.stop = true; });
  f.Run({Task::CoinTicket, Task::NoteTicket, Task::FullCut});
  EXPECT_EQ(f.report.outcome, cli::Outcome::Interrupted);
  EXPECT_EQ(f.report.tasks[0].result, TaskResult::Done);
  EXPECT_EQ(f.report.reason, "stopped by a signal; not done: note-ticket, full-cut");
  EXPECT_EQ(f.SentAfterIdentifying(), (Bytes{core::ESC, 0xFA}));
}

TEST(FleetRun, ChecksFailOnlyWhatDoesNotMatch) {
  FleetBench f;
  f.settings.expect.firmware = "ORVEX-58 V2.15";
  f.settings.expect.checksums = std::array<std::string, 2>{"3C5A", "E10E"};
  f.settings.expect.clockToleranceMinutes = 1;
  f.Run({Task::Firmware, Task::Clock});
  ASSERT_EQ(f.report.checks.size(), 3u);
  EXPECT_EQ(f.report.checks[0].result, cli::CheckResult::Match);
  EXPECT_EQ(f.report.checks[1].result, cli::CheckResult::Mismatch);
  EXPECT_EQ(f.report.checks[2].result, cli::CheckResult::Match);
  EXPECT_EQ(f.report.outcome, cli::Outcome::Failed);
  EXPECT_EQ(f.report.reason, "checksums: mismatch (read 3C5A E10F, expected 3C5A E10E)");
}

TEST(FleetRun, ThePeriodWorkbookIsTheOneTheWindowWrites) {
  const fs::path folder = test::TempFolder("fleet-workbook");
  fs::create_directories(folder / "window");
  fs::create_directories(folder / "fleet");

  // The window: "Search & Print" with the same period, its own writer.
  VirtualBench window;
  window.clock.now = {2015, 6, 30, 14, 5, 9};
  platform::workbook::EmbeddedSpreadsheet windowWriter((folder / "window").string() + "/");
  std::string windowFile;
  windowWriter.SetSavedListener([&windowFile](const std::string& path) { windowFile = path; });
  window.UseSpreadsheet(windowWriter);
  window.Connect();
  core::SearchAndPrint(window.session(), {{2005, 3, 1}, {2005, 3, 31}});
  window.RunUntil([&window] { return !cli::RequestPending(window.session()); }, 60000);
  ASSERT_FALSE(windowFile.empty()) << window.memo.Text();

  FleetBench f;
  f.settings.period = {{2005, 3, 1}, {2005, 3, 31}};
  const std::string fleetFolder = (folder / "fleet").string() + "/";
  platform::workbook::EmbeddedSpreadsheet writer(fleetFolder);
  std::optional<std::string> saved;
  writer.SetSavedListener([&saved](const std::string& path) { saved = path; });
  FleetWorkbook named(writer, fleetFolder, PeriodWorkbookFileName("COM3", f.settings.period));
  f.bench.UseSpreadsheet(named);
  f.Run({Task::RecordSearch}, [&saved] { return std::exchange(saved, std::nullopt); });

  ASSERT_EQ(f.report.outcome, cli::Outcome::Succeeded) << f.report.reason;
  ASSERT_TRUE(f.report.records && f.report.records->workbook);
  EXPECT_EQ(*f.report.records->workbook,
            fleetFolder + "COM3_2005-03-01_2005-03-31_Orvex_Report.xls");
  EXPECT_EQ(f.report.records->selectedEnd.day, 31);
  EXPECT_EQ(test::ReadFile(*f.report.records->workbook), test::ReadFile(windowFile));
  EXPECT_THAT(f.bench.memo.lines, Contains("Finish outputing EXCEL file."));

  // The same name again: the first file stays, the second goes beside it.
  FleetBench again;
  again.settings.period = f.settings.period;
  again.bench.UseSpreadsheet(named);
  again.Run({Task::RecordSearch}, [&saved] { return std::exchange(saved, std::nullopt); });
  ASSERT_TRUE(again.report.records && again.report.records->workbook);
  EXPECT_EQ(*again.report.records->workbook,
            fleetFolder + "COM3_2005-03-01_2005-03-31_Orvex_Report (2).xls");
  fs::remove_all(folder);
}

TEST(FleetRun, NoRecordsIsNoWorkbookAndNoFailure) {
  VirtualBench::Options options;
  options.printer.records.reset();
  FleetBench f(options);
  f.Run({Task::RecordSearch}, [] { return std::optional<std::string>(); });
  EXPECT_EQ(f.report.outcome, cli::Outcome::Succeeded) << f.report.reason;
  ASSERT_TRUE(f.report.records);
  EXPECT_FALSE(f.report.records->found);
  EXPECT_FALSE(f.report.records->workbook);
  EXPECT_THAT(f.report.tasks[0].detail, HasSubstr("No record be found ."));
}

}  // namespace
}  // namespace orvex::cli::fleet
