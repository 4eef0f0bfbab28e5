#pragma once
// Reads framed on the receive thread wait here, each as it was framed, for
// the thread that owns the session. The window thread may be busy for
// seconds (paced sending, waits for an acknowledgement); meanwhile the
// receive thread keeps framing, so two replies that came apart stay apart.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace orvex::platform {

// One framed burst, and when it was framed (its last byte and the read gap)
// on the wall clock, in microseconds.
struct QueuedRead {
  std::vector<std::uint8_t> bytes;
  std::int64_t framedUs = 0;
};

class ReadQueue {
 public:
  // A printer sends a few replies while the window thread is busy (at most
  // about 3 s, a format download). Filling the queue takes most of a minute
  // of bursts 50 ms apart, or 270 s of a line at 38400 baud that never falls
  // silent.
  static constexpr std::size_t kMaxReads = 1024;
  static constexpr std::size_t kMaxBytes = 1 << 20;

  explicit ReadQueue(std::size_t maxReads = kMaxReads, std::size_t maxBytes = kMaxBytes);
  ReadQueue(const ReadQueue&) = delete;
  ReadQueue& operator=(const ReadQueue&) = delete;

  // The reading thread: adds a read at the end. When the queue is full (it
  // holds maxReads reads, or this one would take it past maxBytes) it waits,
  // without spinning, until the taker has made room; meanwhile the bytes wait
  // in the port's own buffer. A read is always taken into an empty queue.
  // Returns false, without queueing the read, once Interrupt() is called.
  bool Push(QueuedRead read);
  // Makes a waiting Push and every later one return false, until Resume().
  // Safe from any thread.
  void Interrupt();
  void Resume();

  // The taking thread: the oldest read, or nothing when none waits.
  std::optional<QueuedRead> Take();
  std::size_t Size() const;
  // When the oldest read waiting was framed; nothing when none waits.
  std::optional<std::int64_t> OldestFramedUs() const;
  // Drops every read waiting.
  void Clear();

 private:
  bool Full(std::size_t nextBytes) const;

  const std::size_t maxReads_;
  const std::size_t maxBytes_;
  mutable std::mutex mutex_;
  std::condition_variable room_;
  std::deque<QueuedRead> reads_;
  std::size_t bytes_ = 0;
  bool interrupted_ = false;
};

}  // namespace orvex::platform
