// One printer's provisioning on the virtual clock with the simulated
// printer: identification, the batch with its options, and read-back.
#include "cli/provision/provision_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "bench_host.h"
#include "bitmaps.h"
#include "cli/provision/report_json.h"
#include "cli/status_board.h"
#include "virtual_bench.h"

namespace orvex::cli::provision {
namespace {

namespace fs = std::filesystem;
using test::VirtualBench;
using ::testing::Contains;
using ::testing::HasSubstr;

using cli::CheckRecord;
using cli::CheckResult;
using cli::Outcome;
using cli::StatusBoard;
using test::BenchHost;
using test::EventLog;

std::uint8_t Stripes(int row, int) {
  return row % 2 ? 0xFF : 0x00;
}

class ProvisionRunTest : public ::testing::Test {
 protected:
  ProvisionRunTest() {
    bench.clock.now = {2015, 6, 30, 14, 5, 9};
    s.setup.multipliers = {"25", "100", "5", "2"};
    s.setup.printStatus.note = false;
    s.setup.printStatus.recordSearch = false;
    s.setup.Ticket(core::TicketKind::Coin)[0].text = "SHOP 12";
  }

  void Run(bool openPort = true) {
    if (openPort) bench.OpenPort();
    RunProvisioning(s, host, settings, report, sink);
  }

  const StepRecord& Step(int number) const {
    return report.steps[static_cast<std::size_t>(number - 1)];
  }
  std::vector<std::string> Results() const {
    std::vector<std::string> results;
    for (const StepRecord& step : report.steps) results.push_back(StepOutcomeName(step.result));
    return results;
  }
  static std::string Result(const StepRecord& step) { return StepOutcomeName(step.result); }
  const CheckRecord* Check(const std::string& item) const {
    for (const CheckRecord& check : report.checks) {
      if (check.item == item) return &check;
    }
    return nullptr;
  }

  VirtualBench bench;
  core::Session& s = bench.session();
  BenchHost host{bench};
  EventLog sink;
  ProvisionSettings settings;
  PrinterReport report;
};

TEST_F(ProvisionRunTest, HealthyPrinterIsSetUpAndVerified) {
  Run();
  EXPECT_EQ(report.outcome, Outcome::Succeeded) << report.reason << "\n" << bench.memo.Text();
  EXPECT_TRUE(report.online);
  EXPECT_EQ(report.variant, cli::Variant::Wide20);
  ASSERT_TRUE(report.firmware.has_value());
  EXPECT_FALSE(report.firmware->version.empty());
  EXPECT_EQ(Results(), (std::vector<std::string>{"done", "skipped", "done", "done", "done", "done",
                                                 "done", "skipped", "skipped", "skipped"}));
  EXPECT_EQ(Step(2).detail, "no --erase-records: the day records are kept");
  EXPECT_EQ(Step(8).detail, "no logo 1 in the setup");
  EXPECT_EQ(Step(5).detail, "Download coin format finished .");
  // Each step takes its one-second pause and, for a format, 268 bytes 10 ms apart.
  EXPECT_GE(Step(5).seconds, 1 + 2.67);
  EXPECT_LT(Step(5).seconds, 1 + 2.67 + 0.5);

  const CheckRecord* multipliers = Check("multipliers");
  ASSERT_NE(multipliers, nullptr);
  EXPECT_EQ(multipliers->result, CheckResult::Match);
  EXPECT_EQ(multipliers->read, "coin 25, note 100, payout 5, decimals 2");
  const CheckRecord* status = Check("print status");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->result, CheckResult::Match) << status->expected << " / " << status->read;
  const CheckRecord* clock = Check("clock");
  ASSERT_NE(clock, nullptr);
  EXPECT_EQ(clock->result, CheckResult::Match) << clock->read;
  for (const char* item : {"Coin Format", "Note Format", "Payout Format"}) {
    ASSERT_NE(Check(item), nullptr) << item;
    EXPECT_EQ(Check(item)->result, CheckResult::Acknowledged);
  }
  EXPECT_EQ(Check("Logo 1"), nullptr);
  // The printer really holds what was sent.
  EXPECT_EQ(bench.printer().multipliers(), (sim::Multipliers{25, 100, 5, 2}));
  EXPECT_THAT(sink.events, Contains(HasSubstr("step 5 Coin Format: done")));
  EXPECT_EQ(sink.activities.back(), "succeeded");
}

TEST_F(ProvisionRunTest, RecordsAreErasedOnlyWhenAskedFor) {
  settings.eraseRecords = true;
  Run();
  EXPECT_EQ(report.outcome, Outcome::Succeeded) << report.reason;
  EXPECT_EQ(Result(Step(2)), "done");
  EXPECT_THAT(Step(2).detail, HasSubstr("Erase record finished ."));
}

TEST_F(ProvisionRunTest, AYearThePrinterCannotHoldSkipsTheClockAndIsNoFailure) {
  bench.clock.now = {2026, 3, 4, 5, 6, 7};
  Run();
  EXPECT_EQ(report.outcome, Outcome::Succeeded) << report.reason;
  EXPECT_EQ(Result(Step(1)), "skipped");
  EXPECT_THAT(Step(1).detail, HasSubstr("Year must be smaller than 2022."));
  EXPECT_EQ(Check("clock"), nullptr);  // not set, so not compared
}

TEST_F(ProvisionRunTest, NoClockLeavesTheClockAlone) {
  settings.setClock = false;
  bench.ForgetSent();
  Run();
  EXPECT_EQ(report.outcome, Outcome::Succeeded) << report.reason;
  EXPECT_EQ(Result(Step(1)), "skipped");
  EXPECT_THAT(Step(1).detail, HasSubstr("--no-clock"));
  const auto sent = bench.SentBytes();
  for (std::size_t i = 0; i + 1 < sent.size(); ++i) {
    EXPECT_FALSE(sent[i] == core::ESC && sent[i + 1] == 0xF1) << "clock setting sent at " << i;
  }
  EXPECT_EQ(Check("clock"), nullptr);
}

TEST_F(ProvisionRunTest, LogosAreDownloadedAndReportedAcknowledged) {
  const fs::path folder = test::TempFolder("provision-logos");
  const fs::path logo = folder / "logo.bmp";
  test::WriteFile(logo, test::MonoBmpBytes(384, 3, Stripes));
  s.setup.logos[1] = {logo.string(), 3};
  Run();
  EXPECT_EQ(report.outcome, Outcome::Succeeded) << report.reason;
  EXPECT_EQ(Result(Step(9)), "done");
  EXPECT_THAT(Step(9).detail, HasSubstr("Download logo2 finished ."));
  ASSERT_NE(Check("Logo 2"), nullptr);
  EXPECT_EQ(Check("Logo 2")->result, CheckResult::Acknowledged);
  EXPECT_EQ(Result(Step(8)), "skipped");
  fs::remove_all(folder);
}

TEST_F(ProvisionRunTest, ALogoFileGoneSinceLoadingFailsItsStep) {
  s.setup.logos[0] = {"/nonexistent/logo.bmp", 3};
  Run();
  EXPECT_EQ(report.outcome, Outcome::Failed);
  EXPECT_EQ(Result(Step(8)), "failed");
  EXPECT_EQ(Step(8).detail, "Open file error !");
  EXPECT_THAT(report.reason, HasSubstr("step 8 Logo1"));
  // The batch goes on, and the rest is still verified.
  EXPECT_EQ(Result(Step(10)), "skipped");
  ASSERT_NE(Check("multipliers"), nullptr);
}

TEST_F(ProvisionRunTest, APrinterThatNeverAnnouncesFailsWithoutABatch) {
  settings.onlineWaitMs = 3000;
  bench.ForgetSent();
  Run(/*openPort=*/false);
  EXPECT_EQ(report.outcome, Outcome::Failed);
  EXPECT_FALSE(report.online);
  EXPECT_THAT(report.reason, HasSubstr("did not announce itself"));
  EXPECT_TRUE(bench.SentBytes().empty());
  EXPECT_EQ(Results(), std::vector<std::string>(10, "not run"));
}

TEST_F(ProvisionRunTest, APrinterThatNeverAnswersTheVariantQueryHasNoKnownVariant) {
  // It announces itself, but the variant query goes unanswered: the
  // four-tick fallback lets the session go on as for 18 symbols, which
  // nothing confirmed.
  VirtualBench::Options options;
  options.printer.variant = sim::Variant::Silent;
  VirtualBench silent(options);
  silent.clock.now = bench.clock.now;
  silent.session().setup = s.setup;
  BenchHost silentHost(silent);
  silent.OpenPort();
  RunProvisioning(silent.session(), silentHost, settings, report, sink);
  EXPECT_TRUE(report.online);
  EXPECT_EQ(report.variant, cli::Variant::Unknown);
  EXPECT_THAT(sink.events, Contains("online, variant unknown (no answer to the variant query)"));
}

TEST_F(ProvisionRunTest, ProbeFindsAPrinterWhoseAnnouncementWentUnheard) {
  settings.probe = true;
  Run(/*openPort=*/false);
  EXPECT_EQ(report.outcome, Outcome::Succeeded) << report.reason << "\n" << bench.memo.Text();
  EXPECT_TRUE(report.online);
}

TEST_F(ProvisionRunTest, AProbeNobodyAnswersFails) {
  settings.probe = true;
  settings.onlineWaitMs = 6000;
  bench.Unplug();
  Run(/*openPort=*/false);
  EXPECT_EQ(report.outcome, Outcome::Failed);
  EXPECT_THAT(report.reason, HasSubstr("no answer to the variant query"));
}

TEST_F(ProvisionRunTest, APrinterFallingSilentFailsItsStepAndLeavesTheRestUndone) {
  bench.When([this] { return s.pending.Has(core::Request::NoteFormat); },
             [this] { bench.Unplug(); });
  Run();
  EXPECT_EQ(report.outcome, Outcome::Failed);
  EXPECT_EQ(Result(Step(5)), "done");
  EXPECT_EQ(Result(Step(6)), "failed");
  EXPECT_THAT(Step(6).detail, HasSubstr("Communication Error !!"));
  for (int step = 7; step <= 10; ++step) EXPECT_EQ(Result(Step(step)), "not run");
  EXPECT_THAT(report.reason, HasSubstr("step 6 Note Format: failed"));
  EXPECT_TRUE(report.checks.empty());  // nothing is read back from a lost printer
}

TEST_F(ProvisionRunTest, GarbageInsteadOfTheMultipliersIsAMismatch) {
  bench.OpenPort();
  // Variant, firmware, clock, three formats: the seventh reply is the
  // multipliers' read-back.
  bench.printer().faults().everyNthReply = 7;
  bench.printer().faults().garbageReplies = 1;
  RunProvisioning(s, host, settings, report, sink);
  EXPECT_EQ(report.outcome, Outcome::Failed);
  const CheckRecord* multipliers = Check("multipliers");
  ASSERT_NE(multipliers, nullptr);
  EXPECT_EQ(multipliers->result, CheckResult::Mismatch);
  EXPECT_EQ(report.reason, "multipliers read back: mismatch");
  // The other read-backs still ran.
  ASSERT_NE(Check("print status"), nullptr);
  EXPECT_EQ(Check("print status")->result, CheckResult::Match);
}

TEST_F(ProvisionRunTest, AClockSettingThePrinterRefusesFailsTheStep) {
  bench.OpenPort();
  bench.printer().faults().everyNthReply = 3;  // variant, firmware, then the clock setting
  bench.printer().faults().garbageReplies = 1;
  bench.printer().faults().garbageLength = 1;
  RunProvisioning(s, host, settings, report, sink);
  EXPECT_EQ(Result(Step(1)), "failed");
  EXPECT_EQ(Step(1).detail,
            "PC date & time :  /        2015/06/30  14:05:09 / Set date & time Error .");
  EXPECT_EQ(report.outcome, Outcome::Failed);
  // Not set, so not compared with the PC.
  EXPECT_EQ(Check("clock"), nullptr);
}

TEST(StepNames, EachIsTheNameInItsOwnBatchLine) {
  // The report names the steps as their lines do: "STEP 5 : (Coin Format)".
  for (int number = 1; number <= core::kDownloadAllSteps; ++number) {
    const auto step = static_cast<core::DownloadAllStep>(number);
    EXPECT_THAT(core::DownloadAllStepLine(number),
                HasSubstr(std::string("(") + StepName(step) + ")"));
  }
}

// Several printers' sessions in threads of their own, as orvex-provision runs
// them: each must send and report exactly what a lone session does, so no
// state of the core may be shared between sessions.
TEST(ProvisionInParallel, SessionsInThreadsDoWhatOneDoesAlone) {
  struct Printer {
    VirtualBench bench;
    BenchHost host{bench};
    EventLog sink;
    PrinterReport report;
  };
  auto prepare = [](Printer& p) {
    p.bench.clock.now = {2015, 6, 30, 14, 5, 9};
    p.bench.session().setup.multipliers = {"7", "8", "9", "1"};
    p.bench.session().setup.Ticket(core::TicketKind::Payout)[2].text = "PAID";
    p.bench.OpenPort();
  };
  ProvisionSettings settings;
  settings.eraseRecords = true;

  Printer alone;
  prepare(alone);
  RunProvisioning(alone.bench.session(), alone.host, settings, alone.report, alone.sink);
  ASSERT_EQ(alone.report.outcome, Outcome::Succeeded) << alone.report.reason;

  std::vector<std::unique_ptr<Printer>> printers;
  for (int i = 0; i < 6; ++i) printers.push_back(std::make_unique<Printer>());
  for (auto& p : printers) prepare(*p);
  std::vector<std::thread> threads;
  for (auto& p : printers) {
    threads.emplace_back([&settings, printer = p.get()] {
      RunProvisioning(printer->bench.session(), printer->host, settings, printer->report,
                      printer->sink);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const auto& p : printers) {
    EXPECT_EQ(p->report.outcome, Outcome::Succeeded) << p->report.reason;
    EXPECT_EQ(p->bench.SentBytes(), alone.bench.SentBytes());
    EXPECT_EQ(p->bench.memo.lines, alone.bench.memo.lines);
    EXPECT_EQ(p->sink.events, alone.sink.events);
  }
}

TEST(ProvisionRunOutput, ControlBytesThePrinterSentNeverReachTheTerminalOrTheReport) {
  // A printer answering the firmware query with escape sequences that
  // retitle and clear a terminal; and a text from elsewhere (a process name
  // in a port problem) told to the board that the terminal shows.
  VirtualBench::Options options;
  options.printer.firmwareVersion = "\x1B]2;PWN\x07\x1B[2JV2";
  VirtualBench bench(options);
  bench.clock.now = {2015, 6, 30, 14, 5, 9};
  BenchHost host(bench);
  StatusBoard board({"COM1"});
  ProvisionSettings settings;
  settings.setClock = false;
  PrinterReport report;
  bench.OpenPort();
  RunProvisioning(bench.session(), host, settings, report, board.SinkFor(0));
  board.SinkFor(0).Activity("FAILED: in use by \x1B[2Jminicom");
  report.log = bench.memo.lines;
  RunReport run;
  run.printers.push_back(report);

  const std::string shown = "\\x1B]2;PWN\\x07\\x1B[2JV2";
  ASSERT_TRUE(report.firmware.has_value());
  EXPECT_EQ(report.firmware->version, shown + " ");
  const std::vector<std::string> events = board.TakeEvents();
  EXPECT_THAT(events, Contains(HasSubstr("COM1: firmware " + shown + ",")));
  EXPECT_THAT(bench.memo.lines, Contains("     " + shown + " "));
  const std::string json = ReportJson(run);
  EXPECT_THAT(json, HasSubstr(JsonString(shown + " ")));
  const auto rows = FormatRows(board.Rows(), 200, std::chrono::steady_clock::now());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_THAT(rows[0], HasSubstr("in use by \\x1B[2Jminicom"));

  std::vector<std::string> texts = events;
  texts.insert(texts.end(), bench.memo.lines.begin(), bench.memo.lines.end());
  texts.push_back(json);
  texts.push_back(rows[0]);
  for (const std::string& text : texts) {
    EXPECT_EQ(text.find_first_of("\x1B\x07"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace orvex::cli::provision
