#include "platform/host/session_host.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/link/link_control.h"
#include "core/link/reply_dispatcher.h"

namespace orvex::platform {

SessionHost::SessionHost(MonotonicClock& clock)
    : clock_(clock), link_(nullptr, clock), wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

SessionHost::~SessionHost() {
  Stop();
  StopReader();
  if (wakeFd_ >= 0) close(wakeFd_);
}

void SessionHost::Attach(core::Session& session) {
  session_ = &session;
  // The traffic log records a request sent while an earlier read still
  // waits here after that read.
  session.traffic.SetWaitingReads([this] { return reads_.OldestFramedUs(); });
}

std::int64_t SessionHost::NowMs() const {
  return clock_.NowNs() / 1000000;
}

bool SessionHost::OnSessionThread() const {
  return sessionThread_.load() == std::this_thread::get_id();
}

// ---- the line ----

void SessionHost::UseLine(Line* line) {
  StopReader();
  link_.SetLine(line);
  readerHungUp_ = false;
  hangUpHandled_ = false;
  if (line == nullptr || !line->IsOpen()) return;
  reader_ = std::thread([this, line] { ReadBursts(line); });
}

void SessionHost::StopReader() {
  if (!reader_.joinable()) return;
  readerStop_ = true;
  reads_.Interrupt();
  if (Line* line = link_.line()) line->Wake();
  reader_.join();
  readerStop_ = false;
  reads_.Resume();
}

void SessionHost::ReadBursts(Line* line) {
  std::vector<std::uint8_t> burst;
  while (!readerStop_) {
    const Line::ReadStatus status = line->ReadBurst(burst, core::kReadMaxBytes, core::kReadGapMs);
    if (status == Line::ReadStatus::HungUp) {
      readerHungUp_ = true;
      Wake();
      return;  // the line is gone: stop reading it rather than spin
    }
    if (status != Line::ReadStatus::Data || burst.empty()) continue;
    // Stamped as framed: the burst's last byte and the read gap are behind us.
    if (!reads_.Push({std::move(burst), WallClockUs()})) return;  // told to stop
    burst = {};
    Wake();
  }
}

void SessionHost::InjectRead(std::vector<std::uint8_t> bytes) {
  if (reads_.Push({std::move(bytes), WallClockUs()})) Wake();
}

// ---- calls from other threads ----

void SessionHost::Post(Call call) {
  {
    const std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(call));
  }
  Wake();
}

void SessionHost::Wake() {
  if (wakeFd_ < 0) return;
  const std::uint64_t one = 1;
  // Fails only when the counter is near overflow: a wake is pending anyway.
  (void)!write(wakeFd_, &one, sizeof one);
}

bool SessionHost::CallsPosted() const {
  const std::lock_guard lock(postedMutex_);
  return !posted_.empty();
}

// ---- running ----

void SessionHost::Start() {
  if (thread_.joinable()) return;
  thread_ = std::thread([this] { Loop(); });
}

void SessionHost::Loop() {
  sessionThread_ = std::this_thread::get_id();
  while (!stopping_) HandleEvents(-1);
  // What the stop leaves: the reader, and the traffic the queue held back.
  SeeStop();
  StopReader();
  if (session_ != nullptr) session_->traffic.Flush();
}

void SessionHost::Stop() {
  stopping_ = true;
  Wake();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool SessionHost::RunUntil(const std::function<bool()>& done, std::int64_t deadlineMs) {
  sessionThread_ = std::this_thread::get_id();
  for (;;) {
    if (done()) return true;
    if (stopping_) {
      SeeStop();
      return false;
    }
    if (deadlineMs >= 0 && NowMs() >= deadlineMs) return false;
    HandleEvents(deadlineMs);
  }
}

void SessionHost::SeeStop() {
  if (stopSeen_ || session_ == nullptr) return;
  stopSeen_ = true;
  // As the Cancel button would, and as the reply timeout would for a request
  // nobody will wait for now: every download and the batch end their waits
  // and send nothing more.
  core::CancelDownload(*session_);
  if (session_->pending.Any()) core::CommunicationReset(*session_);
}

void SessionHost::HandleEvents(std::int64_t deadlineMs) {
  std::int64_t until = deadlineMs;
  const auto earlier = [&until](std::int64_t t) {
    if (until < 0 || t < until) until = t;
  };
  for (const Timer& t : timers_) {
    if (t.enabled) earlier(t.nextTickMs);
  }
  for (const Deferred& d : deferred_) earlier(d.atMs);
  const std::int64_t now = NowMs();
  int waitMs = until < 0 ? -1 : static_cast<int>(std::clamp<std::int64_t>(until - now, 0, 1 << 30));
  const bool readsWaiting = dispatchDepth_ == 0 && (reads_.Size() > 0 || readerHungUp_.load());
  if (stopping_ || readsWaiting || (answerDepth_ == 0 && CallsPosted())) waitMs = 0;

  std::vector<pollfd> fds;
  fds.reserve(1 + watched_.size());
  fds.push_back({wakeFd_, POLLIN, 0});
  for (const Watched& w : watched_) fds.push_back({w.fd, POLLIN, 0});
  const int ready = poll(fds.data(), fds.size(), waitMs);
  if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
    std::uint64_t count = 0;
    (void)!read(wakeFd_, &count, sizeof count);
  }
  if (stopping_) {
    SeeStop();
    return;
  }

  DispatchReads();
  RunPosted();
  if (ready > 0) {
    // By id: a callback may unwatch itself or others.
    std::vector<int> due;
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if ((fds[i].revents & (POLLIN | POLLERR | POLLHUP)) != 0) due.push_back(watched_[i - 1].id);
    }
    for (int id : due) {
      const auto it = std::find_if(watched_.begin(), watched_.end(),
                                   [id](const Watched& w) { return w.id == id; });
      if (it == watched_.end()) continue;
      const Call call = it->call;  // a copy: the call may unwatch it
      call();
    }
  }
  RunDeferred();
  RunDueTimers();
  if (roundObserver_) roundObserver_(false);
}

void SessionHost::DispatchReads() {
  // A section that handles events (the period export) still works on the
  // receive buffer: the reads framed meanwhile wait until it has returned.
  if (dispatchDepth_ > 0 || session_ == nullptr) return;
  // The hang-up is taken after the reads that came before it.
  const bool hungUp = readerHungUp_.load();
  while (auto read = reads_.Take()) {
    ++dispatchDepth_;
    core::ReplyDispatcher(*session_, read->bytes, read->framedUs);
    --dispatchDepth_;
    if (stopping_) return;
  }
  if (hungUp && !hangUpHandled_) {
    hangUpHandled_ = true;
    readerHungUp_ = false;
    if (hangUpHandler_) hangUpHandler_();
  }
}

void SessionHost::RunPosted() {
  // One at a time: a call that waits handles the calls after it inside its
  // wait, in their order.
  for (;;) {
    if (stopping_ || answerDepth_ > 0) return;
    Call call;
    {
      const std::lock_guard lock(postedMutex_);
      if (posted_.empty()) return;
      call = std::move(posted_.front());
      posted_.pop_front();
    }
    call();
  }
}

void SessionHost::RunDeferred() {
  const std::int64_t now = NowMs();
  for (;;) {
    const auto due = std::find_if(deferred_.begin(), deferred_.end(),
                                  [now](const Deferred& d) { return d.atMs <= now; });
    if (due == deferred_.end()) return;
    const Call call = std::move(due->call);
    deferred_.erase(due);
    call();
  }
}

void SessionHost::RunDueTimers() {
  if (session_ == nullptr) return;
  const std::int64_t now = NowMs();
  for (int i = 0; i < core::kTimerCount; ++i) {
    Timer& t = timers_[i];
    if (!t.enabled || t.nextTickMs > now) continue;
    // Ticks missed while the thread was busy sending come as one, as a
    // window's timer does.
    while (t.nextTickMs <= now) t.nextTickMs += core::kTimerPeriodMs;
    core::TimerTick(*session_, static_cast<core::TimerId>(i));
  }
}

int SessionHost::After(int milliseconds, Call call) {
  const int id = nextId_++;
  deferred_.push_back({id, NowMs() + std::max(milliseconds, 0), std::move(call)});
  return id;
}

void SessionHost::CancelAfter(int id) {
  std::erase_if(deferred_, [id](const Deferred& d) { return d.id == id; });
}

int SessionHost::WatchReadable(int fd, Call call) {
  const int id = nextId_++;
  watched_.push_back({id, fd, std::move(call)});
  return id;
}

void SessionHost::Unwatch(int id) {
  std::erase_if(watched_, [id](const Watched& w) { return w.id == id; });
}

// ---- LinkPort ----

void SessionHost::BeginRequest() {
  // After the stop nothing new goes out; a request under way is finished.
  refusing_ = stopSeen_;
  link_.BeginRequest();
  if (roundObserver_) roundObserver_(true);
}

bool SessionHost::SendByte(std::uint8_t byte) {
  if (refusing_) return false;
  return link_.SendByte(byte);
}

void SessionHost::Pause(int milliseconds) {
  // Once stopping, only the pause that paces a byte just written is kept.
  if (stopping_ && !link_.PacingAWrite()) return;
  link_.Pause(milliseconds);
}

// ---- TimerPort ----

void SessionHost::SetTimerEnabled(core::TimerId timer, bool enabled) {
  Timer& t = timers_[static_cast<int>(timer)];
  // A running timer keeps its period.
  if (enabled && !t.enabled) t.nextTickMs = NowMs() + core::kTimerPeriodMs;
  t.enabled = enabled;
}

bool SessionHost::TimerEnabled(core::TimerId timer) const {
  return timers_[static_cast<int>(timer)].enabled;
}

// ---- EventPump ----

void SessionHost::WaitWhile(const std::function<bool()>& condition) {
  while (condition() && !stopping_) HandleEvents(-1);
  if (stopping_) SeeStop();
}

void SessionHost::WaitForAnswer(const std::function<bool()>& answered) {
  ++answerDepth_;
  while (!answered() && !stopping_) HandleEvents(-1);
  --answerDepth_;
  if (stopping_) SeeStop();
}

void SessionHost::ProcessPendingEvents() {
  HandleEvents(NowMs());
}

}  // namespace orvex::platform
