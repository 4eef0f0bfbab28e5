#include "cli/printer_worker.h"

#include <algorithm>

#include "core/link/link_control.h"

namespace orvex::cli {

PrinterWorker::PrinterWorker(PortChoice port, ProgressSink& sink, const std::atomic<bool>& stop,
                             core::Spreadsheet* spreadsheet)
    : choice_(std::move(port)),
      sink_(sink),
      stop_(stop),
      memo_(*this),
      session_(core::Ports{memo_, *this, host_, *this, clock_, *this, view_,
                           spreadsheet != nullptr ? *spreadsheet : noSpreadsheet_, preview_}) {
  host_.Attach(session_);
  session_.traffic.SetObserver(this);
  host_.SetHangUpHandler([this] {
    // The device is gone for good: the printer is lost now, not after the
    // reply timeout. The reset drops every pending request and ends the
    // waits of the downloads and the batch.
    hungUp_ = true;
    core::CommunicationReset(session_);
  });
}

PrinterWorker::~PrinterWorker() {
  host_.UseLine(nullptr);
}

void PrinterWorker::Wake() {
  host_.Wake();
}

void PrinterWorker::Run(PrinterRecord& record, const std::function<void()>& job) {
  record.port = choice_.name;
  record.device = choice_.port.path;
  sink_.Activity("opening " + choice_.port.path);
  const auto opened = port_.Open(choice_.port);
  if (!opened.ok) {
    record.outcome = Outcome::Failed;
    const platform::PortProblem& problem = opened.problem;
    // The same words as the window's.
    record.reason = "can't open " + choice_.name + ": " +
                    (problem.cause.empty() ? opened.reason : platform::PortProblemText(problem));
    sink_.Event("FAILED: " + record.reason);
    sink_.Activity("FAILED: " + record.reason);
    return;
  }
  host_.UseLine(&port_);
  job();
  host_.UseLine(nullptr);
  port_.Close();
  record.log = memo_.lines;
  if (hungUp_) sink_.Event("the port hung up");
  sink_.Event(record.outcome == Outcome::Failed ? std::string("FAILED: ") + record.reason
                                                : std::string(OutcomeName(record.outcome)));
}

std::vector<std::string> PrinterWorker::LinesFrom(int index) const {
  const auto from = static_cast<std::size_t>(std::clamp(index, 0, memo_.LineCount()));
  return {memo_.lines.begin() + static_cast<std::ptrdiff_t>(from), memo_.lines.end()};
}

std::vector<std::string> PrinterWorker::MessagesFrom(int index) const {
  const auto from = static_cast<std::size_t>(std::clamp(index, 0, MessageCount()));
  return {messages.begin() + static_cast<std::ptrdiff_t>(from), messages.end()};
}

void PrinterWorker::Lines::ReplaceLine(int index, const std::string& text) {
  LineList::ReplaceLine(index, text);
  const core::Session& session = worker_.session_;
  if (index == session.state.timeoutLine &&
      worker_.host_.TimerEnabled(core::TimerId::ReplyTimeout)) {
    worker_.waitShown_ = true;
    worker_.sink_.Waiting(session.state.timeoutSeconds);
  }
}

void PrinterWorker::OnTraffic(const core::TrafficEntry& entry) {
  for (const core::TakenSection& taken : entry.sections) {
    if (taken.section == core::ReplySection::VariantReply) variantAnswered_ = true;
  }
}

void PrinterWorker::Pause(int milliseconds) {
  // The batch looks at Cancel right after its pause between steps: raise it
  // before that, also for the steps that have no wait of their own.
  if (stop_ && !cancelled_) OnStop(NowMs());
  host_.Pause(milliseconds);
}

void PrinterWorker::OnStop(std::int64_t waitStartMs) {
  if (!cancelled_) {
    // The Cancel button: the batch stops after the step under way, a logo
    // download after its current row.
    cancelled_ = true;
    stopSeenMs_ = NowMs();
    core::CancelDownload(session_);
    sink_.Activity("stopping");
  } else if (!forced_ && NowMs() - std::max(stopSeenMs_, waitStartMs) >= kStopGraceMs) {
    // A printer that does not answer would hold the stop for the whole
    // reply timeout: give its request up now, as that timeout would. The
    // grace counts from the start of the wait: a request sent after the
    // stop (the rest of a format, say) gets its chance to be answered.
    forced_ = true;
    core::CommunicationReset(session_);
  }
}

void PrinterWorker::WaitEnded() {
  if (!waitShown_) return;
  waitShown_ = false;
  sink_.Waiting(-1);
}

void PrinterWorker::WaitWhile(const std::function<bool()>& condition) {
  const std::int64_t startMs = NowMs();
  while (condition()) {
    if (stop_) {
      OnStop(startMs);
      if (forced_) break;
    }
    // Until the condition clears, or the stop request comes (or its grace
    // runs out) and has to be acted on.
    const std::int64_t deadline = stop_ ? std::max(stopSeenMs_, startMs) + kStopGraceMs : -1;
    host_.RunUntil([&] { return !condition() || (stop_ && !cancelled_); }, deadline);
  }
  WaitEnded();
}

bool PrinterWorker::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  const std::int64_t deadline = timeoutMs < 0 ? -1 : NowMs() + timeoutMs;
  host_.RunUntil([&] { return done() || stop_ || hungUp_; }, deadline);
  WaitEnded();
  return done();
}

}  // namespace orvex::cli
