// Record search: the reply layouts for no paper, nothing found, and the
// dates with one record per day and the serial record.

#include <gtest/gtest.h>

#include "printer_harness.h"

namespace orvex::sim {
namespace {

using testing::Bytes;
using testing::Harness;

PrinterOptions March2005() {
  PrinterOptions options;
  options.records = RecordRange{{2005, 3, 1}, {2005, 3, 31}};
  options.seed = 7;
  options.serialNumber = "100200300456";
  options.printStatus = 0x27;  // does not print the search: answers at once
  return options;
}

Bytes DayAt(const Bytes& reply, int day) {
  const auto at = reply.begin() + 8 + 14 * day;
  return Bytes(at, at + 14);
}

const Bytes kSerialRecord = {1, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 5, 6, 0};

TEST(RecordSearchTest, ThreeDaysWithRecordsAndSerial) {
  Harness h(March2005());
  const Bytes reply = h.Ask({0x1D, 0xF2, 5, 3, 7, 5, 3, 9});
  ASSERT_EQ(reply.size(), 8u + 3 * 14 + 14);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 8), (Bytes{5, 3, 7, 5, 3, 9, 1, 0}));
  for (int day = 0; day < 3; ++day) EXPECT_NE(DayAt(reply, day), Bytes(14, 0)) << day;
  EXPECT_NE(DayAt(reply, 0), DayAt(reply, 1));
  EXPECT_EQ(Bytes(reply.end() - 14, reply.end()), kSerialRecord);
  EXPECT_EQ(h.printer.received().lastSearch, (std::array<std::uint8_t, 6>{5, 3, 7, 5, 3, 9}));
}

TEST(RecordSearchTest, ADayHoldsTheSameRecordWhateverTheRange) {
  Harness h(March2005());
  const Bytes wide = h.Ask({0x1D, 0xF2, 5, 3, 7, 5, 3, 9});
  const Bytes single = h.Ask({0x1D, 0xF2, 5, 3, 8, 5, 3, 8});
  ASSERT_EQ(single.size(), 8u + 14 + 14);
  EXPECT_EQ(DayAt(single, 0), DayAt(wide, 1));

  PrinterOptions otherSeed = March2005();
  otherSeed.seed = 8;
  Harness other(otherSeed);
  EXPECT_NE(DayAt(other.Ask({0x1D, 0xF2, 5, 3, 8, 5, 3, 8}), 0), DayAt(single, 0));
}

TEST(RecordSearchTest, DaysWithoutRecordAreZero) {
  Harness h(March2005());
  const Bytes reply = h.Ask({0x1D, 0xF2, 5, 2, 27, 5, 3, 2});  // 2005 is no leap year: 4 days
  ASSERT_EQ(reply.size(), 8u + 4 * 14 + 14);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 6), (Bytes{5, 2, 27, 5, 3, 2}));
  EXPECT_EQ(DayAt(reply, 0), Bytes(14, 0));
  EXPECT_EQ(DayAt(reply, 1), Bytes(14, 0));
  EXPECT_NE(DayAt(reply, 2), Bytes(14, 0));
  EXPECT_NE(DayAt(reply, 3), Bytes(14, 0));
}

TEST(RecordSearchTest, NothingStoredInTheRange) {
  Harness h(March2005());
  EXPECT_EQ(h.Ask({0x1D, 0xF2, 5, 4, 1, 5, 4, 30}), Bytes{0x55});
  EXPECT_EQ(h.Ask({0x1D, 0xF2, 4, 3, 1, 4, 3, 31}), Bytes{0x55});
}

TEST(RecordSearchTest, InvalidDatesFindNothing) {
  Harness h(March2005());
  EXPECT_EQ(h.Ask({0x1D, 0xF2, 5, 13, 1, 5, 3, 9}), Bytes{0x55});
  EXPECT_EQ(h.Ask({0x1D, 0xF2, 5, 2, 29, 5, 3, 9}), Bytes{0x55});
  EXPECT_EQ(h.Ask({0x1D, 0xF2, 5, 3, 0, 5, 3, 9}), Bytes{0x55});
}

TEST(RecordSearchTest, OutOfPaperAnswersZero) {
  PrinterOptions options = March2005();
  options.outOfPaper = true;
  Harness h(options);
  EXPECT_EQ(h.Ask({0x1D, 0xF2, 5, 3, 7, 5, 3, 9}), Bytes{0x00});
}

TEST(RecordSearchTest, ReversedRangeIsSelectedInOrder) {
  Harness h(March2005());
  const Bytes reply = h.Ask({0x1D, 0xF2, 5, 3, 9, 5, 3, 7});
  ASSERT_EQ(reply.size(), 8u + 3 * 14 + 14);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 6), (Bytes{5, 3, 7, 5, 3, 9}));
}

TEST(RecordSearchTest, DecimalPlacesFollowTheMultiplierSetting) {
  Harness h(March2005());
  h.Send({0x1D, 0xF6, 1, 0, 1, 0, 1, 0, 2});
  const Bytes reply = h.Ask({0x1D, 0xF2, 5, 3, 7, 5, 3, 7});
  ASSERT_GT(reply.size(), 8u);
  EXPECT_EQ(reply[6], 1);
  EXPECT_EQ(reply[7], 2);
}

TEST(RecordSearchTest, LongRangeIsCutToWhatOneReadCarries) {
  PrinterOptions options = March2005();
  options.records = RecordRange{{2002, 1, 1}, {2021, 12, 31}};
  Harness h(options);
  const Bytes reply = h.Ask({0x1D, 0xF2, 2, 1, 1, 21, 12, 31});
  ASSERT_EQ(reply.size(), 8u + 2000 * 14 + 14);
  EXPECT_LE(reply.size(), 30000u);
  // The 2000th day from 1 January 2002 on is 23 June 2007.
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 6), (Bytes{2, 1, 1, 7, 6, 23}));
  EXPECT_EQ(Bytes(reply.end() - 14, reply.end()), kSerialRecord);
}

TEST(RecordSearchTest, PrintedSearchAnswersAfterPrinting) {
  PrinterOptions options = March2005();
  options.printStatus = 0x67;  // bit 6: the printer prints the search
  Harness h(options);
  h.Send({0x1D, 0xF2, 5, 3, 7, 5, 3, 9});
  const std::int64_t sent = h.nowMs;
  EXPECT_TRUE(h.Advance(1000).empty());
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 1u);
  EXPECT_GE(bursts[0].atMs - sent, 1000);
  EXPECT_EQ(bursts[0].bytes.size(), 8u + 3 * 14 + 14);
}

TEST(DayRecordTest, EncodesLittleEndian) {
  const DayRecord record{0x04030201, 0x08070605, 0x0C0B0A09, 0x0E0D};
  const std::array<std::uint8_t, 14> bytes = EncodeDayRecord(record);
  for (std::size_t i = 0; i < 14; ++i) EXPECT_EQ(bytes[i], i + 1) << i;
}

TEST(RecordSearchTest, RecordsStoredAgainAfterAnErase) {
  Harness h(March2005());
  h.Send({0x1B, 0xF3});
  h.Drain();
  EXPECT_EQ(h.Ask({0x1D, 0xF2, 5, 3, 7, 5, 3, 9}), Bytes{0x55});
  h.printer.SetRecords(RecordRange{{2005, 3, 8}, {2005, 3, 20}});
  EXPECT_EQ(h.printer.records().size(), 13u);
  const Bytes reply = h.Ask({0x1D, 0xF2, 5, 3, 7, 5, 3, 9});
  ASSERT_EQ(reply.size(), 8u + 3 * 14 + 14);
  EXPECT_EQ(DayAt(reply, 0), Bytes(14, 0));  // the 7th is not stored
  const auto stored = EncodeDayRecord(GenerateDayRecord(7, {2005, 3, 8}));
  EXPECT_EQ(DayAt(reply, 1), Bytes(stored.begin(), stored.end()));
  h.printer.SetRecords(std::nullopt);
  EXPECT_TRUE(h.printer.records().empty());
  h.printer.SetRecords(RecordRange{{2005, 2, 30}, {2005, 3, 1}});  // no date: nothing
  EXPECT_TRUE(h.printer.records().empty());
}

}  // namespace
}  // namespace orvex::sim
