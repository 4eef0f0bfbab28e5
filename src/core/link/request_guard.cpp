#include "core/link/request_guard.h"

namespace orvex::core {

namespace {
constexpr const char* kBusy = "Printer is busy right now .";
constexpr const char* kOffline = "Can't detect printer, please check it .";
}  // namespace

bool BusyCheck(Session& session) {
  if (!session.state.identified) return false;
  if (session.state.busy) {
    session.Append(kBusy);
    session.AppendEmpty();
    return false;
  }
  return true;
}

bool BusyOrOfflineCheck(Session& session) {
  if (!session.state.identified) return false;
  const bool offline = session.state.linkState != LinkState::Online;
  if (session.state.busy || offline) {
    session.Append(offline ? kOffline : kBusy);
    session.AppendEmpty();
    return false;
  }
  return true;
}

void StartRequest(Session& session, Request request) {
  session.state.busy = true;
  session.pending.Set(request);
  session.StartReplyTimeout();
}

void FinishRequest(Session& session, Request request) {
  ++session.requestsAnswered;
  session.pending.Clear(request);
  session.state.busy = false;
}

}  // namespace orvex::core
