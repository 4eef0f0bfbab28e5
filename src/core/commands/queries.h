#pragma once
// The "Read" menu: five queries and the decoding of their replies.

#include "session.h"

namespace orvex {

void ReadFirmwareVersionClick(Session& session);
void ReadDateTimeClick(Session& session);
void ReadTicketPointClick(Session& session);
void ReadPrintTicketClick(Session& session);
void SummaryReport1Click(Session& session);

// Reply sections, run by the dispatcher while their flag is set.
void OnFirmwareReply(Session& session);
void OnDateTimeReply(Session& session);
void OnMultiplierReply(Session& session);
void OnPrintStatusReply(Session& session);
void OnSummaryReply(Session& session);

}  // namespace orvex
