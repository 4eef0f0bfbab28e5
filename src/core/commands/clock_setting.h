#pragma once
// "Download" > "Date & Time": copies the PC's clock into the printer.

#include <optional>
#include <string>

#include "session.h"

namespace orvex {

// The printer holds years 2002 to 2021: the message that refuses any
// other year, or nullopt when the PC's year can be set.
std::optional<std::string> ClockYearProblem(const LocalDateTime& now);
// The printer's answer to the clock setting: 0xAA accepted it.
inline bool ClockSetAccepted(const ReceiveBuffer& rx) {
  return rx[0] == 0xAA;
}

void SetPrinterClock(Session& session);
// Dispatcher section 7.
void OnClockSetReply(Session& session);

}  // namespace orvex
