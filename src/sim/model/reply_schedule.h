#pragma once
// The printer's outgoing bursts in time order. Every reply goes through
// Add, which keeps consecutive bursts far enough apart for the tool to read
// them as separate replies (it ends a read after a 50 ms gap): the silence
// counts from the end of the previous burst on the line, so a long burst
// does not swallow the next one.

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "sim/model/burst.h"

namespace orvex::sim {

// Time the bytes take on the line at 38400 baud, 10 bits a byte, rounded up.
inline std::int64_t WireTimeMs(std::size_t bytes) {
  return static_cast<std::int64_t>((bytes * 10 * 1000 + 38399) / 38400);
}

class ReplySchedule {
 public:
  explicit ReplySchedule(int spacingMs) : spacingMs_(spacingMs) {}

  // Schedules bytes no earlier than earliestMs and at least the spacing (or
  // the silence given) after the end of the burst scheduled before; returns
  // the time chosen.
  std::int64_t Add(std::int64_t earliestMs, std::vector<std::uint8_t> bytes,
                   std::optional<int> silenceMs = std::nullopt);
  std::optional<std::int64_t> NextTime() const;
  std::vector<Burst> TakeDue(std::int64_t nowMs);
  // Forgets every burst not yet taken and the spacing history.
  void Clear();

 private:
  int spacingMs_;
  std::deque<Burst> queue_;
  std::optional<std::int64_t> lastEndMs_;  // when the last burst has left
};

}  // namespace orvex::sim
