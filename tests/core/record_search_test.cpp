// Record search: day numbers, the request, and the reply's header lines.
#include "core/records/record_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "virtual_bench.h"
#include "wire_test.h"

namespace orvex::core {
namespace {

using test::VirtualBench;
using ::testing::ElementsAre;

TEST(DayNumber, CountsFromTheFirstOfJanuary2002) {
  EXPECT_EQ(DayNumber(2, 1, 1), 1);
  EXPECT_EQ(DayNumber(3, 1, 1), 366);
  EXPECT_EQ(DayNumber(4, 2, 29), 790);
  EXPECT_EQ(DayNumber(5, 3, 1), 1156);
  EXPECT_EQ(DayNumber(21, 12, 31), 7305);
  EXPECT_EQ(DayNumber(4, 3, 1) - DayNumber(4, 2, 28), 2);
  EXPECT_EQ(DayNumber(5, 3, 1) - DayNumber(5, 2, 28), 1);
  // Outside the window the year and month parts are 0.
  EXPECT_EQ(DayNumber(1, 1, 5), 5);
  EXPECT_EQ(DayNumber(30, 1, 5), 5);
  EXPECT_EQ(DayNumber(5, 0, 5), 1096 + 5);
  EXPECT_EQ(DayNumber(5, 13, 5), 1096 + 5);
}

TEST(DayNumber, DifferencesAreDayCountsAcrossTheWindow) {
  // Every 1 January follows 31 December by one day.
  for (std::uint8_t year = 2; year < 21; ++year) {
    EXPECT_EQ(DayNumber(static_cast<std::uint8_t>(year + 1), 1, 1) - DayNumber(year, 12, 31), 1)
        << int(year);
  }
}

TEST(SearchDateLine, YearCodesBelowAndAboveTen) {
  EXPECT_EQ(SearchDateLine(5, 3, 7), "     2005/3/7");
  EXPECT_EQ(SearchDateLine(9, 1, 1), "     2009/1/1");
  EXPECT_EQ(SearchDateLine(12, 10, 2), "     2012/10/2");
  EXPECT_EQ(SearchDateLine(21, 12, 31), "     2021/12/31");
  // Not validated: a strange year code or month goes out as it comes.
  EXPECT_EQ(SearchDateLine(99, 13, 40), "     2099/13/40");
}

using SearchTest = test::WireTest;

TEST_F(SearchTest, RequestAndSelectedDateLines) {
  SearchAndPrint(s, {{2005, 3, 7}, {2005, 3, 9}});
  EXPECT_THAT(bench.SentBytes(), ElementsAre(0x1D, 0xF2, 5, 3, 7, 5, 3, 9));
  EXPECT_EQ(bench.now(), bench.sent().back().atMs);
  EXPECT_THAT(Lines(), ElementsAre("The begining date you selected : 07/03/2005",
                                   "The final date you selected : 09/03/2005", ""));
  EXPECT_TRUE(s.pending.Has(Request::RecordSearch));
  EXPECT_TRUE(s.state.busy);
  // The timeout count rewrites the first of those lines.
  bench.RunFor(1000);
  EXPECT_EQ(bench.memo.lines.at(static_cast<std::size_t>(mark)), "Timeout Detect : 1 sec");
}

TEST_F(SearchTest, YearWindowAndBusy) {
  SearchAndPrint(s, {{2001, 12, 31}, {2005, 3, 9}});
  EXPECT_THAT(Lines(), ElementsAre("Year must be from 2002 to 2021.", ""));
  mark = bench.memo.LineCount();
  SearchAndPrint(s, {{2005, 1, 1}, {2022, 1, 1}});
  EXPECT_THAT(Lines(), ElementsAre("Year must be from 2002 to 2021.", ""));
  EXPECT_TRUE(bench.SentBytes().empty());
  EXPECT_FALSE(s.state.busy);
  // A beginning after the ending goes out as chosen.
  SearchAndPrint(s, {{2010, 5, 1}, {2009, 5, 1}});
  EXPECT_THAT(bench.SentBytes(), ElementsAre(0x1D, 0xF2, 10, 5, 1, 9, 5, 1));
  mark = bench.memo.LineCount();
  SearchAndPrint(s, {{2010, 5, 1}, {2011, 5, 1}});
  EXPECT_THAT(Lines(), ElementsAre("Printer is busy right now .", ""));
}

TEST_F(SearchTest, ReplyWithoutRecords) {
  SearchAndPrint(s, {{2005, 3, 7}, {2005, 3, 9}});
  mark = bench.memo.LineCount();
  bench.Deliver({5, 3, 7, 5, 3, 9, 0, 0});
  EXPECT_THAT(Lines(), ElementsAre("The begining date Orvex selected :", "     2005/3/7",
                                   "The final date Orvex selected :", "     2005/3/9", ""));
  EXPECT_FALSE(s.state.busy);
  EXPECT_FALSE(s.pending.Has(Request::RecordSearch));
  EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
}

TEST_F(SearchTest, NoPaperAndNoRecord) {
  SearchAndPrint(s, {{2005, 3, 7}, {2005, 3, 9}});
  mark = bench.memo.LineCount();
  bench.Deliver({0x00, 3, 7});
  EXPECT_THAT(Lines(), ElementsAre("Printer have no paper .", ""));
  SearchAndPrint(s, {{2005, 3, 7}, {2005, 3, 9}});
  mark = bench.memo.LineCount();
  bench.Deliver({0x55});
  EXPECT_THAT(Lines(), ElementsAre("No record be found .", ""));
  EXPECT_FALSE(s.state.busy);
}

TEST_F(SearchTest, RecordsWithNoSpreadsheetReportTheFailure) {
  SearchAndPrint(s, {{2005, 3, 1}, {2005, 3, 3}});
  mark = bench.memo.LineCount();
  std::vector<std::uint8_t> reply{5, 3, 1, 5, 3, 3, 1, 2};
  reply.resize(8 + 14 * 3, 0);
  bench.Deliver(reply);
  EXPECT_THAT(Lines(), ElementsAre("The begining date Orvex selected :", "     2005/3/1",
                                   "The final date Orvex selected :", "     2005/3/3", "",
                                   "Can't output EXCEL file.", ""));
  EXPECT_FALSE(s.state.busy);
}

}  // namespace
}  // namespace orvex::core
