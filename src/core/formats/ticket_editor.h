#pragma once
// The "Clear" commands of the ticket layouts.

#include "session.h"

namespace orvex {

// Resets one ticket to ten empty Text lines of size 1, height 1.
void ClearTicket(Session& session, TicketKind kind);

void CoinTicketFormat1Click(Session& session);
void NoteTicketFormat1Click(Session& session);
void PayoutTicketFormat1Click(Session& session);

}  // namespace orvex
