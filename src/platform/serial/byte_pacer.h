#pragma once
// The pause after each byte of a request. It lasts at least the asked length
// from the moment the previous byte's write returned, whatever happened
// before: a byte that went out late is followed by a full pause, never by a
// shorter one that would win the time back.

#include <cstdint>

namespace orvex::platform {

// CLOCK_MONOTONIC, and a sleep until a moment of it. Tests put a clock of
// their own in its place.
class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  virtual std::int64_t NowNs() = 0;
  // Returns no earlier than deadlineNs; at once when it has passed.
  virtual void SleepUntilNs(std::int64_t deadlineNs) = 0;
};

// The wall clock in microseconds since the epoch: what reads are stamped
// with when they are framed, and what the traffic log writes.
std::int64_t WallClockUs();

// The system's clock. A thread that sleeps on it runs with a timer slack of
// 1 ns, so it wakes at the deadline and not up to 50 us after it.
MonotonicClock& SystemMonotonicClock();

class BytePacer {
 public:
  BytePacer() : BytePacer(SystemMonotonicClock()) {}
  explicit BytePacer(MonotonicClock& clock) : clock_(clock) {}

  // The link calls this as soon as a byte's write has returned.
  void WriteReturned() {
    lastWriteNs_ = clock_.NowNs();
    writeSincePause_ = true;
  }
  std::int64_t LastWriteNs() const { return lastWriteNs_; }
  bool WriteSincePause() const { return writeSincePause_; }

  // Blocks the calling thread; handles no events. The pause ends no earlier
  // than `milliseconds` after the last write returned; when no write came
  // since the previous pause (or none ever), no earlier than `milliseconds`
  // from now. Asked after its time has passed, it returns at once.
  void Pause(int milliseconds);

 private:
  MonotonicClock& clock_;
  std::int64_t lastWriteNs_ = 0;
  bool writeSincePause_ = false;
};

}  // namespace orvex::platform
