#include "core/link/link_control.h"

#include <string>

#include "core/link/stuck_watch.h"

namespace orvex::core {

namespace {

void SettleVariant(Session& session, bool wide) {
  session.state.identifyStep = 0;
  session.state.wideSymbols = wide;
  session.SetTimer(TimerId::VariantWait, false);
  session.io.panel.ShowSymbolChooser(wide);
  session.io.panel.SetSymbolCheckEnabled(true);
  session.state.identified = true;
}

}  // namespace

void HandleAnnouncement(Session& session) {
  const bool fromLost = session.state.linkState == LinkState::Lost;
  session.state.linkState = LinkState::Online;
  session.SetTimer(TimerId::OfflineCount, false);
  session.SetTimer(TimerId::ReplyTimeout, false);
  session.Append("Orvex is online .");
  if (!session.Send("variant query", {ESC, 0xA0}, LastPause::No)) return;
  session.state.identifyStep = fromLost ? 2 : 1;
  session.state.identifyTicks = 0;
  session.SetTimer(TimerId::VariantWait, true);
}

bool HandleVariantReply(Session& session) {
  const bool wide = session.rx[0] == 0x0A || session.rx[5] == 0x0A;
  // Only a probe asks before the printer has announced itself: its answer
  // is the first sign of the printer. An announcement crossing the probe is
  // left to the announcement sections, which ask again.
  if (session.state.linkState == LinkState::NotSeen) {
    if (session.rx[0] == 0x26 || session.rx[1] == 0x26) return false;
    session.state.linkState = LinkState::Online;
    session.Append("Orvex is online .");
  }
  SettleVariant(session, wide);
  return true;
}

void ProbeVariant(Session& session) {
  if (!session.Send("variant probe", {ESC, 0xA0}, LastPause::No)) return;
  session.state.identifyStep = 1;
  session.state.identifyTicks = 0;
  session.SetTimer(TimerId::VariantWait, true);
}

void VariantWaitTick(Session& session) {
  if (session.state.identifyStep != 1 && session.state.identifyStep != 2) return;
  session.state.identifyTicks += 1;
  if (session.state.identifyTicks > 3) {
    session.state.identifyTicks = 0;
    SettleVariant(session, false);
  }
}

void ReplyTimeoutTick(Session& session) {
  session.state.timeoutSeconds += 1;
  session.io.memo.ReplaceLine(
      session.state.timeoutLine,
      "Timeout Detect : " + std::to_string(session.state.timeoutSeconds) + " sec");
  if (session.state.timeoutSeconds >= kReplyTimeoutSeconds) CommunicationReset(session);
}

void TimerTick(Session& session, TimerId timer) {
  switch (timer) {
    case TimerId::OfflineCount:
      return OfflineCountTick(session);
    case TimerId::ReplyTimeout:
      return ReplyTimeoutTick(session);
    case TimerId::VariantWait:
      return VariantWaitTick(session);
    case TimerId::StuckWatch:
      return StuckWatchTick(session);
  }
}

void OfflineCountTick(Session& session) {
  if (session.state.linkState == LinkState::Lost) return;
  session.state.timeoutSeconds += 1;
  if (session.state.timeoutSeconds == 3) {
    session.Append("Printer not online .");
    session.AppendEmpty();
    session.state.linkState = LinkState::Lost;
  }
}

void CommunicationReset(Session& session) {
  session.Append("Communication Error !!");
  session.AppendEmpty();
  // A logo download waits for an acknowledgement: a pending one gets it,
  // ends its wait and sends no further row.
  for (const Request logo : kLogoRequests) {
    if (session.pending.Has(logo)) session.state.blockAck = true;
  }
  session.pending.ClearAll();
  session.state.timeoutSeconds = 0;
  session.state.linkState = LinkState::Lost;
  session.state.busy = false;
  session.SetTimer(TimerId::OfflineCount, true);
  session.SetTimer(TimerId::ReplyTimeout, false);
  session.io.panel.SetGauge(0);
  session.watch = StuckWatchCounts{};  // nothing is left for the watch to count
}

void LineStalled(Session& session) {
  session.Append("Serial line does not take data .");
  CommunicationReset(session);
}

void CancelDownload(Session& session) {
  session.state.cancelLogo = true;
  session.state.cancelBatch = true;
}

}  // namespace orvex::core
