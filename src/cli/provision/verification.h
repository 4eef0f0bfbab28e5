#pragma once
// Read-back verification: what the printer answers to the queries, held
// against what was sent to it.

#include <cstdint>

#include "cli/printer_record.h"
#include "core/commands/queries.h"
#include "core/ports.h"

namespace orvex::cli::provision {

// The printer's clock may lag the PC by the seconds the setting dropped and
// by the time since; beyond this it was not set.
constexpr int kClockToleranceSeconds = 60;

cli::CheckRecord CheckMultipliers(const core::MultiplierReply& sent,
                                  const core::MultiplierReply& read);
// Compares the bits the setting sends; the date format bits are the printer's.
cli::CheckRecord CheckPrintStatus(std::uint8_t sent, std::uint8_t read);
// The printer's clock against the PC's local time at the reading.
cli::CheckRecord CheckClock(const core::DateTimeReply& read, const core::LocalDateTime& pcNow);

}  // namespace orvex::cli::provision
