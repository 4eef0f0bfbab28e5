#pragma once

#include "core/session.h"

namespace orvex::core {

// The test every printer command makes first. Both forms return silently
// while the printer is not identified. Returns true when the command may go on.
bool BusyCheck(Session& session);
bool BusyOrOfflineCheck(Session& session);

// The "Clear" and "Preview" items only need the printer identified.
inline bool IdentifiedCheck(const Session& session) {
  return session.state.identified;
}

// Request start for a command that awaits a reply, in the usual order:
// busy, pending, then the reply timeout.
void StartRequest(Session& session, Request request);

// Request end in a reply section: Timer2 off, then (after the section's
// lines) the request and busy cleared by FinishRequest.
void FinishRequest(Session& session, Request request);

}  // namespace orvex::core
