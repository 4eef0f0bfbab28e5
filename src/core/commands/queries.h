#pragma once
// The "Read" menu: five queries and the decoding of their replies.

#include "session.h"

namespace orvex {

void ReadFirmwareVersion(Session& session);
void ReadPrinterClock(Session& session);
void ReadMultipliers(Session& session);
void ReadPrintStatus(Session& session);
void ReadSummaryTotals(Session& session);

// Reply sections, run by the dispatcher while their flag is set.
void OnFirmwareReply(Session& session);
void OnDateTimeReply(Session& session);
void OnMultiplierReply(Session& session);
void OnPrintStatusReply(Session& session);
void OnSummaryReply(Session& session);

}  // namespace orvex
