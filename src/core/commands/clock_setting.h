#pragma once
// "Download" > "Date & Time": copies the PC's clock into the printer.

#include "session.h"

namespace orvex {

void SetPrinterClock(Session& session);
// Dispatcher section 7.
void OnClockSetReply(Session& session);

}  // namespace orvex
