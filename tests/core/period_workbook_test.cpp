// The period report export: the automation calls it makes, in order and with
// their arguments, and how it ends when any of them fails.
#include "records/period_workbook.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "records/record_search.h"
#include "search_reply.h"
#include "virtual_bench.h"

namespace orvex {
namespace {

using test::VirtualBench;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::string Show(const AutoValue& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return "-"; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(std::int32_t i) const { return std::to_string(i); }
    std::string operator()(double d) const { return "double " + std::to_string(d); }
    std::string operator()(const std::string& s) const { return "\"" + s + "\""; }
    std::string operator()(AutoObject o) const { return "#" + std::to_string(o.id); }
  };
  return std::visit(Visitor{}, value);
}

std::string ShowArgs(const std::vector<AutoValue>& args) {
  std::string text = "(";
  for (std::size_t i = 0; i < args.size(); ++i) text += (i ? ", " : "") + Show(args[i]);
  return text + ")";
}

// Records every call as a line of text; each object-returning call hands out
// a new object. The call numbered failAt fails; with wrongType it answers
// ok but with a number where an object was due.
class RecordingAutomation : public Automation {
 public:
  std::vector<std::string> calls;
  std::optional<std::size_t> failAt;
  bool wrongType = false;
  bool attachFails = false;

  AutoResult Create(const std::string& progId) override { return Answer("Create " + progId, true); }
  AutoResult Attach(const std::string& progId) override {
    if (attachFails) {
      calls.push_back("Attach " + progId + " fails");
      return {false, {}, "none running"};
    }
    return Answer("Attach " + progId, true);
  }
  AutoResult Get(AutoObject object, const std::string& member,
                 const std::vector<AutoValue>& args) override {
    return Answer("Get #" + std::to_string(object.id) + " " + member + " " + ShowArgs(args), true);
  }
  AutoResult Put(AutoObject object, const std::string& member, const std::vector<AutoValue>& args,
                 const AutoValue& value) override {
    return Answer("Put #" + std::to_string(object.id) + " " + member + " " + ShowArgs(args) +
                      " = " + Show(value),
                  false);
  }
  AutoResult Call(AutoObject object, const std::string& member,
                  const std::vector<AutoValue>& args) override {
    return Answer("Call #" + std::to_string(object.id) + " " + member + " " + ShowArgs(args),
                  member == "Add");
  }
  std::string ReportFolder() override { return "/reports/"; }

 private:
  AutoResult Answer(std::string line, bool givesObject) {
    const bool fail = failAt && calls.size() == *failAt;
    if (fail && !wrongType) {
      calls.push_back(line + " fails");
      return {false, {}, "refused"};
    }
    if (fail && wrongType) {
      calls.push_back(line + " gives a number");
      return {true, AutoValue{std::int32_t{7}}, {}};
    }
    if (!givesObject) {
      calls.push_back(line);
      return {true, {}, {}};
    }
    const AutoObject object{nextId_++};
    calls.push_back(line + " -> #" + std::to_string(object.id));
    return {true, object, {}};
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
    bench->UseAutomation(automation);
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

  RecordingAutomation automation;
  std::unique_ptr<VirtualBench> bench;
};

TEST_F(PeriodWorkbookTest, OneDayPeriodMakesTheCallsInOrder) {
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 2, {{1234, 50000, 5, 7}}, kSerial));

  EXPECT_THAT(
      automation.calls,
      ElementsAre("Create Excel.Application -> #1", "Put #1 Visible () = false",
                  "Get #1 Workbooks () -> #2", "Call #2 Add () -> #3", "Get #3 Worksheets () -> #4",
                  "Get #4 Item (1) -> #5", "Put #5 Name () = \"PERIOD REPORT\"",
                  "Get #5 Columns (1) -> #6", "Put #6 ColumnWidth () = 30",
                  "Get #5 Cells (1, 1) -> #7", "Put #7 Value () = \"Date & Time\"",
                  "Get #5 Cells (2, 1) -> #8", "Put #8 Value () = \"07/03/2005\"",
                  "Get #5 Cells (3, 1) -> #9", "Put #9 Value () = \"Coin-In\"",
                  "Get #5 Cells (4, 1) -> #10", "Put #10 Value () = \"12.34\"",
                  "Get #5 Cells (5, 1) -> #11", "Put #11 Value () = \"Note-In\"",
                  "Get #5 Cells (6, 1) -> #12", "Put #12 Value () = \"500\"",
                  "Get #5 Cells (7, 1) -> #13", "Put #13 Value () = \"Payout\"",
                  "Get #5 Cells (8, 1) -> #14", "Put #14 Value () = \"0.05\"",
                  "Get #5 Cells (9, 1) -> #15", "Put #15 Value () = \"Ticket-Out\"",
                  "Get #5 Cells (10, 1) -> #16", "Put #16 Value () = \"7\"",
                  "Get #5 Cells (12, 1) -> #17",
                  "Put #17 Value () = \"   -- Serial Number : 123456789012 --\"",
                  "Call #3 SaveAs (\"/reports/2015-06-30_14-05-09_Orvex_Report.xls\", -4143)",
                  "Call #1 Quit ()"));
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));
  EXPECT_EQ(bench->session().spreadsheetApp, AutoObject{1});
  EXPECT_FALSE(bench->session().state.busy);
  EXPECT_FALSE(bench->session().pending.Has(Request::RecordSearch));
}

TEST_F(PeriodWorkbookTest, WholeNumbersWithNoDecimalsAndTicketsNeverDivided) {
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 0, {{4294967295u, 0, 120, 65535}}, std::nullopt));
  std::vector<std::string> values;
  for (const std::string& call : automation.calls) {
    if (call.rfind("Put", 0) == 0 && call.find(" Value ") != std::string::npos) {
      values.push_back(call.substr(call.find("= ") + 2));
    }
  }
  EXPECT_THAT(values, ElementsAre("\"Date & Time\"", "\"07/03/2005\"", "\"Coin-In\"",
                                  "\"4294967295\"", "\"Note-In\"", "\"0\"", "\"Payout\"", "\"120\"",
                                  "\"Ticket-Out\"", "\"65535\""));
}

TEST_F(PeriodWorkbookTest, FailureAtAnyStepEndsTheExportThere) {
  // The one-day export makes 33 calls (see the test above).
  for (const bool wrongType : {false, true}) {
    for (std::size_t step = 0; step < 33; ++step) {
      SCOPED_TRACE("call " + std::to_string(step) + (wrongType ? " answers a number" : " fails"));
      RecordingAutomation failing;
      failing.failAt = step;
      failing.wrongType = wrongType;
      bench->UseAutomation(failing);
      const int before = bench->memo.LineCount();
      Receive(Reply({5, 3, 7}, {5, 3, 7}, 2, {{1234, 50000, 5, 7}}, kSerial));

      const bool objectDue = failing.calls[step].find("Put") != 0 &&
                             failing.calls[step].find("SaveAs") == std::string::npos &&
                             failing.calls[step].find("Quit") == std::string::npos;
      if (wrongType && !objectDue) {
        // A call whose result is not used cannot answer with the wrong type.
        EXPECT_EQ(failing.calls.size(), 33u);
        continue;
      }
      // After the failing call only the workbook is let go of, once it exists.
      const bool workbookAdded = step > 3;
      if (workbookAdded) {
        ASSERT_EQ(failing.calls.size(), step + 2) << "no call but the release";
        EXPECT_EQ(failing.calls.back(), "Call #3 Close (false)");
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
  ASSERT_EQ(automation.calls.front(), "Create Excel.Application -> #1");

  automation.calls.clear();
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 2, {{1, 2, 3, 4}}, std::nullopt));
  ASSERT_GE(automation.calls.size(), 2u);
  EXPECT_EQ(automation.calls[0].rfind("Attach Excel.Application -> #", 0), 0u);
  const std::string attached = automation.calls[0].substr(automation.calls[0].find('#'));
  EXPECT_EQ(automation.calls[1], "Put " + attached + " Visible () = false");

  // The application quit after the first export: starting a new one keeps
  // every later export working instead of failing for the rest of the run.
  automation.calls.clear();
  automation.attachFails = true;
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 2, {{1, 2, 3, 4}}, std::nullopt));
  ASSERT_GE(automation.calls.size(), 2u);
  EXPECT_EQ(automation.calls[0], "Attach Excel.Application fails");
  EXPECT_EQ(automation.calls[1].rfind("Create Excel.Application -> #", 0), 0u);
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
    automation.calls.clear();
    bench->session().spreadsheetApp = {};
    const int before = bench->memo.LineCount();
    Receive(Reply(c.begin, {5, 5, 1}, c.decimals, {{1, 2, 3, 4}}, std::nullopt));
    const std::vector<std::string> lines = bench->memo.From(before);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_THAT(std::vector<std::string>(lines.end() - 2, lines.end()),
                ElementsAre("Can't output EXCEL file.", ""));
    // The sheet was set up, but no cell written and nothing saved; the
    // workbook is let go of.
    ASSERT_EQ(automation.calls.size(), 10u);
    EXPECT_THAT(automation.calls[8], ::testing::EndsWith(" ColumnWidth () = 30"));
    const std::string& add = automation.calls[3];
    EXPECT_EQ(automation.calls[9], "Call " + add.substr(add.rfind('#')) + " Close (false)");
  }
  // 29 February of a leap year is a real day.
  automation.calls.clear();
  Receive(Reply({4, 2, 29}, {4, 2, 29}, 2, {{1, 2, 3, 4}}, std::nullopt));
  EXPECT_THAT(automation.calls,
              ::testing::Contains(::testing::HasSubstr("Value () = \"29/02/2004\"")));
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
  EXPECT_THAT(automation.calls, ::testing::Contains("Put #10 Value () = \"5E-7\""));
  EXPECT_THAT(automation.calls, ::testing::Contains("Put #12 Value () = \"12.3456789\""));
  EXPECT_THAT(automation.calls, ::testing::Contains("Put #14 Value () = \"1\""));
}

TEST_F(PeriodWorkbookTest, WorkbookNameFromTheMoment) {
  EXPECT_EQ(PeriodWorkbookName({2005, 3, 7, 9, 5, 1}), "2005-03-07_09-05-01_Orvex_Report.xls");
  EXPECT_EQ(PeriodWorkbookName({2021, 12, 31, 23, 59, 58}), "2021-12-31_23-59-58_Orvex_Report.xls");
}

TEST_F(PeriodWorkbookTest, ProgressDotsEveryElevenDays) {
  // The progress line as it stood whenever a block's first cell was asked for.
  class ProgressSpy : public RecordingAutomation {
   public:
    explicit ProgressSpy(VirtualBench& b) : bench_(b) {}
    AutoResult Get(AutoObject o, const std::string& m, const std::vector<AutoValue>& a) override {
      if (m == "Cells" && std::get<std::int32_t>(a[0]) % 11 == 1) {
        seen.push_back(bench_.memo.lines[static_cast<std::size_t>(bench_.session().progressLine)]);
      }
      return RecordingAutomation::Get(o, m, a);
    }
    std::vector<std::string> seen;

   private:
    VirtualBench& bench_;
  };
  ProgressSpy spy(*bench);
  bench->UseAutomation(spy);
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

// The cell texts the export wrote, in order.
std::vector<std::string> CellTexts(const std::vector<std::string>& calls) {
  std::vector<std::string> texts;
  for (const std::string& call : calls) {
    const auto value = call.find(" Value () = \"");
    if (value != std::string::npos)
      texts.push_back(call.substr(value + 13, call.size() - value - 14));
  }
  return texts;
}

bool Saved(const std::vector<std::string>& calls) {
  for (const std::string& call : calls) {
    if (call.find(" SaveAs ") != std::string::npos) return true;
  }
  return false;
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
    automation.calls.clear();
    const int mark = bench->memo.LineCount();
    Receive(std::vector<std::uint8_t>(march.begin(), march.begin() + c.keep));
    EXPECT_THAT(bench->memo.From(mark),
                ElementsAre("The begining date Orvex selected :", "     2005/3/1",
                            "The final date Orvex selected :", "     2005/3/5", "",
                            "Can't output EXCEL file.", ""));
    EXPECT_THAT(CellTexts(automation.calls), ::testing::IsEmpty());
    EXPECT_FALSE(Saved(automation.calls));
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
  EXPECT_THAT(CellTexts(automation.calls),
              ElementsAre("Date & Time", "07/03/2005", "Coin-In", "12.34", "Note-In", "500",
                          "Payout", "0.05", "Ticket-Out", "7"));
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));

  // The thirteen bytes that are read make a whole serial record; the
  // fourteenth is never read.
  automation.calls.clear();
  std::vector<std::uint8_t> reply = Reply({5, 3, 7}, {5, 3, 7}, 2, {{1, 2, 3, 4}}, kSerial);
  reply.pop_back();
  Receive(reply);
  EXPECT_EQ(CellTexts(automation.calls).back(), "   -- Serial Number : 123456789012 --");
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));

  // Bytes after the days that are no serial record are left alone.
  automation.calls.clear();
  reply = Reply({5, 3, 7}, {5, 3, 7}, 2, {{1, 2, 3, 4}}, std::nullopt);
  reply.push_back(0);
  reply.push_back(7);
  Receive(reply);
  EXPECT_EQ(CellTexts(automation.calls).size(), 10u);
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
  const std::vector<std::string> cells = CellTexts(automation.calls);
  ASSERT_EQ(cells.size(), 20001u);
  EXPECT_EQ(cells[1999 * 10 + 3], "1999");
  EXPECT_EQ(cells.back(), "   -- Serial Number : 123456789012 --");
  EXPECT_TRUE(Saved(automation.calls));

  // Longer periods are read as far as 2000 days; those must be in the read.
  automation.calls.clear();
  Receive(Reply({3, 1, 1}, {10, 12, 31}, 0, days, std::nullopt));
  EXPECT_THAT(ExportLines(),
              ElementsAre("Finish outputing EXCEL file.", "Max 2000 days for EXCEL", ""));
  EXPECT_EQ(CellTexts(automation.calls).size(), 20000u);

  automation.calls.clear();
  days.pop_back();
  Receive(Reply({3, 1, 1}, {10, 12, 31}, 0, days, std::nullopt));
  EXPECT_THAT(ExportLines(), ElementsAre("", "Can't output EXCEL file.", ""));
  EXPECT_FALSE(Saved(automation.calls));
}

}  // namespace
}  // namespace orvex
