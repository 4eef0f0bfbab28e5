// The queue of framed reads between the reader and the session thread:
// order and boundaries kept, bounded, and its reader can always be stopped.
#include "platform/host/read_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

namespace orvex::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The bytes of the oldest read; nothing when none waits.
std::optional<Bytes> Take(ReadQueue& reads) {
  auto read = reads.Take();
  if (!read) return std::nullopt;
  return std::move(read->bytes);
}

// Runs Push on a thread of its own and says when it has returned.
class PushOnAThread {
 public:
  PushOnAThread(ReadQueue& reads, Bytes read)
      : thread_([this, &reads, read = std::move(read)]() mutable {
          result_ = reads.Push({std::move(read), 0});
          done_ = true;
        }) {}
  ~PushOnAThread() {
    if (thread_.joinable()) thread_.join();
  }
  bool done() const { return done_; }
  bool Result() {
    thread_.join();
    return result_;
  }

 private:
  std::atomic<bool> done_{false};
  bool result_ = false;
  std::thread thread_;
};

void Settle() {
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

TEST(ReadQueueTest, KeepsOrderAndBoundaries) {
  ReadQueue reads;
  EXPECT_FALSE(reads.Take().has_value());
  ASSERT_TRUE(reads.Push({Bytes{0x77, 0x33}, 0}));
  ASSERT_TRUE(reads.Push({Bytes{0xAA}, 0}));
  ASSERT_TRUE(reads.Push({Bytes{}, 0}));
  EXPECT_EQ(reads.Size(), 3u);
  EXPECT_EQ(Take(reads), (Bytes{0x77, 0x33}));
  EXPECT_EQ(Take(reads), (Bytes{0xAA}));
  EXPECT_EQ(Take(reads), Bytes{});
  EXPECT_FALSE(reads.Take().has_value());
}

TEST(ReadQueueTest, AFullQueueHoldsTheReaderUntilTheTakerMakesRoom) {
  ReadQueue reads(2, 1000);
  ASSERT_TRUE(reads.Push({Bytes{1}, 0}));
  ASSERT_TRUE(reads.Push({Bytes{2}, 0}));
  PushOnAThread third(reads, {3});
  Settle();
  EXPECT_FALSE(third.done());
  EXPECT_EQ(reads.Size(), 2u);
  EXPECT_EQ(Take(reads), Bytes{1});
  EXPECT_TRUE(third.Result());
  EXPECT_EQ(Take(reads), Bytes{2});
  EXPECT_EQ(Take(reads), Bytes{3});
}

TEST(ReadQueueTest, TheByteLimitCountsButNeverRefusesAReadIntoAnEmptyQueue) {
  ReadQueue reads(100, 10);
  ASSERT_TRUE(reads.Push({Bytes(25, 0x11), 0}));  // larger than the limit, but alone
  PushOnAThread next(reads, Bytes(1, 0x22));
  Settle();
  EXPECT_FALSE(next.done());
  EXPECT_EQ(Take(reads), Bytes(25, 0x11));
  EXPECT_TRUE(next.Result());
  ASSERT_TRUE(reads.Push({Bytes(9, 0x33), 0}));  // 1 + 9: just fits
  PushOnAThread over(reads, Bytes(1, 0x44));
  Settle();
  EXPECT_FALSE(over.done());
  EXPECT_EQ(Take(reads), Bytes(1, 0x22));
  EXPECT_TRUE(over.Result());
  EXPECT_EQ(reads.Size(), 2u);
}

TEST(ReadQueueTest, InterruptReleasesAWaitingReaderUntilResumed) {
  ReadQueue reads(1, 1000);
  ASSERT_TRUE(reads.Push({Bytes{1}, 0}));
  PushOnAThread waiting(reads, {2});
  Settle();
  EXPECT_FALSE(waiting.done());
  reads.Interrupt();
  EXPECT_FALSE(waiting.Result());  // not queued
  EXPECT_FALSE(reads.Push({Bytes{3}, 0}));
  EXPECT_EQ(reads.Size(), 1u);
  // What was queued before stays for the taker.
  reads.Resume();
  EXPECT_EQ(Take(reads), Bytes{1});
  EXPECT_TRUE(reads.Push({Bytes{4}, 0}));
  EXPECT_EQ(Take(reads), Bytes{4});
}

TEST(ReadQueueTest, InterruptBeforeTheReaderWaitsIsNotLost) {
  ReadQueue reads(1, 1000);
  ASSERT_TRUE(reads.Push({Bytes{1}, 0}));
  reads.Interrupt();
  PushOnAThread late(reads, {2});
  EXPECT_FALSE(late.Result());
}

}  // namespace
}  // namespace orvex::platform
