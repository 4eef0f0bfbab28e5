#pragma once
// "Download" > "Date & Time": copies the PC's clock into the printer.

#include <optional>
#include <string>

#include "core/session.h"

namespace orvex::core {

// The years the printer's calendar holds.
constexpr int kFirstPrinterYear = 2002;
constexpr int kLastPrinterYear = 2021;

// The message that refuses a year the printer does not hold, or nullopt
// when the PC's year can be set.
std::optional<std::string> ClockYearProblem(const LocalDateTime& now);
// The printer's answer to the clock setting: 0xAA accepted it.
inline bool ClockSetAccepted(const ReceiveBuffer& rx) {
  return rx[0] == 0xAA;
}

void SetPrinterClock(Session& session);
// Dispatcher section 7.
void OnClockSetReply(Session& session);

}  // namespace orvex::core
