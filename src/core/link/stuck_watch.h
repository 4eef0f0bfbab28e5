#pragma once
// The watch over the states that none of the link's timers ends, each of
// which would otherwise leave the tool refusing work or waiting until it is
// restarted:
//   - busy held by no request: a record renewal whose start (0x77 0x11) came
//     but whose end (0x33 or 0x44) never does. Once the printer has sent
//     nothing for the reply timeout's 90 seconds, busy ends with a line that
//     says so; a later report is handled as ever.
//   - a request pending while the reply timeout is stopped: another request's
//     reply, or an announcement, stopped it (a record renewal's end had freed
//     busy, and a second request went out). Once it has waited so for 90
//     seconds in all, it ends as the reply timeout ends any request:
//     "Communication Error !!" and the communication reset. While a later
//     request's reply timeout runs, the count waits: that timeout's reset
//     would end both.
// The watch ticks each second from the moment either state is seen until
// neither a request nor busy is left; then it stops and forgets its counts.

#include <string>

#include "core/link/link_control.h"
#include "core/session.h"

namespace orvex::core {

// Starts the watch when either state holds. The dispatcher calls it after
// every read; so does anything else that stops the reply timeout.
void LookForStuckStates(Session& session);

// The watch's tick.
void StuckWatchTick(Session& session);

inline const std::string kRenewalUnfinished = "Renew records: no report for " +
                                              std::to_string(kReplyTimeoutSeconds) +
                                              " sec, taken as ended .";

}  // namespace orvex::core
