#pragma once
// The session host: one session with the printer runs on one thread, in one
// loop. The loop owns the line's reader (a thread of its own that frames
// bursts into a bounded queue), the byte pacer, the link's one-second timers
// and a queue of calls posted from other threads, and waits for all of them
// in one poll() on an eventfd: never a busy loop.
//
// The window starts the host on a thread of its own and posts its menu
// items to it; orvex-provision runs one host per printer on the printer's
// own thread. Either way the core runs as it always did: its long
// operations wait in WaitWhile, which runs this loop until their condition
// clears, and a call posted meanwhile is handled inside that wait, as a
// window's nested event loop would handle it.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/ports.h"
#include "core/session.h"
#include "platform/host/line.h"
#include "platform/host/paced_link.h"
#include "platform/host/read_queue.h"

namespace orvex::platform {

class SessionHost final : public core::LinkPort, public core::TimerPort, public core::EventPump {
 public:
  using Call = std::function<void()>;

  explicit SessionHost(MonotonicClock& clock = SystemMonotonicClock());
  ~SessionHost() override;
  SessionHost(const SessionHost&) = delete;
  SessionHost& operator=(const SessionHost&) = delete;

  // The session whose reads, ticks and posted calls this host runs. Its
  // ports take this host as their link, timers and event pump. Set once,
  // before the loop first runs.
  void Attach(core::Session& session);

  // ---- the line (on the session thread) ----
  // The line the session talks over from now on, open, or nullptr for none
  // (bytes sent then go into the void). The reader of the line before is
  // stopped first; reads it framed are still dispatched in their turn.
  void UseLine(Line* line);
  Line* line() const { return link_.line(); }
  // Runs on the session thread when the line hangs up, after the reads that
  // came before the hang-up; once per UseLine.
  void SetHangUpHandler(Call handler) { hangUpHandler_ = std::move(handler); }

  // Runs on the session thread after each round of the loop and as each
  // request begins (requestBegins true), so that a watcher of the session's
  // state sees every change of it at once. Set before the loop first runs.
  void SetRoundObserver(std::function<void(bool requestBegins)> observer) {
    roundObserver_ = std::move(observer);
  }

  // ---- from any thread ----
  // Runs `call` on the session thread, in order of posting: at the top of
  // the loop, or inside a wait of the session's.
  void Post(Call call);
  // A waiting loop looks again at its condition.
  void Wake();
  // For tests and for lines that frame their reads themselves: a read as if
  // the reader had framed it now.
  void InjectRead(std::vector<std::uint8_t> bytes);

  // ---- running ----
  // A thread of its own runs the loop until Stop().
  void Start();
  // From any thread but the session's. The session thread ends what runs:
  // Cancel, and the communication reset when a request is still pending
  // (the waits of the downloads and the batch end by it); every wait then
  // returns at once, a pause that paces no byte returns at once, calls still
  // posted are dropped, and the thread ends. Joins it and stops the reader.
  // A request under way is finished first, so the printer never gets half a
  // command. Safe to call twice.
  void Stop();
  bool Stopping() const { return stopping_.load(); }
  bool OnSessionThread() const;

  // Runs the loop on the calling thread until done() holds (true), the
  // monotonic deadline passes (deadlineMs < 0: none) or the host stops
  // (false). For hosts without a thread of their own.
  bool RunUntil(const std::function<bool()>& done, std::int64_t deadlineMs);
  std::int64_t NowMs() const;

  // The loop's own timers and descriptors, on the session thread. `After`
  // runs once; `WatchReadable` whenever the descriptor is readable (an
  // inotify descriptor, say). Each returns an id for Cancel / Unwatch.
  int After(int milliseconds, Call call);
  void CancelAfter(int id);
  int WatchReadable(int fd, Call call);
  void Unwatch(int id);

  PacedLink& link() { return link_; }
  std::size_t QueuedReads() const { return reads_.Size(); }

  // LinkPort
  void BeginRequest() override;
  bool SendByte(std::uint8_t byte) override;
  void Pause(int milliseconds) override;
  // TimerPort
  void SetTimerEnabled(core::TimerId timer, bool enabled) override;
  bool TimerEnabled(core::TimerId timer) const override;
  // EventPump
  void WaitWhile(const std::function<bool()>& condition) override;
  void ProcessPendingEvents() override;
  // Waits for an answer from a modal box or file dialog: reads and ticks go
  // on, but calls posted meanwhile wait until it has ended, as the window's
  // own input waits while a modal dialog is open.
  void WaitForAnswer(const std::function<bool()>& answered);

 private:
  struct Timer {
    bool enabled = false;
    std::int64_t nextTickMs = 0;
  };
  struct Deferred {
    int id;
    std::int64_t atMs;
    Call call;
  };
  struct Watched {
    int id;
    int fd;
    Call call;
  };

  // Waits for something to do until deadlineMs at the latest (negative:
  // none), then does what is due.
  void HandleEvents(std::int64_t deadlineMs);
  void DispatchReads();
  void RunPosted();
  void RunDeferred();
  void RunDueTimers();
  void SeeStop();
  void StopReader();
  void ReadBursts(Line* line);
  bool CallsPosted() const;
  void Loop();

  MonotonicClock& clock_;
  core::Session* session_ = nullptr;
  PacedLink link_;
  int wakeFd_ = -1;

  // The reader.
  ReadQueue reads_;
  std::thread reader_;
  std::atomic<bool> readerStop_ = false;
  std::atomic<bool> readerHungUp_ = false;
  bool hangUpHandled_ = false;
  Call hangUpHandler_;
  std::function<void(bool)> roundObserver_;
  int dispatchDepth_ = 0;  // reads are never dispatched inside a dispatch
  int answerDepth_ = 0;    // posted calls wait while an answer is awaited

  mutable std::mutex postedMutex_;
  std::deque<Call> posted_;

  Timer timers_[core::kTimerCount];
  std::vector<Deferred> deferred_;
  std::vector<Watched> watched_;
  int nextId_ = 1;

  std::thread thread_;
  std::atomic<std::thread::id> sessionThread_{};
  std::atomic<bool> stopping_ = false;
  bool stopSeen_ = false;
  bool refusing_ = false;  // a request begun after the stop was seen
};

}  // namespace orvex::platform
