#include "serial/byte_pacer.h"

#include <sys/prctl.h>

#include <cerrno>
#include <ctime>

namespace orvex::platform {

namespace {

constexpr std::int64_t kNsPerMs = 1000000;
// A pause that starts within this much of the last one's end continues its
// cadence; later than that (the tool did other work) it starts afresh.
constexpr std::int64_t kCadenceSlackNs = 2 * kNsPerMs;

std::int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

void BytePacer::Pause(int milliseconds) {
  if (milliseconds <= 0) return;
  // The default timer slack of 50 us would stretch every pause. The slack
  // belongs to the thread, and each printer may have a thread of its own.
  thread_local const bool slackSet = prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0) == 0;
  (void)slackSet;
  const std::int64_t now = MonotonicNs();
  const std::int64_t length = milliseconds * kNsPerMs;
  const bool continues = lastDeadlineNs_ != 0 && now - lastDeadlineNs_ < kCadenceSlackNs;
  const std::int64_t deadline = (continues ? lastDeadlineNs_ : now) + length;
  lastDeadlineNs_ = deadline;
  timespec until{static_cast<time_t>(deadline / 1000000000),
                 static_cast<long>(deadline % 1000000000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
}

}  // namespace orvex::platform
