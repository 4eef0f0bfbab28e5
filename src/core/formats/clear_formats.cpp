#include "core/formats/clear_formats.h"

#include "core/link/request_guard.h"

namespace orvex::core {

void ClearTicket(Session& session, TicketKind kind) {
  if (!IdentifiedCheck(session)) return;
  for (FormatLine& line : session.setup.Ticket(kind)) line = FormatLine{};
  session.io.view.RefreshSetup();
}

void ClearCoinFormat(Session& session) {
  ClearTicket(session, TicketKind::Coin);
}
void ClearNoteFormat(Session& session) {
  ClearTicket(session, TicketKind::Note);
}
void ClearPayoutFormat(Session& session) {
  ClearTicket(session, TicketKind::Payout);
}

}  // namespace orvex::core
