#include "core/link/stuck_watch.h"

#include "core/link/link_control.h"

namespace orvex::core {

namespace {

bool Uncovered(const Session& session) {
  return session.pending.Any() && !session.io.timers.TimerEnabled(TimerId::ReplyTimeout);
}

bool BusyHeldByNoRequest(const Session& session) {
  return session.state.busy && !session.pending.Any();
}

void StopWatch(Session& session) {
  session.watch = StuckWatchCounts{};
  session.SetTimer(TimerId::StuckWatch, false);
}

}  // namespace

void LookForStuckStates(Session& session) {
  if (Uncovered(session) || BusyHeldByNoRequest(session)) {
    session.SetTimer(TimerId::StuckWatch, true);  // a running watch keeps its counts
  }
}

void StuckWatchTick(Session& session) {
  // A request whose reply is being handled (the period export handles
  // events meanwhile) is not waiting for anything.
  if (session.exporting) return;
  StuckWatchCounts& counts = session.watch;
  if (session.pending.Any()) {
    // Under a running reply timeout the count waits: that timeout's reset
    // ends every pending request.
    if (!session.io.timers.TimerEnabled(TimerId::ReplyTimeout)) {
      counts.uncoveredSeconds += 1;
      if (counts.uncoveredSeconds >= kReplyTimeoutSeconds) {
        CommunicationReset(session);
        StopWatch(session);
      }
    }
    return;
  }
  if (session.state.busy) {
    counts.silentSeconds += 1;
    if (counts.silentSeconds >= kReplyTimeoutSeconds) {
      session.state.busy = false;
      session.Append(kRenewalUnfinished);
      session.AppendEmpty();
      StopWatch(session);
    }
    return;
  }
  StopWatch(session);
}

}  // namespace orvex::core
