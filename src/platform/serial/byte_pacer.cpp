#include "platform/serial/byte_pacer.h"

#include <sys/prctl.h>

#include <cerrno>
#include <ctime>

namespace orvex::platform {

namespace {

constexpr std::int64_t kNsPerMs = 1000000;
constexpr std::int64_t kNsPerSecond = 1000000000;

class SystemClock final : public MonotonicClock {
 public:
  std::int64_t NowNs() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
  }

  void SleepUntilNs(std::int64_t deadlineNs) override {
    // Timer slack belongs to the thread; the default 50 us would stretch
    // every pause. Set once per thread, before any sleep of it.
    thread_local const bool slackSet = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    (void)slackSet;
    const timespec until{static_cast<time_t>(deadlineNs / kNsPerSecond),
                         static_cast<long>(deadlineNs % kNsPerSecond)};
    // Nothing between the wake and the return: the next write follows at once.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
  }
};

}  // namespace

std::int64_t WallClockUs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

MonotonicClock& SystemMonotonicClock() {
  static SystemClock clock;
  return clock;
}

void BytePacer::Pause(int milliseconds) {
  if (milliseconds <= 0) return;
  const std::int64_t from = writeSincePause_ ? lastWriteNs_ : clock_.NowNs();
  writeSincePause_ = false;
  clock_.SleepUntilNs(from + milliseconds * kNsPerMs);
}

}  // namespace orvex::platform
