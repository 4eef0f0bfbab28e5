#pragma once
// The printer's answers in the words of the programs' lines and reports,
// and the clock held against the PC's.

#include <cstdint>
#include <optional>
#include <string>

#include "cli/printer_record.h"
#include "core/commands/queries.h"
#include "core/ports.h"

namespace orvex::cli {

// "coin 25, note 100, payout 5, decimals 2"
std::string Describe(const core::MultiplierReply& values);
// "coin ticket, symbol (0x21)"; the date format bits are left out.
std::string DescribePrintStatus(std::uint8_t status);
// "2015-06-30 14:05:09"
std::string Describe(const core::LocalDateTime& time);
// "coin 1200, note 3400, payout 50, tickets out 17"
std::string Describe(const core::SummaryReply& totals);
// The version without the blanks that pad it to 15 characters.
std::string TrimmedVersion(const core::FirmwareReply& firmware);
// "ORVEX-58 V2.15, checksums 3C5A E10F"
std::string Describe(const core::FirmwareReply& firmware);
// "YY/MM/DD" for the print status's date format code 0, ...
const char* DateFormatName(int code);

// The printer's clock as the date and time it stands for; nullopt for a
// read error or fields that are no date and time.
std::optional<core::LocalDateTime> PrinterTime(const core::DateTimeReply& reply);
// The fields as they came: "2015-06-30 14:05:00" (or what stands there).
std::string DescribePrinterClock(const core::DateTimeReply& reply);

// Seconds from `a` to `b`, calendar-correct (no time zone involved).
std::int64_t SecondsBetween(const core::LocalDateTime& a, const core::LocalDateTime& b);

// The printer's clock against the PC's local time at the reading: a match
// within toleranceSeconds either way.
CheckRecord CheckClock(const core::DateTimeReply& read, const core::LocalDateTime& pcNow,
                       std::int64_t toleranceSeconds);

}  // namespace orvex::cli
