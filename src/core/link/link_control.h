#pragma once
// The printer's announcement and variant handshake, the three timers, the
// communication reset and the Cancel button.

#include "session.h"

namespace orvex {

// Dispatcher sections 4 and 5: the printer announced itself with 0x26.
void HandleAnnouncement(Session& session);
// Dispatcher sections 2 and 3: the read that answers the variant query.
void HandleVariantReply(Session& session);

void Timer1Timer(Session& session);  // offline count
void Timer2Timer(Session& session);  // reply timeout
void Timer3Timer(Session& session);  // variant wait

void CommunicationReset(Session& session);

// "Cancel": only raises the flags that the downloads and the batch test.
void BitBtn2Click(Session& session);

constexpr int kReplyTimeoutSeconds = 90;

}  // namespace orvex
