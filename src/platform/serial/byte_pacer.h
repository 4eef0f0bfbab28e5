#pragma once
// The pause after each byte of a request. Consecutive pauses keep to a fixed
// cadence (each byte 10 ms after the one before), so sleep overshoot and the
// time of the writes do not add up over a long download.

#include <cstdint>

namespace orvex::platform {

class BytePacer {
 public:
  // Blocks the calling thread; handles no events.
  void Pause(int milliseconds);

 private:
  std::int64_t lastDeadlineNs_ = 0;
};

}  // namespace orvex::platform
