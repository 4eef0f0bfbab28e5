#include "printer_worker.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "link/link_control.h"
#include "link/reply_dispatcher.h"
#include "link/stuck_watch.h"

namespace orvex::provision {

namespace {

constexpr int kTickMs = 1000;
constexpr std::size_t kReadMax = 30000;
constexpr int kReadGapMs = 50;

std::int64_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

PrinterWorker::PrinterWorker(PortChoice port, const TicketSetup& setup,
                             const ProvisionSettings& settings, ProgressSink& sink,
                             const std::atomic<bool>& stop)
    : choice_(std::move(port)),
      settings_(settings),
      sink_(sink),
      stop_(stop),
      session_(Ports{memo_, *this, *this, *this, clock_, *this, view_, spreadsheet_, preview_}) {
  session_.setup = setup;
  report_.port = choice_.name;
  report_.device = choice_.port.path;
  events_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

PrinterWorker::~PrinterWorker() {
  StopReader();
  if (events_ >= 0) close(events_);
}

void PrinterWorker::Wake() {
  if (events_ < 0) return;
  const std::uint64_t one = 1;
  (void)!write(events_, &one, sizeof one);
}

std::int64_t PrinterWorker::NowMs() const {
  return MonotonicMs();
}

void PrinterWorker::Run() {
  sink_.Activity("opening " + choice_.port.path);
  if (events_ < 0) {
    report_.outcome = Outcome::Failed;
    report_.reason = "no event descriptor for this printer's thread (too many open files?)";
    sink_.Event("FAILED: " + report_.reason);
    return;
  }
  const auto opened = port_.Open(choice_.port);
  if (!opened.ok) {
    report_.outcome = Outcome::Failed;
    const platform::PortProblem& problem = opened.problem;
    report_.reason = "can't open " + choice_.name + ": " +
                     (problem.cause.empty() ? opened.reason : problem.cause);
    // The window's own advice names its port list; these two fixes hold here too.
    if (problem.kind == platform::PortProblemKind::PermissionDenied ||
        problem.kind == platform::PortProblemKind::InUse) {
      report_.reason += ". " + problem.fix;
    }
    sink_.Event("FAILED: " + report_.reason);
    sink_.Activity("FAILED: " + report_.reason);
    return;
  }
  reader_ = std::thread([this] { ReadBursts(); });
  RunProvisioning(session_, *this, settings_, report_, sink_);
  StopReader();
  port_.Close();
  report_.log = memo_.lines;
  if (hungUp_) sink_.Event("the port hung up");
  sink_.Event(report_.outcome == Outcome::Failed ? std::string("FAILED: ") + report_.reason
                                                 : std::string(OutcomeName(report_.outcome)));
}

std::vector<std::string> PrinterWorker::LinesFrom(int index) const {
  const auto from = static_cast<std::size_t>(std::clamp(index, 0, memo_.LineCount()));
  return {memo_.lines.begin() + static_cast<std::ptrdiff_t>(from), memo_.lines.end()};
}

std::vector<std::string> PrinterWorker::MessagesFrom(int index) const {
  const auto from = static_cast<std::size_t>(std::clamp(index, 0, MessageCount()));
  return {messages.begin() + static_cast<std::ptrdiff_t>(from), messages.end()};
}

void PrinterWorker::Pause(int milliseconds) {
  // The batch looks at Cancel right after its pause between steps: raise it
  // before that, also for the steps that have no wait of their own.
  if (stop_ && !cancelled_) OnStop(NowMs());
  link_.Pause(milliseconds);
}

void PrinterWorker::SetTimerEnabled(TimerId timer, bool enabled) {
  Timer& t = timers_[static_cast<int>(timer)];
  if (enabled && !t.enabled) t.nextTickMs = NowMs() + kTickMs;  // a running timer keeps its period
  t.enabled = enabled;
}

bool PrinterWorker::TimerEnabled(TimerId timer) const {
  return timers_[static_cast<int>(timer)].enabled;
}

void PrinterWorker::RunDueTimers() {
  const std::int64_t now = NowMs();
  for (int i = 0; i < 4; ++i) {
    Timer& t = timers_[i];
    if (!t.enabled || t.nextTickMs > now) continue;
    // Ticks missed while the thread was busy sending come as one, as a
    // window's timer does.
    while (t.nextTickMs <= now) t.nextTickMs += kTickMs;
    switch (static_cast<TimerId>(i)) {
      case TimerId::OfflineCount:
        OfflineCountTick(session_);
        break;
      case TimerId::ReplyTimeout:
        ReplyTimeoutTick(session_);
        break;
      case TimerId::VariantWait:
        VariantWaitTick(session_);
        break;
      case TimerId::StuckWatch:
        StuckWatchTick(session_);
        break;
    }
  }
}

void PrinterWorker::ReadBursts() {
  std::vector<std::uint8_t> burst;
  while (!readerStop_) {
    const auto status = port_.ReadBurst(burst, kReadMax, kReadGapMs);
    if (status == platform::SerialPort::ReadStatus::HungUp) {
      readerHungUp_ = true;
      Wake();
      return;  // the device is gone: stop reading it rather than spin
    }
    if (status != platform::SerialPort::ReadStatus::Data || burst.empty()) continue;
    if (!reads_.Push(std::move(burst))) return;  // told to stop
    burst = {};
    Wake();
  }
}

void PrinterWorker::StopReader() {
  if (!reader_.joinable()) return;
  readerStop_ = true;
  reads_.Interrupt();
  port_.Wake();
  reader_.join();
}

void PrinterWorker::HandleEvents(std::int64_t deadlineMs) {
  std::int64_t until = deadlineMs;
  for (const Timer& t : timers_) {
    if (t.enabled && (until < 0 || t.nextTickMs < until)) until = t.nextTickMs;
  }
  int waitMs = until < 0 ? -1 : static_cast<int>(std::max<std::int64_t>(until - NowMs(), 0));
  // Reads already queued are handled without waiting (not inside a
  // dispatch, which leaves them for later).
  if (reads_.Size() > 0 && !session_.dispatching) waitMs = 0;
  pollfd wake{events_, POLLIN, 0};
  if (poll(&wake, 1, waitMs) > 0) {
    std::uint64_t count = 0;
    (void)!read(events_, &count, sizeof count);
  }
  // The hang-up is taken after the reads that came before it.
  const bool hungUp = readerHungUp_.load();
  DispatchQueuedReads(session_, reads_);
  if (hungUp && !hungUp_) {
    // The device is gone for good: the printer is lost now, not after
    // the reply timeout. The reset drops every pending request and ends
    // the waits of the downloads and the batch.
    hungUp_ = true;
    CommunicationReset(session_);
  }
  RunDueTimers();
}

void PrinterWorker::OnStop(std::int64_t waitStartMs) {
  if (!cancelled_) {
    // The Cancel button: the batch stops after the step under way, a logo
    // download after its current row.
    cancelled_ = true;
    stopSeenMs_ = NowMs();
    CancelDownload(session_);
    sink_.Activity("stopping");
  } else if (!forced_ && NowMs() - std::max(stopSeenMs_, waitStartMs) >= kStopGraceMs) {
    // A printer that does not answer would hold the stop for the whole
    // reply timeout: give its request up now, as that timeout would. The
    // grace counts from the start of the wait: a request sent after the
    // stop (the rest of a format, say) gets its chance to be answered.
    forced_ = true;
    CommunicationReset(session_);
  }
}

void PrinterWorker::WaitWhile(const std::function<bool()>& condition) {
  const std::int64_t startMs = NowMs();
  while (condition()) {
    if (stop_) {
      OnStop(startMs);
      if (forced_) return;
    }
    HandleEvents(stop_ ? std::max(stopSeenMs_, startMs) + kStopGraceMs : -1);
  }
}

void PrinterWorker::ProcessPendingEvents() {
  HandleEvents(NowMs());
}

bool PrinterWorker::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  const std::int64_t deadline = timeoutMs < 0 ? -1 : NowMs() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (stop_ || hungUp_) return false;
    if (deadline >= 0 && NowMs() >= deadline) return false;
    HandleEvents(deadline);
  }
}

}  // namespace orvex::provision
