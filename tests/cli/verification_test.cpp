// Read-back comparisons.
#include "cli/provision/verification.h"

#include <gtest/gtest.h>

#include "cli/readouts.h"

namespace orvex::cli::provision {
namespace {

using cli::CheckRecord;
using cli::CheckResult;
using cli::SecondsBetween;

core::DateTimeReply Reading(const char* yy, const char* mo, const char* dd, const char* hh,
                            const char* mi, const char* ss) {
  core::DateTimeReply reply;
  reply.fields = {yy, mo, dd, hh, mi, ss};
  return reply;
}

TEST(Verification, MultipliersMatchOnlyWhenAllFourAgree) {
  const core::MultiplierReply sent{25, 100, 5, 2};
  EXPECT_EQ(CheckMultipliers(sent, sent).result, CheckResult::Match);
  const CheckRecord off = CheckMultipliers(sent, {25, 100, 5, 3});
  EXPECT_EQ(off.result, CheckResult::Mismatch);
  EXPECT_EQ(off.expected, "coin 25, note 100, payout 5, decimals 2");
  EXPECT_EQ(off.read, "coin 25, note 100, payout 5, decimals 3");
}

TEST(Verification, PrintStatusLeavesThePrintersDateFormatBitsOut) {
  // Sent 0x67 (everything on); the printer reports its date format in bits 3, 4.
  EXPECT_EQ(CheckPrintStatus(0x67, 0x7F).result, CheckResult::Match);
  EXPECT_EQ(CheckPrintStatus(0x67, 0x65).result, CheckResult::Mismatch);  // note ticket off
  EXPECT_EQ(CheckPrintStatus(0x00, 0x80).result, CheckResult::Match);     // bit 7 is not used
  EXPECT_EQ(cli::DescribePrintStatus(0x21), "coin ticket, symbol (0x21)");
  EXPECT_EQ(cli::DescribePrintStatus(0x18), "nothing (0x18)");
}

TEST(Verification, ClockWithinAMinuteOfThePc) {
  const core::LocalDateTime pc{2015, 6, 30, 14, 5, 50};
  // Set at 14:05 (seconds are not sent), read 50 s later: the usual lag.
  EXPECT_EQ(CheckClock(Reading("15", "06", "30", "14", "05", "00"), pc).result, CheckResult::Match);
  EXPECT_EQ(CheckClock(Reading("15", "06", "30", "14", "04", "50"), pc).result, CheckResult::Match);
  EXPECT_EQ(CheckClock(Reading("15", "06", "30", "14", "04", "49"), pc).result,
            CheckResult::Mismatch);
  EXPECT_EQ(CheckClock(Reading("15", "06", "30", "14", "06", "51"), pc).result,
            CheckResult::Mismatch);
  // Across midnight and a month's end the minute still counts as a minute.
  const core::LocalDateTime newMonth{2015, 7, 1, 0, 0, 20};
  EXPECT_EQ(CheckClock(Reading("15", "06", "30", "23", "59", "40"), newMonth).result,
            CheckResult::Match);
  // A day off, the same time of day, is far off.
  EXPECT_EQ(CheckClock(Reading("15", "06", "29", "14", "05", "50"), pc).result,
            CheckResult::Mismatch);
  const CheckRecord check = CheckClock(Reading("15", "06", "30", "14", "05", "00"), pc);
  EXPECT_EQ(check.read, "2015-06-30 14:05:00");
  EXPECT_EQ(check.expected, "2015-06-30 14:05:50");
}

TEST(Verification, AnUnreadableClockIsNeitherMatchNorMismatch) {
  const core::LocalDateTime pc{2015, 6, 30, 14, 5, 50};
  core::DateTimeReply error;
  error.readError = true;
  EXPECT_EQ(CheckClock(error, pc).result, CheckResult::Unreadable);
  EXPECT_EQ(CheckClock(Reading("15", "06", "3x", "14", "05", "00"), pc).result,
            CheckResult::Unreadable);
  EXPECT_EQ(CheckClock(Reading("15", "13", "30", "14", "05", "00"), pc).result,
            CheckResult::Unreadable);
  EXPECT_EQ(CheckClock(Reading("15", "06", "30", "24", "05", "00"), pc).result,
            CheckResult::Unreadable);
}

TEST(Verification, SecondsBetweenCountsLeapDays) {
  EXPECT_EQ(SecondsBetween({2016, 2, 28, 0, 0, 0}, {2016, 3, 1, 0, 0, 0}), 2 * 86400);
  EXPECT_EQ(SecondsBetween({2015, 2, 28, 0, 0, 0}, {2015, 3, 1, 0, 0, 0}), 86400);
  EXPECT_EQ(SecondsBetween({2021, 12, 31, 23, 59, 59}, {2022, 1, 1, 0, 0, 0}), 1);
}

}  // namespace
}  // namespace orvex::cli::provision
