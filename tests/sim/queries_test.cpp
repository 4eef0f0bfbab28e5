// Announcement, variant query and the read commands, byte for byte.

#include <gtest/gtest.h>

#include "printer_harness.h"

namespace orvex::sim {
namespace {

using testing::Bytes;
using testing::Harness;

Bytes Text(const char* text) {
  return Bytes(text, text + std::char_traits<char>::length(text));
}

TEST(AnnouncementTest, AnnouncesOnceShortlyAfterEachOpen) {
  Harness h;
  EXPECT_FALSE(h.printer.NextBurstTime());
  h.printer.PortOpened(5000);
  ASSERT_EQ(h.printer.NextBurstTime(), 5150);
  EXPECT_TRUE(h.printer.TakeDue(5149).empty());
  const std::vector<Burst> bursts = h.printer.TakeDue(5150);
  ASSERT_EQ(bursts.size(), 1u);
  EXPECT_EQ(bursts[0].bytes, Bytes{0x26});
  EXPECT_FALSE(h.printer.NextBurstTime());

  // A second open (the tool closed and re-opened) announces again.
  h.printer.PortOpened(9000);
  const std::vector<Burst> again = h.printer.TakeDue(9150);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].bytes, Bytes{0x26});
}

TEST(AnnouncementTest, ReopenDropsRepliesAndHalfCommands) {
  Harness h;
  h.Send({0x1D, 0xF9});       // firmware reply now scheduled
  h.Send({0x1B, 0xF1, '1'});  // half a clock setting
  h.printer.PortOpened(h.nowMs);
  h.Send({0x1B, 0xA0});
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 2u);
  EXPECT_EQ(bursts[0].bytes, Bytes{0x26});
  EXPECT_EQ(bursts[1].bytes, Bytes{0x0A});
  EXPECT_EQ(h.printer.received().clockSets, 0);
}

TEST(VariantQueryTest, AnswersPerVariant) {
  Harness wide;
  EXPECT_EQ(wide.Ask({0x1B, 0xA0}), Bytes{0x0A});

  PrinterOptions narrowOptions;
  narrowOptions.variant = Variant::Narrow18;
  Harness narrow(narrowOptions);
  const Bytes reply = narrow.Ask({0x1B, 0xA0});
  ASSERT_EQ(reply.size(), 1u);
  // Anything but a line feed means the 18-symbol printer to the tool; it must
  // not look like an announcement or an acknowledgement either.
  EXPECT_NE(reply[0], 0x0A);
  EXPECT_NE(reply[0], 0x26);
  EXPECT_NE(reply[0], 0x42);

  PrinterOptions silentOptions;
  silentOptions.variant = Variant::Silent;
  Harness silent(silentOptions);
  silent.Send({0x1B, 0xA0});
  EXPECT_TRUE(silent.Drain().empty());
  EXPECT_EQ(silent.printer.received().variantQueries, 1);
}

TEST(FirmwareQueryTest, NineteenBytesVersionAndChecksums) {
  PrinterOptions options;
  options.firmwareVersion = "ABCDEFGHIJKLMNO";
  options.checksum1 = {0x12, 0x34};
  options.checksum2 = {0x0A, 0xBC};
  Harness h(options);
  EXPECT_EQ(h.Ask({0x1D, 0xF9}),
            testing::Concat({Text("ABCDEFGHIJKLMNO"), {0x12, 0x34, 0x0A, 0xBC}}));

  // A short version is padded, a long one cut, so the checksums keep their place.
  options.firmwareVersion = "V1";
  Harness shortVersion(options);
  const Bytes reply = shortVersion.Ask({0x1D, 0xF9});
  ASSERT_EQ(reply.size(), 19u);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 3), Text("V1 "));
  EXPECT_EQ(reply[15], 0x12);
}

TEST(FirmwareQueryTest, ReplyFollowsTheLastByteAfterAShortProcessingTime) {
  Harness h;
  h.Send({0x1D, 0xF9});
  const std::int64_t lastByte = h.nowMs;
  const std::optional<std::int64_t> at = h.printer.NextBurstTime();
  ASSERT_TRUE(at);
  EXPECT_GT(*at, lastByte);
  EXPECT_LE(*at, lastByte + 50);
}

TEST(ClockTest, ReadsTwelveDigitsAndAdvancesWithTime) {
  PrinterOptions options;
  options.clock = {{2015, 6, 30}, 23, 59, 30};
  options.clockAtMs = 0;
  Harness h(options, 0);
  EXPECT_EQ(h.Ask({0x1B, 0xF0}), Text("150630235930"));
  h.nowMs = 45'000;  // 45 s later: over midnight into July
  EXPECT_EQ(h.Ask({0x1B, 0xF0}), Text("150701000015"));
}

TEST(ClockTest, SettingAcceptsTenDigitsAndRestartsSeconds) {
  Harness h({}, 0);
  EXPECT_EQ(h.Ask(testing::Concat({{0x1B, 0xF1}, Text("1602291405")})), Bytes{0xAA});
  h.nowMs += 61'000;
  EXPECT_EQ(h.Ask({0x1B, 0xF0}), Text("160229140601"));
  ASSERT_TRUE(h.printer.received().lastClockDigits);
  EXPECT_EQ((*h.printer.received().lastClockDigits)[0], '1');
}

TEST(ClockTest, SettingRejectsBadDigitsAndDatesOutsideItsCalendar) {
  const char* bad[] = {
      "15063014X5",  // not a digit
      "1513011200",  // month 13
      "1502291200",  // 29 February in a common year
      "1506302400",  // hour 24
      "1506301260",  // minute 60
      "2201011200",  // 2022, after the printer's last year
      "0112311200",  // 2001, before its first
  };
  for (const char* digits : bad) {
    Harness h({}, 0);
    const DateTime before = h.printer.ClockAt(h.nowMs);
    const Bytes reply = h.Ask(testing::Concat({{0x1B, 0xF1}, Text(digits)}));
    ASSERT_EQ(reply.size(), 1u) << digits;
    EXPECT_NE(reply[0], 0xAA) << digits;
    EXPECT_EQ(h.printer.ClockAt(h.nowMs).date, before.date) << digits;
    EXPECT_EQ(h.printer.received().clockSetsRejected, 1) << digits;
  }
  for (const char* digits : {"0201010000", "2112312359"}) {
    Harness h({}, 0);
    EXPECT_EQ(h.Ask(testing::Concat({{0x1B, 0xF1}, Text(digits)})), Bytes{0xAA}) << digits;
  }
}

TEST(MultiplierTest, SetIsSilentAndReadGivesItBack) {
  Harness h;
  EXPECT_EQ(h.Ask({0x1D, 0xF5}), (Bytes{0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00}));
  h.Send({0x1D, 0xF6, 0xE8, 0x03, 0x0F, 0x27, 0xFF, 0x00, 0x02});
  EXPECT_TRUE(h.Drain().empty());
  EXPECT_EQ(h.printer.multipliers(), (Multipliers{1000, 9999, 255, 2}));
  EXPECT_EQ(h.Ask({0x1D, 0xF5}), (Bytes{0xE8, 0x03, 0x0F, 0x27, 0xFF, 0x00, 0x02}));
  EXPECT_EQ(h.printer.received().multiplierSets, 1);
  EXPECT_EQ(h.printer.received().multiplierReads, 2);
}

TEST(PrintStatusTest, ReadReflectsSettingsAndDateFormat) {
  Harness h;
  EXPECT_EQ(h.Ask({0x1D, 0xF7}), Bytes{0x67});  // all five switches on, YY/MM/DD
  h.Send({0x1B, 0xF7, 0x21});
  h.Send({0x1B, 0xF9, '3'});
  EXPECT_TRUE(h.Drain().empty());
  EXPECT_EQ(h.Ask({0x1D, 0xF7}), Bytes{0x39});
  // Bits 3, 4 and 7 of a setting are not switches: the date format stays.
  h.Send({0x1B, 0xF7, 0xFF});
  EXPECT_EQ(h.Ask({0x1D, 0xF7}), Bytes{0x7F});
  h.Send({0x1B, 0xF7, 0x00});
  h.Send({0x1B, 0xF9, '1'});
  EXPECT_EQ(h.Ask({0x1D, 0xF7}), Bytes{0x08});
  EXPECT_EQ(h.printer.received().lastPrintStatusByte, 0x00);
}

std::uint32_t Le32(const Bytes& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

TEST(SummaryTest, TotalsMatchTheStoredDayRecords) {
  PrinterOptions options;
  options.records = RecordRange{{2005, 3, 1}, {2005, 3, 10}};
  Harness h(options);
  const Bytes summary = h.Ask({0x1B, 0xF4});
  ASSERT_EQ(summary.size(), 16u);
  // Sum the day records as the record search puts them on the wire.
  const Bytes search = h.Ask({0x1D, 0xF2, 5, 3, 1, 5, 3, 10});
  ASSERT_EQ(search.size(), 8u + 10 * 14 + 14);
  std::uint32_t sums[4] = {0, 0, 0, 0};
  for (int day = 0; day < 10; ++day) {
    const std::size_t at = 8 + 14 * static_cast<std::size_t>(day);
    sums[0] += Le32(search, at);
    sums[1] += Le32(search, at + 4);
    sums[2] += Le32(search, at + 8);
    sums[3] += static_cast<std::uint32_t>(search[at + 12] | search[at + 13] << 8);
  }
  EXPECT_GT(sums[0] + sums[1], 0u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Le32(summary, 4 * static_cast<std::size_t>(i)), sums[i]);
}

TEST(SummaryTest, NoRecordsGiveZeroTotals) {
  PrinterOptions options;
  options.records.reset();
  Harness h(options);
  EXPECT_EQ(h.Ask({0x1B, 0xF4}), Bytes(16, 0x00));
}

}  // namespace
}  // namespace orvex::sim
