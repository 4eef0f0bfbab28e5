#pragma once
// The printer's announcement and variant handshake, the three timers, the
// communication reset and the Cancel button.

#include "core/session.h"

namespace orvex::core {

// Dispatcher sections 4 and 5: the printer announced itself with 0x26.
void HandleAnnouncement(Session& session);
// Dispatcher sections 2 and 3: the read that answers the variant query.
// Returns whether it took the read as that answer.
bool HandleVariantReply(Session& session);
// The variant query without waiting for the announcement, for a printer that
// was switched on before its port was opened (its 0x26 went unheard). Its
// answer takes the link online; the fallback after four ticks identifies the
// printer but leaves the link as it was, since nothing has answered.
void ProbeVariant(Session& session);

void OfflineCountTick(Session& session);  // offline count
void ReplyTimeoutTick(Session& session);  // reply timeout
void VariantWaitTick(Session& session);   // variant wait
// One tick of that timer, whichever it is: what every host of a session
// calls when a timer's second has passed.
void TimerTick(Session& session, TimerId timer);

void CommunicationReset(Session& session);
// The line did not take a byte of a request: said in the message window,
// then the communication reset.
void LineStalled(Session& session);

// "Cancel": only raises the flags that the downloads and the batch test.
void CancelDownload(Session& session);

constexpr int kReplyTimeoutSeconds = 90;

}  // namespace orvex::core
