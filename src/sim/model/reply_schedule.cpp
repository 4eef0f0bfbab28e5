#include "sim/model/reply_schedule.h"

#include <algorithm>
#include <utility>

namespace orvex::sim {

std::int64_t ReplySchedule::Add(std::int64_t earliestMs, std::vector<std::uint8_t> bytes,
                                std::optional<int> silenceMs) {
  std::int64_t at = earliestMs;
  if (lastEndMs_) at = std::max(at, *lastEndMs_ + silenceMs.value_or(spacingMs_));
  lastEndMs_ = at + WireTimeMs(bytes.size());
  queue_.push_back(Burst{at, std::move(bytes)});
  return at;
}

std::optional<std::int64_t> ReplySchedule::NextTime() const {
  if (queue_.empty()) return std::nullopt;
  return queue_.front().atMs;
}

std::vector<Burst> ReplySchedule::TakeDue(std::int64_t nowMs) {
  std::vector<Burst> due;
  while (!queue_.empty() && queue_.front().atMs <= nowMs) {
    due.push_back(std::move(queue_.front()));
    queue_.pop_front();
  }
  return due;
}

void ReplySchedule::Clear() {
  queue_.clear();
  lastEndMs_.reset();
}

}  // namespace orvex::sim
