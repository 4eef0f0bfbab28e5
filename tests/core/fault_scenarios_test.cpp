// The tool against a printer and a line that misbehave: one scenario per
// fault of the simulated printer, each ending with the tool still at work.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "bitmaps.h"
#include "core/commands/actions.h"
#include "core/commands/queries.h"
#include "core/formats/format_download.h"
#include "core/link/link_control.h"
#include "core/link/stuck_watch.h"
#include "core/logos/logo_download.h"
#include "core/records/record_search.h"
#include "fakes.h"
#include "sim/model/day_records.h"
#include "virtual_bench.h"

namespace orvex::core {
namespace {

namespace fs = std::filesystem;
using test::VirtualBench;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::StartsWith;

const std::vector<std::string> kFirmwareLines = {
    "Firmware version :", "     ORVEX-58 V2.15 ", "", "Checksum :", "   3C5A", "   E10F"};
const std::vector<std::string> kTimedOut = {"Timeout Detect : 90 sec", "Communication Error !!",
                                            ""};

std::string Hex2(std::uint8_t a, std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X", a, b);
  return text;
}

std::uint8_t Stripes(int row, int column) {
  return static_cast<std::uint8_t>(row % 2 ? 0xAA : column);
}

class FaultScenarioTest : public ::testing::Test {
 protected:
  explicit FaultScenarioTest(sim::PrinterOptions printer = {}) : bench(MakeOptions(printer)) {
    bench.Connect();
    mark = bench.memo.LineCount();
  }
  static VirtualBench::Options MakeOptions(sim::PrinterOptions printer) {
    VirtualBench::Options options;
    options.printer = printer;
    return options;
  }

  bool Idle() const { return !s.state.busy && !s.pending.Any(); }
  void Settle() {
    ASSERT_TRUE(bench.RunUntil([this] { return Idle(); }, 200000));
  }
  bool Shows(const std::string& line) const {
    const auto& l = bench.memo.lines;
    return std::find(l.begin() + mark, l.end(), line) != l.end();
  }
  std::vector<std::string> Lines() const { return bench.memo.From(mark); }
  void NextMark() { mark = bench.memo.LineCount(); }

  // The printer restarts (power cycled, say): silent for a moment, then it
  // announces itself. The tool takes the announcement only while the link
  // is not online.
  void RestartPrinter(int downMs = 500) { bench.printer().HangUp(bench.now(), downMs); }

  // The check at the end of every scenario: the tool is idle and online and
  // the next commands work.
  void ExpectToolStillWorks() {
    ASSERT_TRUE(Idle());
    ASSERT_EQ(s.state.linkState, LinkState::Online);
    NextMark();
    ReadFirmwareVersion(s);
    Settle();
    EXPECT_THAT(Lines(), ElementsAreArray(kFirmwareLines)) << bench.memo.Text();
    NextMark();
    DownloadNoteFormat(s);
    Settle();
    EXPECT_THAT(Lines(), ElementsAre("Download note format finished .", ""));
  }

  std::string MakeLogo(const std::string& name, int height) {
    const fs::path path = test::TempFolder("fault-logos") / name;
    test::WriteFile(path, test::MonoBmpBytes(384, height, Stripes));
    return path.string();
  }

  VirtualBench bench;
  Session& s = bench.session();
  int mark = 0;
};

TEST_F(FaultScenarioTest, DroppedReplyTimesOutAndTheLinkIsLostUntilTheNextAnnouncement) {
  bench.printer().faults().dropReplies = 1;
  ReadFirmwareVersion(s);
  bench.RunFor(45500);
  EXPECT_THAT(Lines(), ElementsAre("Timeout Detect : 45 sec"));
  EXPECT_TRUE(s.pending.Has(Request::Firmware));
  ASSERT_TRUE(bench.RunUntil([this] { return s.state.linkState == LinkState::Lost; }, 50000));
  EXPECT_THAT(Lines(), ElementsAreArray(kTimedOut));
  EXPECT_TRUE(Idle());
  EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
  EXPECT_TRUE(bench.TimerEnabled(TimerId::OfflineCount));
  EXPECT_EQ(bench.panel.gauge.back(), 0);
  EXPECT_EQ(bench.printer().faultLog().dropped, 1);

  // While lost, a query still goes out and is answered; a download is refused.
  NextMark();
  ReadFirmwareVersion(s);
  Settle();
  EXPECT_THAT(Lines(), ElementsAreArray(kFirmwareLines));
  NextMark();
  DownloadCoinFormat(s);
  EXPECT_THAT(Lines(), ElementsAre("Can't detect printer, please check it .", ""));
  EXPECT_EQ(bench.printer().received().formatDownloads[0], 0);

  // The printer announces itself again: online, asked for its variant anew.
  NextMark();
  RestartPrinter();
  ASSERT_TRUE(bench.RunUntil(
      [this] { return s.state.identifyStep == 0 && Shows("Orvex is online ."); }, 5000));
  EXPECT_THAT(Lines(), ElementsAre("Orvex is online ."));
  EXPECT_EQ(bench.printer().received().variantQueries, 2);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::OfflineCount));
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, SplitFirmwareReplyEndsTheRequestOnItsFirstPart) {
  // A record search first leaves its bytes where the firmware reply's
  // checksums lie.
  SearchAndPrint(s, {{2005, 3, 1}, {2005, 3, 3}});
  Settle();
  const std::uint8_t stale[4] = {s.rx[15], s.rx[16], s.rx[17], s.rx[18]};
  ASSERT_NE(Hex2(stale[0], stale[1]), "3C5A");

  NextMark();
  bench.printer().faults().splitReplies = 1;
  bench.printer().faults().splitAfterBytes = 5;
  ReadFirmwareVersion(s);
  ASSERT_TRUE(bench.RunUntil([this] { return !s.pending.Has(Request::Firmware); }, 5000));
  EXPECT_EQ(s.rx.ReadLength(), 5u);
  EXPECT_FALSE(s.state.busy);
  EXPECT_THAT(Lines(), ElementsAre("Firmware version :", "     ORVEX", "",
                                   "Checksum :", "   " + Hex2(stale[0], stale[1]),
                                   "   " + Hex2(stale[2], stale[3])));

  // The rest comes as a read of its own that answers nothing.
  NextMark();
  ASSERT_TRUE(bench.RunUntil([this] { return s.rx.ReadLength() == 14; }, 5000));
  EXPECT_EQ(s.rx[0], '-');
  EXPECT_THAT(Lines(), IsEmpty());
  EXPECT_TRUE(Idle());
  ExpectToolStillWorks();
}

// A seed whose garbage begins with a byte that passes the test; the second
// byte is kept clear of the announcement.
std::uint64_t GarbageSeed(const std::function<bool(std::uint8_t)>& firstByte, int length) {
  for (std::uint64_t seed = 1;; ++seed) {
    const std::vector<std::uint8_t> bytes = sim::GarbageBytes(seed, length);
    if (firstByte(bytes[0]) && bytes[1] != 0x26) return seed;
  }
}

TEST_F(FaultScenarioTest, GarbageIsTakenAsTheTestPrintResult) {
  struct Case {
    std::function<bool(std::uint8_t)> firstByte;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {[](std::uint8_t b) { return b == 0; },
       {"Timeout Detect : 1 sec", "Printer have no paper or busy .", ""}},
      {[](std::uint8_t b) { return b == 1; },
       {"Timeout Detect : 1 sec", "Print coin ticket finished .", ""}},
      {[](std::uint8_t b) { return b > 1 && b != 0x77 && b != 0x26; }, {"Timeout Detect : 1 sec"}},
  };
  for (const Case& c : cases) {
    NextMark();
    bench.printer().faults().garbageReplies = 1;
    bench.printer().faults().garbageLength = 6;
    bench.printer().faults().garbageSeed = GarbageSeed(c.firstByte, 6);
    PrintCoinTestTicket(s);
    Settle();
    EXPECT_THAT(Lines(), ElementsAreArray(c.lines))
        << "garbage begins " << int{bench.printer().faultLog().lastGarbage.at(0)};
    EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
    EXPECT_EQ(s.rx.ReadLength(), 6u);
  }
  EXPECT_EQ(bench.printer().faultLog().garbled, 3);
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, GarbageToAFormatDownloadLeavesItWaitingUntilTheTimeout) {
  bench.printer().faults().garbageReplies = 1;
  bench.printer().faults().garbageLength = 3;
  bench.printer().faults().garbageSeed =
      GarbageSeed([](std::uint8_t b) { return b != 0xAA && b != 0x77 && b != 0x26; }, 3);
  DownloadCoinFormat(s);
  bench.RunFor(2000);
  EXPECT_TRUE(s.pending.Has(Request::CoinFormat));
  EXPECT_EQ(bench.printer().faultLog().garbled, 1);
  ASSERT_TRUE(bench.RunUntil([this] { return !s.pending.Has(Request::CoinFormat); }, 100000));
  EXPECT_THAT(Lines(), ElementsAreArray(kTimedOut));
  RestartPrinter();
  ASSERT_TRUE(bench.RunUntil([this] { return s.state.linkState == LinkState::Online; }, 5000));
  bench.RunFor(500);
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, DoubledReplyIsIgnoredOnceTheRequestEnded) {
  bench.printer().faults().doubledReplies = 1;
  ReadFirmwareVersion(s);
  ASSERT_TRUE(bench.RunUntil([this] { return Idle(); }, 5000));
  EXPECT_THAT(Lines(), ElementsAreArray(kFirmwareLines));
  NextMark();
  bench.RunFor(1000);
  EXPECT_EQ(bench.printer().faultLog().doubled, 1);
  EXPECT_THAT(Lines(), IsEmpty());
  EXPECT_TRUE(Idle());
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, DoubledReplyIsTakenByARequestStartedBeforeItCame) {
  // The tool has no framing: a copy that arrives while the next request
  // waits is that request's reply.
  bench.printer().faults().doubledReplies = 1;
  bench.When([this] { return bench.printer().faultLog().doubled == 1 && Idle(); },
             [this] {
               NextMark();
               ReadPrintStatus(s);
             });
  PrintCoinTestTicket(s);
  ASSERT_TRUE(bench.RunUntil([this] { return s.pending.Has(Request::PrintStatus); }, 5000));
  Settle();
  EXPECT_THAT(Lines(),
              ElementsAre("Print coin ticket .", "Won't print note ticket .",
                          "Won't print payout ticket .", "Print date format is YY/MM/DD .",
                          "Won't print symbol on payout-ticket .", "Not Print Record Search.", ""));
  // The real status (0x67) comes after and is ignored.
  NextMark();
  bench.RunFor(1000);
  EXPECT_EQ(s.rx[0], 0x67);
  EXPECT_THAT(Lines(), IsEmpty());
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, MaintenanceRunDuringAFormatDownloadFreesItsBusy) {
  bench.printer().faults().maintenanceRuns = 1;
  DownloadCoinFormat(s);
  ASSERT_TRUE(s.pending.Has(Request::CoinFormat));

  ASSERT_TRUE(bench.RunUntil([this] { return Shows("Renew records now :"); }, 5000));
  EXPECT_TRUE(s.state.busy);
  EXPECT_THAT(Lines(), ElementsAre("Renew records now :", "Last erase date : 2005/01/09", "1"));
  // Busy while the printer renews its records: another command is refused.
  ReadPrinterClock(s);
  EXPECT_THAT(Lines(), ElementsAre("Renew records now :", "Last erase date : 2005/01/09", "1",
                                   "Printer is busy right now .", ""));

  ASSERT_TRUE(bench.RunUntil([this] { return Shows("Renew records finished ."); }, 5000));
  // 0x33 clears busy although the download still waits for its 0xAA.
  EXPECT_FALSE(s.state.busy);
  EXPECT_TRUE(s.pending.Has(Request::CoinFormat));
  ASSERT_TRUE(bench.RunUntil([this] { return !s.pending.Has(Request::CoinFormat); }, 5000));
  EXPECT_THAT(Lines(),
              ElementsAre("Renew records now :", "Last erase date : 2005/01/09",
                          "Now write record : 2005/03/31", "Printer is busy right now .", "",
                          "Renew records finished .", "", "Download coin format finished .", ""));
  EXPECT_TRUE(Idle());
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, MaintenanceRunDuringAQueryIsTakenAsItsReply) {
  bench.printer().faults().maintenanceRuns = 1;
  ReadFirmwareVersion(s);
  ASSERT_TRUE(bench.RunUntil([this] { return Shows("Renew records finished ."); }, 5000));
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 11u) << bench.memo.Text();
  EXPECT_EQ(lines[0], "Renew records now :");
  EXPECT_EQ(lines[1], "Last erase date : 2005/01/09");
  EXPECT_EQ(lines[2], "Now write record : 2005/03/31");
  // The first report's read ended the query (its flag and busy cleared).
  EXPECT_EQ(lines[3], "Firmware version :");
  EXPECT_EQ(lines[4], "     w\\x11\\x05\\x01\\x09");  // the report's bytes, control bytes as codes
  EXPECT_EQ(lines[6], "Checksum :");
  EXPECT_EQ(lines[9], "Renew records finished .");
  EXPECT_TRUE(Idle());
  // The real reply arrives with nothing outstanding and writes nothing.
  NextMark();
  bench.RunFor(1000);
  EXPECT_EQ(s.rx.ReadLength(), 19u);
  EXPECT_THAT(Lines(), IsEmpty());
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, PrinterRestartCuttingARecordRenewalShortFreesTheTool) {
  // The run's end (0x33) never comes; the printer's announcement says it
  // has restarted, so the renewal it reported is over.
  EraseRecords(s);
  ASSERT_TRUE(bench.RunUntil([this] { return Shows("Renew records now :"); }, 5000));
  ASSERT_TRUE(s.state.busy);
  RestartPrinter(300);
  bench.RunFor(kReplyTimeoutSeconds * 1000 + 10000);
  EXPECT_FALSE(Shows("Renew records finished ."));
  EXPECT_FALSE(Shows("Orvex is online ."));  // the link never went down
  EXPECT_TRUE(Idle());
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, ARenewalWhoseEndNeverComesEndsAfterNinetySecondsOfSilence) {
  // The run's start arrives; its end (0x33) is lost on the line.
  bench.Deliver({0x77, 0x11, 0x05, 0x01, 0x09});
  ASSERT_TRUE(s.state.busy);
  bench.RunFor(30000);
  ReadPrinterClock(s);
  // A progress report is no silence: the count starts again from it.
  bench.Deliver({0x77, 0x22, 0x05, 0x02, 0x0A});
  const std::int64_t lastReport = bench.now();
  bench.RunFor(89000);
  EXPECT_TRUE(s.state.busy);
  ASSERT_TRUE(bench.RunUntil([this] { return !s.state.busy; }, 2000));
  EXPECT_GE(bench.now() - lastReport, 90000);
  EXPECT_LE(bench.now() - lastReport, 91000);
  EXPECT_THAT(Lines(), ElementsAre("Renew records now :", "Last erase date : 2005/01/09",
                                   "Now write record : 2005/02/10", "Printer is busy right now .",
                                   "", kRenewalUnfinished, ""));
  EXPECT_EQ(s.state.linkState, LinkState::Online);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::StuckWatch));

  // A late report is handled as ever.
  NextMark();
  bench.Deliver({0x77, 0x22, 0x05, 0x02, 0x0B});
  bench.Deliver({0x77, 0x33, 0x05, 0x02, 0x0B});
  EXPECT_THAT(Lines(), ElementsAre("Renew records finished .", ""));
  EXPECT_EQ(bench.memo.lines[static_cast<std::size_t>(s.progressLine)],
            "Now write record : 2005/02/11");
  EXPECT_FALSE(s.state.busy);
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, ARequestWhoseTimeoutAnotherReplyStoppedEndsInTheTimeoutsReset) {
  // A renewal's end frees busy while a format download waits for its 0xAA,
  // which never comes (garbage instead); a query then goes out, and its
  // reply stops the one reply timeout. The download would wait for ever.
  bench.printer().faults().maintenanceRuns = 1;
  bench.printer().faults().garbageReplies = 1;
  bench.printer().faults().garbageLength = 3;
  bench.printer().faults().garbageSeed =
      GarbageSeed([](std::uint8_t b) { return b != 0xAA && b != 0x77 && b != 0x26; }, 3);
  DownloadCoinFormat(s);
  ASSERT_TRUE(bench.RunUntil([this] { return bench.printer().faultLog().garbled == 1; }, 5000));
  bench.RunFor(1000);
  ASSERT_TRUE(Shows("Renew records finished ."));
  ASSERT_FALSE(s.state.busy);
  ASSERT_TRUE(s.pending.Has(Request::CoinFormat));

  NextMark();
  ReadFirmwareVersion(s);
  ASSERT_TRUE(bench.RunUntil([this] { return !s.pending.Has(Request::Firmware); }, 5000));
  EXPECT_THAT(Lines(), ElementsAreArray(kFirmwareLines));
  EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
  EXPECT_TRUE(s.pending.Has(Request::CoinFormat));
  const std::int64_t stopped = bench.now();

  NextMark();
  bench.RunFor(89000);
  EXPECT_TRUE(s.pending.Has(Request::CoinFormat));
  EXPECT_THAT(Lines(), IsEmpty());
  ASSERT_TRUE(bench.RunUntil([this] { return !s.pending.Has(Request::CoinFormat); }, 2000));
  EXPECT_GE(bench.now() - stopped, 90000);
  EXPECT_LE(bench.now() - stopped, 91000);
  EXPECT_THAT(Lines(), ElementsAreArray({"Communication Error !!", ""}));
  EXPECT_TRUE(Idle());
  EXPECT_EQ(s.state.linkState, LinkState::Lost);
  EXPECT_TRUE(bench.TimerEnabled(TimerId::OfflineCount));
  EXPECT_EQ(bench.panel.gauge.back(), 0);
  bench.RunFor(2000);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::StuckWatch));

  NextMark();
  RestartPrinter();
  ASSERT_TRUE(bench.RunUntil([this] { return s.state.linkState == LinkState::Online; }, 5000));
  bench.RunFor(500);
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, ARequestStartedMeanwhileKeepsItsOwnTimeoutLine) {
  // While a request freed by a renewal waits uncovered, another request
  // has its reply timeout as designed: counted on its own line from 1, and
  // its reset clears both.
  bench.printer().faults().maintenanceRuns = 1;
  bench.printer().faults().garbageReplies = 1;
  bench.printer().faults().garbageLength = 3;
  bench.printer().faults().garbageSeed =
      GarbageSeed([](std::uint8_t b) { return b != 0xAA && b != 0x77 && b != 0x26; }, 3);
  DownloadNoteFormat(s);
  ASSERT_TRUE(bench.RunUntil([this] { return bench.printer().faultLog().garbled == 1; }, 5000));
  bench.RunFor(1000);
  ReadFirmwareVersion(s);
  ASSERT_TRUE(bench.RunUntil([this] { return !s.pending.Has(Request::Firmware); }, 5000));
  bench.RunFor(30000);

  NextMark();
  bench.printer().faults().dropReplies = 1;
  ReadSummaryTotals(s);
  bench.RunFor(2500);
  EXPECT_THAT(Lines(), ElementsAre("Timeout Detect : 2 sec"));
  ASSERT_TRUE(bench.RunUntil([this] { return !s.pending.Has(Request::Summary); }, 100000));
  EXPECT_THAT(Lines(), ElementsAreArray(kTimedOut));
  EXPECT_FALSE(s.pending.Has(Request::NoteFormat));
  EXPECT_TRUE(Idle());
}

TEST_F(FaultScenarioTest, AnAnnouncementLeavesAnOutstandingRequestAlone) {
  // Only a renewal's busy ends at the announcement; a download that waits
  // keeps waiting for its answer or its timeout.
  DownloadCoinFormat(s);
  ASSERT_TRUE(s.pending.Has(Request::CoinFormat));
  bench.Deliver({0x26});
  EXPECT_TRUE(s.state.busy);
  EXPECT_TRUE(s.pending.Has(Request::CoinFormat));
  Settle();
  EXPECT_THAT(Lines(), ElementsAre("Download coin format finished .", ""));
}

// Records what each export writes: the cell texts in order, and the files
// it saves.
class ExportRecorder : public test::AcceptingSpreadsheet {
 public:
  SpreadsheetResult SetCell(WorkbookId book, int row, int column,
                            const std::string& text) override {
    cells.push_back(text);
    return AcceptingSpreadsheet::SetCell(book, row, column, text);
  }
  SpreadsheetResult SaveAs(WorkbookId book, const std::string& path) override {
    saved.push_back(path);
    return AcceptingSpreadsheet::SaveAs(book, path);
  }
  std::vector<std::string> cells;
  std::vector<std::string> saved;
};

class SplitSearchReplyTest : public FaultScenarioTest {
 protected:
  // As orvex-sim --split-replies 1 --fault-every 3 --split-after 60
  // --split-gap-ms 200, with records from January to March.
  static sim::PrinterOptions SplitThirdReply() {
    sim::PrinterOptions options;
    options.records = sim::RecordRange{{2005, 1, 1}, {2005, 3, 31}};
    options.faults.splitReplies = 1;
    options.faults.everyNthReply = 3;
    options.faults.splitAfterBytes = 60;
    options.faults.splitGapMs = 200;
    return options;
  }
  SplitSearchReplyTest() : FaultScenarioTest(SplitThirdReply()) { bench.UseSpreadsheet(exports); }

  std::string CoinIn(int month, int day) const {
    const auto record = sim::GenerateDayRecord(1, {2005, month, day});
    return std::to_string(record.coinIn);
  }

  ExportRecorder exports;
};

TEST_F(SplitSearchReplyTest, ExportOfAReplyCutShortWritesNoWorkbook) {
  // The variant answer was the first reply; January is the second and
  // comes whole.
  SearchAndPrint(s, {{2005, 1, 1}, {2005, 1, 31}});
  Settle();
  ASSERT_EQ(exports.saved.size(), 1u);
  ASSERT_EQ(exports.cells.size(), 31u * 10 + 1);
  EXPECT_EQ(exports.cells[3], CoinIn(1, 1));
  EXPECT_EQ(exports.cells[30 * 10 + 3], CoinIn(1, 31));
  EXPECT_EQ(Lines().back(), "");
  EXPECT_EQ(Lines()[Lines().size() - 2], "Finish outputing EXCEL file.");

  // March is the third: its first 60 bytes come, then a pause of 200 ms.
  // The buffer still holds January's records behind them.
  NextMark();
  exports.cells.clear();
  SearchAndPrint(s, {{2005, 3, 1}, {2005, 3, 31}});
  ASSERT_TRUE(bench.RunUntil([this] { return !s.pending.Has(Request::RecordSearch); }, 10000));
  EXPECT_EQ(s.rx.ReadLength(), 60u);
  EXPECT_FALSE(s.state.busy) << "the search itself ends as usual";
  EXPECT_EQ(exports.saved.size(), 1u) << "no workbook of March";
  const std::vector<std::string> lines = Lines();
  ASSERT_GE(lines.size(), 4u) << bench.memo.Text();
  EXPECT_THAT(std::vector<std::string>(lines.end() - 2, lines.end()),
              ElementsAre("Can't output EXCEL file.", ""));
  EXPECT_THAT(lines, ::testing::Not(::testing::Contains("Finish outputing EXCEL file.")));

  // The rest of the reply comes as a read of its own that answers nothing.
  NextMark();
  ASSERT_TRUE(bench.RunUntil([this] { return s.rx.ReadLength() != 60u; }, 5000));
  EXPECT_THAT(Lines(), IsEmpty());
  EXPECT_TRUE(Idle());
  EXPECT_EQ(bench.printer().faultLog().split, 1);

  // The next search comes whole and exports.
  NextMark();
  exports.cells.clear();
  SearchAndPrint(s, {{2005, 3, 1}, {2005, 3, 31}});
  Settle();
  EXPECT_EQ(exports.saved.size(), 2u);
  ASSERT_EQ(exports.cells.size(), 31u * 10 + 1);
  EXPECT_EQ(exports.cells[3 * 10 + 3], CoinIn(3, 4));
  EXPECT_EQ(Lines()[Lines().size() - 2], "Finish outputing EXCEL file.");
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, BurstsOfThirtyThousandBytesAndMoreAreCutIntoReads) {
  const struct {
    int length;
    std::size_t lastRead;
  } cases[] = {{30000, 30000}, {30001, 1}, {65000, 5000}};
  for (const auto& c : cases) {
    NextMark();
    bench.printer().faults().burstReplies = 1;
    bench.printer().faults().burstLength = c.length;
    ReadFirmwareVersion(s);
    Settle();
    bench.RunFor(1000);
    // On the wire for seconds: the timeout count shows meanwhile.
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 7u) << c.length << "\n" << bench.memo.Text();
    EXPECT_THAT(lines[0], StartsWith("Timeout Detect : "));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), kFirmwareLines);
    EXPECT_EQ(s.rx.ReadLength(), c.lastRead) << c.length;
    EXPECT_TRUE(Idle());
  }
  EXPECT_EQ(bench.printer().faultLog().bursts, 3);
  ExpectToolStillWorks();
}

class UnacknowledgedRowsTest : public FaultScenarioTest {
 protected:
  static sim::PrinterOptions StopAfterRowOne() {
    sim::PrinterOptions options;
    options.stopAckAfterRow = 1;
    return options;
  }
  UnacknowledgedRowsTest() : FaultScenarioTest(StopAfterRowOne()) {}
};

TEST_F(UnacknowledgedRowsTest, TheTimeoutEndsTheLogoDownload) {
  s.setup.logos[0] = {MakeLogo("three.bmp", 3), 3};
  bench.ForgetSent();
  DownloadLogo1(s);  // returns once the timeout has ended it
  EXPECT_THAT(Lines(), ElementsAreArray(kTimedOut));
  EXPECT_TRUE(Idle());
  EXPECT_EQ(s.state.linkState, LinkState::Lost);
  // Header and two rows went out; the third row never did.
  EXPECT_EQ(bench.SentBytes().size(), 4u + 2 * 48);
  EXPECT_EQ(bench.printer().received().logoRows, 2);
  EXPECT_FALSE(bench.printer().logo(1));
  EXPECT_EQ(bench.panel.gauge.back(), 0);

  NextMark();
  RestartPrinter();
  ASSERT_TRUE(bench.RunUntil([this] { return s.state.linkState == LinkState::Online; }, 5000));
  bench.RunFor(500);
  EXPECT_THAT(Lines(), ElementsAre("Orvex is online ."));
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, HangUpMidLogoTimesOutThenTheAnnouncementBringsTheLinkBack) {
  s.setup.logos[1] = {MakeLogo("four.bmp", 4), 4};
  bench.printer().faults().hangUpAfterLogoRow = 2;
  bench.printer().faults().hangUpMs = 100000;
  DownloadLogo2(s);
  const std::int64_t endedAt = bench.now();
  EXPECT_THAT(Lines(), ElementsAreArray(kTimedOut));
  EXPECT_FALSE(s.pending.Has(Request::Logo2));
  EXPECT_EQ(s.state.linkState, LinkState::Lost);
  EXPECT_TRUE(bench.printer().LineDown(bench.now()));

  // The printer comes back on its own and announces itself.
  NextMark();
  ASSERT_TRUE(bench.RunUntil([this] { return s.state.linkState == LinkState::Online; }, 20000));
  EXPECT_LT(bench.now() - endedAt, 20000);
  bench.RunFor(500);
  EXPECT_THAT(Lines(), ElementsAre("Orvex is online ."));
  EXPECT_TRUE(s.state.identified);
  EXPECT_EQ(s.state.identifyStep, 0);
  EXPECT_EQ(bench.printer().received().variantQueries, 2);

  NextMark();
  DownloadLogo2(s);
  Settle();
  EXPECT_EQ(Lines().back(), "");
  EXPECT_EQ(Lines()[Lines().size() - 3], "Download logo2 finished .");
  ASSERT_TRUE(bench.printer().logo(2));
  EXPECT_EQ(bench.printer().logo(2)->height, 4);
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, HangUpWithTheCablePulledAsWell) {
  // The line dies mid-logo and the cable is pulled: even the printer's
  // return goes unseen until the cable is back and it announces again.
  s.setup.logos[2] = {MakeLogo("two.bmp", 2), 2};
  bench.printer().faults().hangUpAfterLogoRow = 1;
  bench.printer().faults().hangUpMs = 1000;
  bench.When([this] { return bench.printer().LineDown(bench.now()); }, [this] { bench.Unplug(); });
  DownloadLogo3(s);
  EXPECT_THAT(Lines(), ElementsAreArray(kTimedOut));
  bench.RunFor(5000);
  EXPECT_EQ(s.state.linkState, LinkState::Lost);

  bench.Replug();
  NextMark();
  RestartPrinter();
  ASSERT_TRUE(bench.RunUntil([this] { return s.state.linkState == LinkState::Online; }, 5000));
  bench.RunFor(500);
  EXPECT_THAT(Lines(), ElementsAre("Orvex is online ."));
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, PrinterRestartDuringADownloadIsOnlyNoticedByTheTimeout) {
  // Its announcement comes while the link is online, so the tool does not
  // take it as one; the lost 0xAA runs into the timeout.
  DownloadPayoutFormat(s);
  RestartPrinter(300);
  bench.RunFor(1500);
  EXPECT_THAT(Lines(), ElementsAre("Timeout Detect : 1 sec"));
  EXPECT_EQ(s.rx[0], 0x26);
  ASSERT_TRUE(bench.RunUntil([this] { return !s.pending.Has(Request::PayoutFormat); }, 100000));
  EXPECT_THAT(Lines(), ElementsAreArray(kTimedOut));
  EXPECT_EQ(s.state.linkState, LinkState::Lost);
  EXPECT_EQ(bench.printer().received().variantQueries, 1);

  NextMark();
  RestartPrinter();
  ASSERT_TRUE(bench.RunUntil([this] { return s.state.linkState == LinkState::Online; }, 5000));
  bench.RunFor(500);
  ExpectToolStillWorks();
}

TEST_F(FaultScenarioTest, PrinterRestartDuringAQueryAnswersItWithTheAnnouncement) {
  // Any read ends a query, the announcement byte too.
  ReadPrinterClock(s);
  RestartPrinter(300);
  Settle();
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 3u) << bench.memo.Text();
  EXPECT_EQ(lines[0], "Date & Time :");
  EXPECT_THAT(lines[1], StartsWith("     20&"));
  EXPECT_EQ(s.state.linkState, LinkState::Online);
  ExpectToolStillWorks();
}

}  // namespace
}  // namespace orvex::core
