#include "cli/printer_job.h"

#include <cstdio>

#include "core/link/link_control.h"

namespace orvex::cli {

namespace {

// The printer answers within tens of milliseconds and leaves 100 ms between
// bursts; this is time for a late answer to arrive.
constexpr int kSettleMs = 300;

bool Identified(const core::Session& session) {
  const core::ConnectionState& st = session.state;
  return st.identified && st.identifyStep == 0 && st.linkState == core::LinkState::Online;
}

}  // namespace

bool RequestPending(const core::Session& session) {
  return session.pending.Any();
}

bool Ask(core::Session& session, const std::function<void()>& command) {
  const std::uint64_t answered = session.requestsAnswered;
  command();
  session.io.events.WaitWhile([&session] { return RequestPending(session); });
  return session.requestsAnswered != answered;
}

bool Ask(core::Session& session, void (*command)(core::Session&)) {
  return Ask(session, [&session, command] { command(session); });
}

void Fail(PrinterRecord& record, const std::string& reason) {
  if (record.outcome == Outcome::Running) record.outcome = Outcome::Failed;
  if (record.reason.empty()) record.reason = reason;
}

void Identify(core::Session& session, PrinterHost& host, const IdentifySettings& settings,
              PrinterRecord& record, ProgressSink& sink) {
  sink.Activity(settings.probe ? "asking for the printer's variant" : "waiting for the printer");
  if (settings.probe) ProbeVariant(session);
  if (host.WaitUntil([&session] { return Identified(session); }, settings.onlineWaitMs)) {
    // A printer asked twice (a probe crossing its announcement) answers
    // twice; the second answer must pass while nothing waits for a reply,
    // or it would be taken for the first request's.
    host.WaitUntil([] { return false; }, kSettleMs);
    record.online = true;
    if (host.VariantAnswered()) {
      record.variant = session.state.wideSymbols ? Variant::Wide20 : Variant::Narrow18;
      sink.Event(std::string("online, ") + VariantName(record.variant) + " printer");
    } else {
      // The four-tick fallback took it for an 18-symbol printer; nothing
      // answered to say so.
      sink.Event("online, variant unknown (no answer to the variant query)");
    }
    return;
  }
  if (host.StopRequested() || host.HungUp()) return;
  const std::string within = " within " + Seconds(settings.onlineWaitMs / 1000.0);
  Fail(record, settings.probe
                   ? "no answer to the variant query" + within
                   : "the printer did not announce itself" + within + settings.silentHint);
}

void Finish(PrinterRecord& record, const PrinterHost& host, ProgressSink& sink,
            std::int64_t startMs) {
  if (record.outcome == Outcome::Running) {
    if (host.StopRequested()) {
      record.outcome = Outcome::Interrupted;
      if (record.reason.empty()) record.reason = "stopped by a signal";
    } else if (host.HungUp()) {
      Fail(record, "the port hung up (printer unplugged or switched off)");
    }
  }
  if (record.outcome == Outcome::Running) record.outcome = Outcome::Succeeded;
  record.seconds = static_cast<double>(host.NowMs() - startMs) / 1000.0;
  sink.Activity(record.outcome == Outcome::Failed ? "FAILED: " + record.reason
                                                  : std::string(OutcomeName(record.outcome)));
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    if (!text.empty()) text += " / ";
    text += line;
  }
  return text;
}

}  // namespace orvex::cli
