// Download All on the virtual clock with the simulated printer.
#include "core/batch/download_all.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "bitmaps.h"
#include "core/link/link_control.h"
#include "virtual_bench.h"

namespace orvex::core {
namespace {

namespace fs = std::filesystem;
using test::VirtualBench;
using ::testing::Contains;
using ::testing::ElementsAre;

std::uint8_t Checker(int row, int column) {
  return (row + column) % 2 ? 0xF0 : 0x0F;
}

class DownloadAllTest : public ::testing::Test {
 protected:
  DownloadAllTest() {
    bench.clock.now = {2015, 6, 30, 14, 5, 9};
    bench.Connect();
    mark = bench.memo.LineCount();
  }

  void ChooseLogos() {
    const fs::path folder = test::TempFolder("batch-logos");
    const int heights[3] = {4, 2, 3};
    for (int slot = 1; slot <= 3; ++slot) {
      const fs::path path = folder / ("logo" + std::to_string(slot) + ".bmp");
      test::WriteFile(path, test::MonoBmpBytes(384, heights[slot - 1], Checker));
      s.setup.logos[static_cast<std::size_t>(slot - 1)] = {path.string(), heights[slot - 1]};
    }
  }

  std::vector<std::string> Lines() const { return bench.memo.From(mark); }
  // Lines starting with "STEP".
  std::vector<std::string> Steps() const {
    std::vector<std::string> steps;
    for (const auto& line : Lines()) {
      if (line.rfind("STEP", 0) == 0) steps.push_back(line);
    }
    return steps;
  }

  VirtualBench bench;
  Session& s = bench.session();
  int mark = 0;
};

const std::vector<std::string> kAllSteps = {
    "STEP 1 : (Date & Time)",    "STEP 2 : (Erase Record)", "STEP 3 : (Data mutiplier & Decimal)",
    "STEP 4 : (Printer status)", "STEP 5 : (Coin Format)",  "STEP 6 : (Note Format)",
    "STEP 7 : (Payout Format)",  "STEP 8 : (Logo1)",        "STEP 9 : (Logo2)",
    "STEP 10 : (Logo3)"};

TEST_F(DownloadAllTest, FullBatchRunsEveryStepInOrder) {
  ChooseLogos();
  s.setup.Ticket(TicketKind::Coin)[0].text = "COIN";
  DownloadAll(s);
  const auto lines = Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), "Download all part begin!!");
  EXPECT_EQ(Steps(), kAllSteps);
  EXPECT_EQ(lines[lines.size() - 2], "Download all part finished!!");
  EXPECT_EQ(lines.back(), "");
  for (const char* done :
       {"Set date & time finished .", "Erase record finished .",
        "Set data mutiplier & floating-point finished .", "Set print status finished .",
        "Download coin format finished .", "Download note format finished .",
        "Download payout format finished .", "Download logo1 finished .",
        "Download logo2 finished .", "Download logo3 finished ."}) {
    EXPECT_THAT(lines, Contains(std::string(done))) << bench.memo.Text();
  }
  // Each step's own lines come after its STEP line and before the next one.
  const auto at = [&lines](const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) - lines.begin();
  };
  EXPECT_LT(at("STEP 5 : (Coin Format)"), at("Download coin format finished ."));
  EXPECT_LT(at("Download coin format finished ."), at("STEP 6 : (Note Format)"));
  EXPECT_FALSE(s.state.busy);
  EXPECT_FALSE(s.pending.Any());
}

TEST_F(DownloadAllTest, NotOnlineRunsNoStep) {
  s.state.linkState = LinkState::Lost;
  bench.ForgetSent();
  DownloadAll(s);
  EXPECT_THAT(Lines(), ElementsAre("Download all part begin!!",
                                   "Can't detect printer, please check it .", ""));
  EXPECT_TRUE(bench.SentBytes().empty());
}

TEST_F(DownloadAllTest, NothingBeforeIdentification) {
  VirtualBench fresh;
  DownloadAll(fresh.session());
  EXPECT_TRUE(fresh.memo.lines.empty());
}

TEST_F(DownloadAllTest, WithoutLogosTheLogoStepsEndAtOpenFileError) {
  DownloadAll(s);
  EXPECT_EQ(Steps(), kAllSteps);
  EXPECT_THAT(bench.panel.messages,
              ElementsAre("Open file error !", "Open file error !", "Open file error !"));
  EXPECT_EQ(Lines()[Lines().size() - 2], "Download all part finished!!");
}

TEST_F(DownloadAllTest, CancelWhileTheCoinFormatWaits) {
  bench.When([this] { return s.pending.Has(Request::CoinFormat); }, [this] { CancelDownload(s); });
  DownloadAll(s);
  const auto lines = Lines();
  EXPECT_EQ(Steps().back(), "STEP 5 : (Coin Format)");
  ASSERT_GE(lines.size(), 4u);
  EXPECT_THAT(std::vector<std::string>(lines.end() - 4, lines.end()),
              ElementsAre("Download coin format finished .", "", "Data transfer interrupt .", ""));
}

TEST_F(DownloadAllTest, CancelDuringALogoStepStopsWithoutALineOfItsOwn) {
  ChooseLogos();
  bench.When([this] { return s.pending.Has(Request::Logo2); }, [this] { CancelDownload(s); });
  DownloadAll(s);
  EXPECT_EQ(Steps().back(), "STEP 9 : (Logo2)");
  const auto lines = Lines();
  EXPECT_THAT(std::vector<std::string>(lines.end() - 3, lines.end()),
              ElementsAre("Data transfer interrupt .", "Please reset printer and try again .", ""));
  EXPECT_FALSE(s.state.busy);
}

TEST_F(DownloadAllTest, CancelBeforeTheBatchHasNoEffect) {
  CancelDownload(s);
  DownloadAll(s);
  EXPECT_EQ(Steps(), kAllSteps);
  EXPECT_EQ(Lines()[Lines().size() - 2], "Download all part finished!!");
}

TEST_F(DownloadAllTest, ClockStepRefusedByItsGuardTheRestRuns) {
  bench.clock.now = {2026, 12, 9, 5, 0, 0};
  DownloadAll(s);
  EXPECT_EQ(Steps(), kAllSteps);
  EXPECT_THAT(Lines(), Contains(std::string("Year must be smaller than 2022.")));
  EXPECT_EQ(Lines()[Lines().size() - 2], "Download all part finished!!");
}

TEST_F(DownloadAllTest, PrinterFallingSilentInStepSixStopsTheBatch) {
  bench.When([this] { return s.pending.Has(Request::NoteFormat); }, [this] { bench.Unplug(); });
  DownloadAll(s);
  EXPECT_EQ(Steps().back(), "STEP 6 : (Note Format)");
  const auto lines = Lines();
  EXPECT_THAT(std::vector<std::string>(lines.end() - 5, lines.end()),
              ElementsAre("Timeout Detect : 90 sec", "Communication Error !!", "",
                          "Can't detect printer, please check it .", ""));
  EXPECT_EQ(s.state.linkState, LinkState::Lost);
}

TEST_F(DownloadAllTest, ASecondBatchWhileOneRunsIsRefused) {
  bool refused = false;
  bench.When([this] { return s.pending.Has(Request::Erase); },
             [this, &refused] {
               const int before = bench.memo.LineCount();
               DownloadAll(s);
               refused = bench.memo.From(before) ==
                         std::vector<std::string>{"Printer is busy right now .", ""};
             });
  DownloadAll(s);
  EXPECT_TRUE(refused);
  EXPECT_EQ(Steps(), kAllSteps);
}

// Records what the batch tells its observer.
class StepLog : public DownloadAllObserver {
 public:
  explicit StepLog(const VirtualBench& bench) : bench_(bench) {}
  void StepStarting(DownloadAllStep step) override {
    started.push_back(StepNumber(step));
    startedAtMs.push_back(bench_.now());
  }
  void StepFinished(DownloadAllStep step, StepResult result) override {
    finished.emplace_back(StepNumber(step), result);
  }

  const VirtualBench& bench_;
  std::vector<int> started;
  std::vector<std::int64_t> startedAtMs;
  std::vector<std::pair<int, StepResult>> finished;
};

using Results = std::vector<std::pair<int, StepResult>>;

TEST_F(DownloadAllTest, ObserverHearsEveryStepOfAFullBatchAsDone) {
  ChooseLogos();
  StepLog log(bench);
  DownloadAll(s, {true, true, &log});
  EXPECT_EQ(log.started, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  Results done;
  for (int step = 1; step <= 10; ++step) done.emplace_back(step, StepResult::Done);
  EXPECT_EQ(log.finished, done);
}

TEST_F(DownloadAllTest, DefaultOptionsKeepTheWindowsBytes) {
  // The window calls DownloadAll(session); the options' defaults must send
  // the very same bytes with the very same pauses.
  ChooseLogos();
  bench.ForgetSent();
  DownloadAll(s);
  const std::vector<test::SentByte> window = bench.sent();

  VirtualBench other;
  other.clock.now = bench.clock.now;
  other.Connect();
  other.session().setup = s.setup;
  other.ForgetSent();
  StepLog log(other);
  DownloadAll(other.session(), {true, true, &log});
  const std::vector<test::SentByte> observed = other.sent();
  ASSERT_EQ(window.size(), observed.size());
  // Both benches connected the same way, so equal bytes at equal offsets
  // from the first byte mean equal pauses.
  for (std::size_t i = 0; i < window.size(); ++i) {
    ASSERT_EQ(window[i].byte, observed[i].byte) << "byte " << i;
    ASSERT_EQ(window[i].atMs - window[0].atMs, observed[i].atMs - observed[0].atMs) << "byte " << i;
  }
}

TEST_F(DownloadAllTest, SkippedStepsSendNothingWriteNothingAndDoNotPause) {
  StepLog log(bench);
  bench.ForgetSent();
  DownloadAll(s, {false, false, &log});
  EXPECT_EQ(Steps(), std::vector<std::string>(kAllSteps.begin() + 2, kAllSteps.end()));
  ASSERT_GE(log.finished.size(), 2u);
  EXPECT_EQ(log.finished[0], std::make_pair(1, StepResult::Skipped));
  EXPECT_EQ(log.finished[1], std::make_pair(2, StepResult::Skipped));
  const auto sent = bench.SentBytes();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent[0], GS);  // the multipliers come first
  EXPECT_EQ(sent[1], 0xF6);
  // The skipped steps took no time at all: no pause after them.
  ASSERT_GE(log.startedAtMs.size(), 3u);
  EXPECT_EQ(log.startedAtMs[2], log.startedAtMs[0]);
  EXPECT_EQ(Lines()[Lines().size() - 2], "Download all part finished!!");
}

TEST_F(DownloadAllTest, StepResultsTellRefusalsFromAnswers) {
  // 2026 is past the printer's years; no logos are chosen.
  bench.clock.now = {2026, 1, 2, 3, 4, 5};
  StepLog log(bench);
  DownloadAll(s, {true, false, &log});
  EXPECT_EQ(log.finished, (Results{{1, StepResult::NotSent},
                                   {2, StepResult::Skipped},
                                   {3, StepResult::Done},
                                   {4, StepResult::Done},
                                   {5, StepResult::Done},
                                   {6, StepResult::Done},
                                   {7, StepResult::Done},
                                   {8, StepResult::NotSent},
                                   {9, StepResult::NotSent},
                                   {10, StepResult::NotSent}}));
}

TEST_F(DownloadAllTest, AnErrorAnswerIsRejectedAndTheBatchGoesOn) {
  // The printer answers the clock setting with garbage: "Set date & time Error .".
  bench.printer().faults().garbageReplies = 1;
  bench.printer().faults().garbageLength = 1;
  StepLog log(bench);
  DownloadAll(s, {true, false, &log});
  ASSERT_FALSE(log.finished.empty());
  EXPECT_EQ(log.finished[0], std::make_pair(1, StepResult::Rejected)) << bench.memo.Text();
  EXPECT_THAT(Lines(), Contains(std::string("Set date & time Error .")));
  EXPECT_EQ(log.finished.size(), 10u);
}

TEST_F(DownloadAllTest, SilenceIsNoAnswerAndTheStepsAfterItAreNotReported) {
  bench.When([this] { return s.pending.Has(Request::NoteFormat); }, [this] { bench.Unplug(); });
  StepLog log(bench);
  DownloadAll(s, {true, true, &log});
  ASSERT_EQ(log.finished.size(), 6u);
  EXPECT_EQ(log.finished[4], std::make_pair(5, StepResult::Done));
  EXPECT_EQ(log.finished[5], std::make_pair(6, StepResult::NoAnswer));
  EXPECT_EQ(log.started.back(), 6);
}

TEST_F(DownloadAllTest, CancelInALogoIsInterrupted) {
  ChooseLogos();
  bench.When([this] { return s.pending.Has(Request::Logo2); }, [this] { CancelDownload(s); });
  StepLog log(bench);
  DownloadAll(s, {true, true, &log});
  ASSERT_EQ(log.finished.size(), 9u);
  EXPECT_EQ(log.finished[7], std::make_pair(8, StepResult::Done));
  EXPECT_EQ(log.finished[8], std::make_pair(9, StepResult::Interrupted));
}

TEST(DownloadAllStepLines, NamesEveryStepAndNothingElse) {
  for (int step = 1; step <= kDownloadAllSteps; ++step) {
    EXPECT_EQ(DownloadAllStepLine(step), kAllSteps[static_cast<std::size_t>(step - 1)]);
  }
  EXPECT_STREQ(DownloadAllStepLine(0), "");
  EXPECT_STREQ(DownloadAllStepLine(11), "");
}

}  // namespace
}  // namespace orvex::core
