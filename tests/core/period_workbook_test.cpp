// The period report export: the spreadsheet steps it makes, in order and
// with their arguments, and how it ends when any of them fails; and the
// layout it writes.
#include "core/records/period_workbook.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/records/record_search.h"
#include "search_reply.h"
#include "virtual_bench.h"

namespace orvex::core {
namespace {

using test::VirtualBench;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Records every step as a line of text; each step that gives a handle
// hands out a new one. The step numbered failAt fails; with emptyHandle it
// says it is done but gives no handle where one was due.
class RecordingSpreadsheet : public Spreadsheet {
 public:
  std::vector<std::string> calls;
  std::optional<std::size_t> failAt;
  bool emptyHandle = false;
  bool attachFails = false;

  Obtained<SpreadsheetApp> Start() override { return Give<SpreadsheetApp>("Start", "app"); }
  Obtained<SpreadsheetApp> Attach() override {
    if (attachFails) {
      calls.push_back("Attach fails");
      return SpreadsheetResult::Failed("none running");
    }
    return Give<SpreadsheetApp>("Attach", "app");
  }
  SpreadsheetResult SetVisible(SpreadsheetApp app, bool visible) override {
    return Step("SetVisible " + App(app) + (visible ? " true" : " false"));
  }
  Obtained<WorkbookId> AddWorkbook(SpreadsheetApp app) override {
    return Give<WorkbookId>("AddWorkbook " + App(app), "book");
  }
  SpreadsheetResult NameSheet(WorkbookId book, const std::string& name) override {
    return Step("NameSheet " + Book(book) + " \"" + name + "\"");
  }
  SpreadsheetResult SetColumnWidth(WorkbookId book, int column, double width) override {
    return Step("SetColumnWidth " + Book(book) + " column " + std::to_string(column) + " = " +
                Number(width));
  }
  SpreadsheetResult SetCell(WorkbookId book, int row, int column,
                            const std::string& text) override {
    return Step("SetCell " + Book(book) + " (" + std::to_string(row) + ", " +
                std::to_string(column) + ") = \"" + text + "\"");
  }
  SpreadsheetResult SaveAs(WorkbookId book, const std::string& path) override {
    return Step("SaveAs " + Book(book) + " \"" + path + "\"");
  }
  SpreadsheetResult CloseWorkbook(WorkbookId book) override {
    return Step("CloseWorkbook " + Book(book));
  }
  SpreadsheetResult Quit(SpreadsheetApp app) override { return Step("Quit " + App(app)); }
  std::string ReportFolder() override { return "/reports/"; }

 private:
  static std::string App(SpreadsheetApp app) { return "app " + std::to_string(app.id); }
  static std::string Book(WorkbookId book) { return "book " + std::to_string(book.id); }
  static std::string Number(double value) {
    std::string text = std::to_string(value);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
  }
  bool Failing() const { return failAt && calls.size() == *failAt; }
  SpreadsheetResult Step(std::string line) {
    if (Failing() && !emptyHandle) {
      calls.push_back(line + " fails");
      return SpreadsheetResult::Failed("refused");
    }
    calls.push_back(line);
    return SpreadsheetResult::Done();
  }
  template <typename Handle>
  Obtained<Handle> Give(std::string line, const char* kind) {
    if (Failing() && !emptyHandle) {
      calls.push_back(line + " fails");
      return SpreadsheetResult::Failed("refused");
    }
    if (Failing()) {
      calls.push_back(line + " gives no handle");
      return Handle{};
    }
    const Handle handle{nextId_++};
    calls.push_back(line + " -> " + kind + " " + std::to_string(handle.id));
    return handle;
  }
  std::int64_t nextId_ = 1;
};

using test::Day;
using test::kSerial;
const auto Reply = test::SearchReply;

class PeriodWorkbookTest : public ::testing::Test {
 protected:
  PeriodWorkbookTest() {
    VirtualBench::Options options;
    options.withPrinter = false;
    bench = std::make_unique<VirtualBench>(options);
    bench->UseSpreadsheet(spreadsheet);
  }

  // The reply arrives while a record search waits, as from the printer.
  void Receive(const std::vector<std::uint8_t>& reply) {
    Session& s = bench->session();
    s.state.busy = true;
    s.pending.Set(Request::RecordSearch);
    bench->Deliver(reply);
  }

  // The lines from the progress line on.
  std::vector<std::string> ExportLines() const {
    return bench->memo.From(bench->session().progressLine);
  }

  RecordingSpreadsheet spreadsheet;
  std::unique_ptr<VirtualBench> bench;
};

TEST_F(PeriodWorkbookTest, OneDayPeriodMakesTheCallsInOrder) {
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 2, {{1234, 50000, 5, 7}}, kSerial));

  EXPECT_THAT(
      spreadsheet.calls,
      ElementsAre("Start -> app 1", "SetVisible app 1 false", "AddWorkbook app 1 -> book 2",
                  "NameSheet book 2 \"PERIOD REPORT\"", "SetColumnWidth book 2 column 1 = 30",
                  "SetCell book 2 (1, 1) = \"Date & Time\"",
                  "SetCell book 2 (2, 1) = \"07/03/2005\"", "SetCell book 2 (3, 1) = \"Coin-In\"",
                  "SetCell book 2 (4, 1) = \"12.34\"", "SetCell book 2 (5, 1) = \"Note-In\"",
                  "SetCell book 2 (6, 1) = \"500\"", "SetCell book 2 (7, 1) = \"Payout\"",
                  "SetCell book 2 (8, 1) = \"0.05\"", "SetCell book 2 (9, 1) = \"Ticket-Out\"",
                  "SetCell book 2 (10, 1) = \"7\"",
                  "SetCell book 2 (12, 1) = \"   -- Serial Number : 123456789012 --\"",
                  "SaveAs book 2 \"/reports/2015-06-30_14-05-09_Orvex_Report.xls\"", "Quit app 1"));
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));
  EXPECT_EQ(bench->session().spreadsheetApp, SpreadsheetApp{1});
  EXPECT_FALSE(bench->session().state.busy);
  EXPECT_FALSE(bench->session().pending.Has(Request::RecordSearch));
}

// The cell texts the export wrote, in order.
std::vector<std::string> CellTexts(const std::vector<std::string>& calls) {
  std::vector<std::string> texts;
  for (const std::string& call : calls) {
    if (call.rfind("SetCell ", 0) != 0) continue;
    const auto value = call.find(" = \"");
    texts.push_back(call.substr(value + 4, call.size() - value - 5));
  }
  return texts;
}

bool Saved(const std::vector<std::string>& calls) {
  for (const std::string& call : calls) {
    if (call.rfind("SaveAs ", 0) == 0) return true;
  }
  return false;
}

TEST_F(PeriodWorkbookTest, WholeNumbersWithNoDecimalsAndTicketsNeverDivided) {
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 0, {{4294967295u, 0, 120, 65535}}, std::nullopt));
  EXPECT_THAT(CellTexts(spreadsheet.calls),
              ElementsAre("Date & Time", "07/03/2005", "Coin-In", "4294967295", "Note-In", "0",
                          "Payout", "120", "Ticket-Out", "65535"));
}

TEST_F(PeriodWorkbookTest, FailureAtAnyStepEndsTheExportThere) {
  // The one-day export makes 18 calls (see the test above).
  constexpr std::size_t kCalls = 18;
  for (const bool emptyHandle : {false, true}) {
    for (std::size_t step = 0; step < kCalls; ++step) {
      SCOPED_TRACE("call " + std::to_string(step) + (emptyHandle ? " gives no handle" : " fails"));
      RecordingSpreadsheet failing;
      failing.failAt = step;
      failing.emptyHandle = emptyHandle;
      bench->UseSpreadsheet(failing);
      const int before = bench->memo.LineCount();
      Receive(Reply({5, 3, 7}, {5, 3, 7}, 2, {{1234, 50000, 5, 7}}, kSerial));

      const std::string& call = failing.calls[step];
      const bool handleDue = call.rfind("Start", 0) == 0 || call.rfind("Attach", 0) == 0 ||
                             call.rfind("AddWorkbook", 0) == 0;
      if (emptyHandle && !handleDue) {
        // A step that gives no handle cannot give an empty one.
        EXPECT_EQ(failing.calls.size(), kCalls);
        continue;
      }
      // After the failing call only the workbook is let go of, once it exists.
      const bool workbookAdded = step > 2;
      if (workbookAdded) {
        ASSERT_EQ(failing.calls.size(), step + 2) << "no call but the release";
        EXPECT_EQ(failing.calls.back(), "CloseWorkbook book 2");
      } else {
        EXPECT_EQ(failing.calls.size(), step + 1) << "no call after the failing one";
      }
      const std::vector<std::string> lines = bench->memo.From(before);
      ASSERT_GE(lines.size(), 2u);
      EXPECT_THAT(std::vector<std::string>(lines.end() - 2, lines.end()),
                  ElementsAre("Can't output EXCEL file.", ""));
      EXPECT_THAT(lines, ::testing::Not(::testing::Contains("Finish outputing EXCEL file.")));
      EXPECT_FALSE(bench->session().state.busy) << "the search still ends";
      bench->session().spreadsheetApp = {};
    }
  }
}

TEST_F(PeriodWorkbookTest, SecondExportAttachesAndStartsAnewWhenNoneRuns) {
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 2, {{1, 2, 3, 4}}, std::nullopt));
  ASSERT_EQ(spreadsheet.calls.front(), "Start -> app 1");

  spreadsheet.calls.clear();
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 2, {{1, 2, 3, 4}}, std::nullopt));
  ASSERT_GE(spreadsheet.calls.size(), 2u);
  EXPECT_EQ(spreadsheet.calls[0].rfind("Attach -> app ", 0), 0u);
  const std::string attached = spreadsheet.calls[0].substr(spreadsheet.calls[0].find("app "));
  EXPECT_EQ(spreadsheet.calls[1], "SetVisible " + attached + " false");

  // The application quit after the first export: starting a new one keeps
  // every later export working instead of failing for the rest of the run.
  spreadsheet.calls.clear();
  spreadsheet.attachFails = true;
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 2, {{1, 2, 3, 4}}, std::nullopt));
  ASSERT_GE(spreadsheet.calls.size(), 2u);
  EXPECT_EQ(spreadsheet.calls[0], "Attach fails");
  EXPECT_EQ(spreadsheet.calls[1].rfind("Start -> app ", 0), 0u);
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));
}

TEST_F(PeriodWorkbookTest, UnwritableRepliesEndWithTheFailureLine) {
  struct Case {
    const char* what;
    std::array<std::uint8_t, 3> begin;
    std::uint8_t decimals;
  };
  for (const Case& c :
       {Case{"ten decimal places", {5, 3, 7}, 10},
        Case{"decimal places past the scale", {5, 3, 7}, 40}, Case{"month 0", {5, 0, 7}, 2},
        Case{"month 13", {5, 13, 7}, 2}, Case{"31 April", {5, 4, 31}, 2},
        Case{"29 February 2005", {5, 2, 29}, 2}, Case{"day 0", {5, 3, 0}, 2}}) {
    SCOPED_TRACE(c.what);
    spreadsheet.calls.clear();
    bench->session().spreadsheetApp = {};
    const int before = bench->memo.LineCount();
    Receive(Reply(c.begin, {5, 5, 1}, c.decimals, {{1, 2, 3, 4}}, std::nullopt));
    const std::vector<std::string> lines = bench->memo.From(before);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_THAT(std::vector<std::string>(lines.end() - 2, lines.end()),
                ElementsAre("Can't output EXCEL file.", ""));
    // The sheet was set up, but no cell written and nothing saved; the
    // workbook is let go of.
    ASSERT_EQ(spreadsheet.calls.size(), 6u);
    EXPECT_THAT(spreadsheet.calls[4], ::testing::EndsWith(" column 1 = 30"));
    const std::string& add = spreadsheet.calls[2];
    EXPECT_EQ(spreadsheet.calls[5], "CloseWorkbook " + add.substr(add.rfind("book ")));
  }
  // 29 February of a leap year is a real day.
  spreadsheet.calls.clear();
  Receive(Reply({4, 2, 29}, {4, 2, 29}, 2, {{1, 2, 3, 4}}, std::nullopt));
  EXPECT_THAT(CellTexts(spreadsheet.calls), ::testing::Contains("29/02/2004"));
}

TEST(PeriodReportLayout, WorkedExampleThreeDaysWithSerial) {
  // 1 to 3 March 2005 with two decimal places.
  const std::vector<std::uint8_t> reply =
      Reply({5, 3, 1}, {5, 3, 3}, 2,
            {{1234, 50000, 5, 7}, {0, 100, 99999, 0}, {4294967295u, 1, 10, 65535}}, kSerial);
  ReceiveBuffer rx;
  rx.Store(reply.data(), reply.size());
  const test::FakeClock locale;
  const std::optional<PeriodReport> report = LayOutPeriodReport(rx, locale);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->span, 2u);
  EXPECT_EQ(report->days, 3u);
  EXPECT_FALSE(report->tooLong);

  // Blocks at rows 1 to 10, 12 to 21 and 23 to 32, the serial line at 34.
  std::vector<std::int32_t> rows;
  for (std::int32_t first : {1, 12, 23}) {
    for (std::int32_t row = first; row < first + 10; ++row) rows.push_back(row);
  }
  rows.push_back(34);
  ASSERT_EQ(report->cells.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(report->cells[i].row, rows[i]) << "cell " << i;
    EXPECT_EQ(report->cells[i].column, 1) << "cell " << i;
  }
  std::vector<std::string> secondDay;
  for (std::size_t i = 10; i < 20; ++i) secondDay.push_back(report->cells[i].text);
  EXPECT_THAT(secondDay, ElementsAre("Date & Time", "02/03/2005", "Coin-In", "0", "Note-In", "1",
                                     "Payout", "999.99", "Ticket-Out", "0"));
  EXPECT_EQ(report->cells[29].text, "65535");
  EXPECT_EQ(report->cells.back(), (ReportCell{34, 1, "   -- Serial Number : 123456789012 --"}));
}

TEST_F(PeriodWorkbookTest, GeneralNumberFormat) {
  EXPECT_EQ(GeneralNumber(1234 / 100.0, '.'), "12.34");
  EXPECT_EQ(GeneralNumber(500, '.'), "500");
  EXPECT_EQ(GeneralNumber(5 / 100.0, '.'), "0.05");
  EXPECT_EQ(GeneralNumber(0, '.'), "0");
  EXPECT_EQ(GeneralNumber(4294967295.0, '.'), "4294967295");
  EXPECT_EQ(GeneralNumber(4294967295 / 1000.0, '.'), "4294967.295");
  EXPECT_EQ(GeneralNumber(1.0 / 3, '.'), "0.333333333333333");
  EXPECT_EQ(GeneralNumber(2.0 / 3, '.'), "0.666666666666667");
  EXPECT_EQ(GeneralNumber(1234 / 100.0, ','), "12,34");
  EXPECT_EQ(GeneralNumber(-2.5, '.'), "-2.5");
  // Fixed notation down to 0.00001, exponent notation below it, with no
  // trailing zeros either way.
  EXPECT_EQ(GeneralNumber(5 / 100000.0, '.'), "0.00005");
  EXPECT_EQ(GeneralNumber(1 / 100000.0, '.'), "0.00001");
  EXPECT_EQ(GeneralNumber(5 / 10000000.0, '.'), "5E-7");
  EXPECT_EQ(GeneralNumber(12345 / 1000000000.0, ','), "0,000012345");
  EXPECT_EQ(GeneralNumber(12345 / 10000000000.0, ','), "1,2345E-6");
  EXPECT_EQ(GeneralNumber(123456789012345.0, '.'), "123456789012345");
  EXPECT_EQ(GeneralNumber(1234567890123456.0, '.'), "1.23456789012346E15");
}

TEST_F(PeriodWorkbookTest, SmallScaledValuesReachTheCellsInGeneralFormat) {
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 7, {{5, 123456789, 10000000, 1}}, std::nullopt));
  EXPECT_THAT(spreadsheet.calls, ::testing::Contains("SetCell book 2 (4, 1) = \"5E-7\""));
  EXPECT_THAT(spreadsheet.calls, ::testing::Contains("SetCell book 2 (6, 1) = \"12.3456789\""));
  EXPECT_THAT(spreadsheet.calls, ::testing::Contains("SetCell book 2 (8, 1) = \"1\""));
}

TEST_F(PeriodWorkbookTest, WorkbookNameFromTheMoment) {
  EXPECT_EQ(PeriodWorkbookName({2005, 3, 7, 9, 5, 1}), "2005-03-07_09-05-01_Orvex_Report.xls");
  EXPECT_EQ(PeriodWorkbookName({2021, 12, 31, 23, 59, 58}), "2021-12-31_23-59-58_Orvex_Report.xls");
}

TEST_F(PeriodWorkbookTest, ProgressDotsEveryElevenDays) {
  // The progress line as it stood whenever a block's first cell was asked for.
  class ProgressSpy : public RecordingSpreadsheet {
   public:
    explicit ProgressSpy(VirtualBench& b) : bench_(b) {}
    SpreadsheetResult SetCell(WorkbookId book, int row, int column,
                              const std::string& text) override {
      if (row % 11 == 1) {
        seen.push_back(bench_.memo.lines[static_cast<std::size_t>(bench_.session().progressLine)]);
      }
      return RecordingSpreadsheet::SetCell(book, row, column, text);
    }
    std::vector<std::string> seen;

   private:
    VirtualBench& bench_;
  };
  ProgressSpy spy(*bench);
  bench->UseSpreadsheet(spy);
  Receive(Reply({5, 3, 1}, {5, 4, 3}, 2, std::vector<Day>(34), std::nullopt));  // span 33

  ASSERT_EQ(spy.seen.size(), 34u);
  std::vector<std::string> expected;
  for (int day = 0; day <= 33; ++day) {
    expected.push_back("Output EXCEL file" + std::string(static_cast<std::size_t>(day / 11), '.'));
  }
  EXPECT_THAT(spy.seen, ElementsAreArray(expected));
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));

  // Below a span of 11 the line stays empty until the end.
  spy.seen.clear();
  bench->session().spreadsheetApp = {};
  Receive(Reply({5, 3, 1}, {5, 3, 11}, 2, std::vector<Day>(11), std::nullopt));  // span 10
  EXPECT_THAT(spy.seen, ElementsAreArray(std::vector<std::string>(11, "")));
}

TEST_F(PeriodWorkbookTest, ReadShorterThanItsDaysWritesNoWorkbook) {
  // An earlier search left six days and a serial record in the buffer.
  const std::vector<std::uint8_t> old =
      Reply({5, 1, 1}, {5, 1, 6}, 0, std::vector<Day>(6, Day{9900, 9800, 9700, 97}), kSerial);
  bench->session().rx.Store(old.data(), old.size());
  const int before = bench->memo.LineCount();

  struct Case {
    const char* what;
    std::size_t keep;  // bytes of the reply that arrive
  };
  // 1 to 5 March: 8 + 14 * 5 = 78 bytes of days, then the serial record.
  const std::vector<std::uint8_t> march =
      Reply({5, 3, 1}, {5, 3, 5}, 2, std::vector<Day>(5, Day{1, 2, 3, 4}), kSerial);
  for (const Case& c : {Case{"two of five days", 8 + 14 * 2}, Case{"one byte short", 77},
                        Case{"no day at all", 8}, Case{"serial record cut after its flag", 79},
                        Case{"serial record one byte short", 78 + 12}}) {
    SCOPED_TRACE(c.what);
    spreadsheet.calls.clear();
    const int mark = bench->memo.LineCount();
    Receive(std::vector<std::uint8_t>(march.begin(), march.begin() + c.keep));
    EXPECT_THAT(bench->memo.From(mark),
                ElementsAre("The begining date Orvex selected :", "     2005/3/1",
                            "The final date Orvex selected :", "     2005/3/5", "",
                            "Can't output EXCEL file.", ""));
    EXPECT_THAT(CellTexts(spreadsheet.calls), ::testing::IsEmpty());
    EXPECT_FALSE(Saved(spreadsheet.calls));
    EXPECT_FALSE(bench->session().state.busy) << "the search ends as usual";
    EXPECT_FALSE(bench->session().pending.Has(Request::RecordSearch));
  }
  EXPECT_GT(bench->memo.LineCount(), before);
}

TEST_F(PeriodWorkbookTest, SerialRecordOnlyFromTheReadItself) {
  // A serial record left behind by an earlier, longer read is not this
  // reply's: a read that ends with its last day has none.
  const std::vector<std::uint8_t> old =
      Reply({5, 1, 1}, {5, 1, 1}, 0, {{9900, 9800, 9700, 97}}, kSerial);
  bench->session().rx.Store(old.data(), old.size());
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 2, {{1234, 50000, 5, 7}}, std::nullopt));
  EXPECT_THAT(CellTexts(spreadsheet.calls),
              ElementsAre("Date & Time", "07/03/2005", "Coin-In", "12.34", "Note-In", "500",
                          "Payout", "0.05", "Ticket-Out", "7"));
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));

  // The thirteen bytes that are read make a whole serial record; the
  // fourteenth is never read.
  spreadsheet.calls.clear();
  std::vector<std::uint8_t> reply = Reply({5, 3, 7}, {5, 3, 7}, 2, {{1, 2, 3, 4}}, kSerial);
  reply.pop_back();
  Receive(reply);
  EXPECT_EQ(CellTexts(spreadsheet.calls).back(), "   -- Serial Number : 123456789012 --");
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));

  // Bytes after the days that are no serial record are left alone.
  spreadsheet.calls.clear();
  reply = Reply({5, 3, 7}, {5, 3, 7}, 2, {{1, 2, 3, 4}}, std::nullopt);
  reply.push_back(0);
  reply.push_back(7);
  Receive(reply);
  EXPECT_EQ(CellTexts(spreadsheet.calls).size(), 10u);
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));
}

TEST_F(PeriodWorkbookTest, FullTwoThousandDayReplyExports) {
  // 1 January 2003 to 22 June 2008, 2000 days: 8 + 14 * 2000 + 14 = 28022
  // bytes, one read.
  std::vector<Day> days;
  for (std::uint32_t i = 0; i < 2000; ++i) days.push_back({i, 0, 0, 0});
  const std::vector<std::uint8_t> reply = Reply({3, 1, 1}, {8, 6, 22}, 0, days, kSerial);
  ASSERT_EQ(reply.size(), 28022u);
  Receive(reply);
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));
  const std::vector<std::string> cells = CellTexts(spreadsheet.calls);
  ASSERT_EQ(cells.size(), 20001u);
  EXPECT_EQ(cells[1999 * 10 + 3], "1999");
  EXPECT_EQ(cells.back(), "   -- Serial Number : 123456789012 --");
  EXPECT_TRUE(Saved(spreadsheet.calls));

  // Longer periods are read as far as 2000 days; those must be in the read.
  spreadsheet.calls.clear();
  Receive(Reply({3, 1, 1}, {10, 12, 31}, 0, days, std::nullopt));
  EXPECT_THAT(ExportLines(),
              ElementsAre("Finish outputing EXCEL file.", "Max 2000 days for EXCEL", ""));
  EXPECT_EQ(CellTexts(spreadsheet.calls).size(), 20000u);

  spreadsheet.calls.clear();
  days.pop_back();
  Receive(Reply({3, 1, 1}, {10, 12, 31}, 0, days, std::nullopt));
  EXPECT_THAT(ExportLines(), ElementsAre("", "Can't output EXCEL file.", ""));
  EXPECT_FALSE(Saved(spreadsheet.calls));
}

}  // namespace
}  // namespace orvex::core
