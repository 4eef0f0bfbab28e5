#include "link/read_queue.h"

#include <utility>

namespace orvex {

ReadQueue::ReadQueue(std::size_t maxReads, std::size_t maxBytes)
    : maxReads_(maxReads == 0 ? 1 : maxReads), maxBytes_(maxBytes) {}

bool ReadQueue::Full(std::size_t nextBytes) const {
  if (reads_.empty()) return false;
  return reads_.size() >= maxReads_ || bytes_ + nextBytes > maxBytes_;
}

bool ReadQueue::Push(std::vector<std::uint8_t> read) {
  std::unique_lock lock(mutex_);
  room_.wait(lock, [&] { return interrupted_ || !Full(read.size()); });
  if (interrupted_) return false;
  bytes_ += read.size();
  reads_.push_back(std::move(read));
  return true;
}

void ReadQueue::Interrupt() {
  {
    const std::lock_guard lock(mutex_);
    interrupted_ = true;
  }
  room_.notify_all();
}

void ReadQueue::Resume() {
  const std::lock_guard lock(mutex_);
  interrupted_ = false;
}

std::optional<std::vector<std::uint8_t>> ReadQueue::Take() {
  std::optional<std::vector<std::uint8_t>> read;
  {
    const std::lock_guard lock(mutex_);
    if (reads_.empty()) return std::nullopt;
    read = std::move(reads_.front());
    reads_.pop_front();
    bytes_ -= read->size();
  }
  room_.notify_all();
  return read;
}

std::size_t ReadQueue::Size() const {
  const std::lock_guard lock(mutex_);
  return reads_.size();
}

}  // namespace orvex
