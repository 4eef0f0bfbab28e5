// Test prints, reports, erase with its record-maintenance run, cutter, date
// format and serial-number printing.

#include <gtest/gtest.h>

#include "printer_harness.h"

namespace orvex::sim {
namespace {

using testing::Bytes;
using testing::Harness;

struct PrintCase {
  Bytes request;
  const char* name;
};

const PrintCase kPrints[] = {
    {{0x1B, 0xFA}, "coin ticket"},    {{0x1B, 0xFB}, "note ticket"},
    {{0x1B, 0xFC}, "payout ticket"},  {{0x1D, 0xF0}, "daily report"},
    {{0x1D, 0xF1}, "history report"},
};

TEST(TestPrintTest, AnswersOneAfterPrinting) {
  for (const PrintCase& print : kPrints) {
    Harness h;
    h.Send(print.request);
    const std::int64_t sent = h.nowMs;
    EXPECT_TRUE(h.Advance(1000).empty()) << print.name << ": still printing";
    const std::vector<Burst> bursts = h.Drain();
    ASSERT_EQ(bursts.size(), 1u) << print.name;
    EXPECT_EQ(bursts[0].bytes, Bytes{0x01}) << print.name;
    EXPECT_GE(bursts[0].atMs - sent, 1000) << print.name;
    EXPECT_LE(bursts[0].atMs - sent, 3000) << print.name;
  }
}

TEST(TestPrintTest, AnswersZeroWithoutPaper) {
  PrinterOptions options;
  options.outOfPaper = true;
  for (const PrintCase& print : kPrints) {
    Harness h(options);
    EXPECT_EQ(h.Ask(print.request), Bytes{0x00}) << print.name;
  }
}

TEST(TestPrintTest, CountsEachKind) {
  Harness h;
  for (const PrintCase& print : kPrints) h.Ask(print.request);
  h.Ask({0x1B, 0xFA});
  const ReceivedLog& got = h.printer.received();
  EXPECT_EQ(got.testPrints[0], 2);
  EXPECT_EQ(got.testPrints[1], 1);
  EXPECT_EQ(got.testPrints[2], 1);
  EXPECT_EQ(got.dailyReports, 1);
  EXPECT_EQ(got.historyReports, 1);
}

PrinterOptions EraseOptions(Date first, Date last) {
  PrinterOptions options;
  options.records = RecordRange{first, last};
  options.lastEraseDate = {2005, 1, 9};
  options.clock = {{2015, 6, 30}, 14, 5, 9};
  return options;
}

void ExpectSeparateReads(const std::vector<Burst>& bursts) {
  for (std::size_t i = 1; i < bursts.size(); ++i) {
    EXPECT_GT(bursts[i].atMs - bursts[i - 1].atMs, 50) << "burst " << i;
  }
}

TEST(EraseTest, ResultThenStartProgressAndFinishReports) {
  Harness h(EraseOptions({2005, 3, 1}, {2005, 3, 3}));
  h.Send({0x1B, 0xF3});
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 6u);
  EXPECT_EQ(bursts[0].bytes, Bytes{0xAA});
  EXPECT_EQ(bursts[1].bytes, (Bytes{0x77, 0x11, 5, 1, 9}));
  EXPECT_EQ(bursts[2].bytes, (Bytes{0x77, 0x22, 5, 3, 1}));
  EXPECT_EQ(bursts[3].bytes, (Bytes{0x77, 0x22, 5, 3, 2}));
  EXPECT_EQ(bursts[4].bytes, (Bytes{0x77, 0x22, 5, 3, 3}));
  ASSERT_EQ(bursts[5].bytes.size(), 5u);
  EXPECT_EQ(bursts[5].bytes[0], 0x77);
  EXPECT_EQ(bursts[5].bytes[1], 0x33);
  ExpectSeparateReads(bursts);

  EXPECT_TRUE(h.printer.records().empty());
  EXPECT_EQ(h.printer.lastEraseDate(), (Date{2015, 6, 30}));
  EXPECT_EQ(h.printer.received().erases, 1);

  // Erasing again reports the new erase date and no day.
  h.Send({0x1B, 0xF3});
  const std::vector<Burst> again = h.Drain();
  ASSERT_EQ(again.size(), 3u);
  EXPECT_EQ(again[1].bytes, (Bytes{0x77, 0x11, 15, 6, 30}));
  EXPECT_EQ(again[2].bytes[1], 0x33);
}

TEST(EraseTest, ReportsFirstOrderPutsTheResultLast) {
  PrinterOptions options = EraseOptions({2005, 3, 1}, {2005, 3, 2});
  options.eraseOrder = EraseOrder::ReportsFirst;
  Harness h(options);
  h.Send({0x1B, 0xF3});
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 5u);
  EXPECT_EQ(bursts[0].bytes[1], 0x11);
  EXPECT_EQ(bursts[3].bytes[1], 0x33);
  EXPECT_EQ(bursts[4].bytes, Bytes{0xAA});
  ExpectSeparateReads(bursts);
}

TEST(EraseTest, ProgressReportsAreCappedAndSpreadOverTheDays) {
  Harness h(EraseOptions({2005, 3, 1}, {2005, 3, 31}));
  h.Send({0x1B, 0xF3});
  std::vector<Date> progress;
  for (const Burst& burst : h.Drain()) {
    if (burst.bytes.size() == 5 && burst.bytes[1] == 0x22) {
      progress.push_back({2000 + burst.bytes[2], burst.bytes[3], burst.bytes[4]});
    }
  }
  ASSERT_EQ(progress.size(), 10u);
  EXPECT_EQ(progress.front(), (Date{2005, 3, 1}));
  EXPECT_EQ(progress.back(), (Date{2005, 3, 31}));
  for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_LT(progress[i - 1], progress[i]);
}

TEST(EraseTest, RecordSearchAfterEraseFindsNothing) {
  Harness h(EraseOptions({2005, 3, 1}, {2005, 3, 5}));
  h.Send({0x1B, 0xF3});
  h.Drain();
  EXPECT_EQ(h.Ask({0x1D, 0xF2, 5, 3, 1, 5, 3, 5}), Bytes{0x55});
  EXPECT_EQ(h.Ask({0x1B, 0xF4}), Bytes(16, 0x00));
}

TEST(SilentCommandTest, CutsAreCountedWithoutAnswer) {
  Harness h;
  h.Send({0x1B, 0xF5});
  h.Send({0x1B, 0xF5});
  h.Send({0x1B, 0xF6});
  EXPECT_TRUE(h.Drain().empty());
  EXPECT_EQ(h.printer.received().fullCuts, 2);
  EXPECT_EQ(h.printer.received().partCuts, 1);
}

TEST(SilentCommandTest, DateFormatTakesDigitsZeroToThreeOnly) {
  Harness h;
  h.Send({0x1B, 0xF9, '2'});
  EXPECT_EQ(h.printer.dateFormat(), 2);
  h.Send({0x1B, 0xF9, '7'});
  EXPECT_EQ(h.printer.dateFormat(), 2);
  h.Send({0x1B, 0xF9, 0x03});  // the value 3, not the digit
  EXPECT_EQ(h.printer.dateFormat(), 2);
  EXPECT_TRUE(h.Drain().empty());
  EXPECT_EQ(h.printer.received().dateFormatSets, 1);
  EXPECT_EQ(h.printer.received().dateFormatRejected, 2);
  EXPECT_EQ(h.printer.received().lastDateFormatByte, 0x03);
}

TEST(SilentCommandTest, SerialNumberPrintingSwitchesOnAndOff) {
  Harness h;
  EXPECT_FALSE(h.printer.serialPrinting());
  h.Send({0x1B, 0xE6, 0x01});
  EXPECT_EQ(h.printer.serialPrinting(), true);
  h.Send({0x1B, 0xE6, 0x00});
  EXPECT_EQ(h.printer.serialPrinting(), false);
  h.Send({0x1B, 0xE6, '1'});  // ASCII one is not the value one
  EXPECT_EQ(h.printer.serialPrinting(), false);
  EXPECT_TRUE(h.Drain().empty());
  EXPECT_EQ(h.printer.received().serialPrintingSets, 2);
  EXPECT_EQ(h.printer.received().serialPrintingRejected, 1);
  EXPECT_EQ(h.printer.received().lastSerialPrintingByte, '1');
}

}  // namespace
}  // namespace orvex::sim
