#pragma once
// The "Clear" commands of the ticket layouts.

#include "core/session.h"

namespace orvex::core {

// Resets one ticket to ten empty Text lines of size 1, height 1.
void ClearTicket(Session& session, TicketKind kind);

void ClearCoinFormat(Session& session);
void ClearNoteFormat(Session& session);
void ClearPayoutFormat(Session& session);

}  // namespace orvex::core
