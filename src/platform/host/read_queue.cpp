#include "platform/host/read_queue.h"

#include <utility>

namespace orvex::platform {

ReadQueue::ReadQueue(std::size_t maxReads, std::size_t maxBytes)
    : maxReads_(maxReads == 0 ? 1 : maxReads), maxBytes_(maxBytes) {}

bool ReadQueue::Full(std::size_t nextBytes) const {
  if (reads_.empty()) return false;
  return reads_.size() >= maxReads_ || bytes_ + nextBytes > maxBytes_;
}

bool ReadQueue::Push(QueuedRead read) {
  std::unique_lock lock(mutex_);
  room_.wait(lock, [&] { return interrupted_ || !Full(read.bytes.size()); });
  if (interrupted_) return false;
  bytes_ += read.bytes.size();
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

std::optional<QueuedRead> ReadQueue::Take() {
  std::optional<QueuedRead> read;
  {
    const std::lock_guard lock(mutex_);
    if (reads_.empty()) return std::nullopt;
    read = std::move(reads_.front());
    reads_.pop_front();
    bytes_ -= read->bytes.size();
  }
  room_.notify_all();
  return read;
}

std::size_t ReadQueue::Size() const {
  const std::lock_guard lock(mutex_);
  return reads_.size();
}

std::optional<std::int64_t> ReadQueue::OldestFramedUs() const {
  const std::lock_guard lock(mutex_);
  if (reads_.empty()) return std::nullopt;
  return reads_.front().framedUs;
}

void ReadQueue::Clear() {
  {
    const std::lock_guard lock(mutex_);
    reads_.clear();
    bytes_ = 0;
  }
  room_.notify_all();
}

}  // namespace orvex::platform
