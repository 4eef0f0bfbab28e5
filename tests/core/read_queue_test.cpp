// Reads queued by the receive thread while the window thread is busy: each is
// dispatched as a read of its own, in order, and never inside another
// dispatch; the queue is bounded and its reader can always be stopped.
#include "link/read_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "fakes.h"
#include "formats/format_download.h"
#include "link/reply_dispatcher.h"
#include "search_reply.h"
#include "virtual_bench.h"

namespace orvex {
namespace {

using test::VirtualBench;
using ::testing::ElementsAre;

using Bytes = std::vector<std::uint8_t>;

VirtualBench::Options NoPrinter() {
  VirtualBench::Options options;
  options.withPrinter = false;
  return options;
}

class QueuedReadsTest : public ::testing::Test {
 protected:
  VirtualBench bench{NoPrinter()};
  Session& s = bench.session();
  ReadQueue reads;
  int mark = 0;

  void Identify() {
    bench.Deliver({0x26});
    bench.Deliver({0x0A});
    bench.ForgetSent();
    mark = bench.memo.LineCount();
  }
  std::vector<std::string> Lines() const { return bench.memo.From(mark); }
};

// A record renewal that the printer ran while the coin format went out: its
// reports and the format's acknowledgement came 100 ms apart.
const Bytes kRenewalStart = {0x77, 0x11, 0x05, 0x01, 0x09};
const Bytes kRenewalProgress = {0x77, 0x22, 0x05, 0x03, 0x1F};
const Bytes kRenewalEnd = {0x77, 0x33, 0x05, 0x03, 0x1F};
const Bytes kFormatTaken = {0xAA};

TEST_F(QueuedReadsTest, RepliesMergedIntoOneReadLoseTheSecond) {
  // Why the receive thread frames while the window thread is busy: the
  // dispatcher takes a read as one reply.
  Identify();
  DownloadCoinFormat(s);
  ASSERT_TRUE(s.pending.awaitCoinFormat);
  mark = bench.memo.LineCount();
  Bytes merged = kRenewalStart;
  merged.insert(merged.end(), kRenewalProgress.begin(), kRenewalProgress.end());
  merged.insert(merged.end(), kRenewalEnd.begin(), kRenewalEnd.end());
  merged.insert(merged.end(), kFormatTaken.begin(), kFormatTaken.end());
  bench.Deliver(merged);
  EXPECT_THAT(Lines(), ElementsAre("Renew records now :", "Last erase date : 2005/01/09", "1"));
  EXPECT_TRUE(s.state.busy);
  EXPECT_TRUE(s.pending.awaitCoinFormat);
}

TEST_F(QueuedReadsTest, TheSameRepliesQueuedApartAreEachHandled) {
  Identify();
  DownloadCoinFormat(s);
  ASSERT_TRUE(s.pending.awaitCoinFormat);
  mark = bench.memo.LineCount();
  ASSERT_TRUE(reads.Push(kRenewalStart));
  ASSERT_TRUE(reads.Push(kRenewalProgress));
  ASSERT_TRUE(reads.Push(kRenewalEnd));
  ASSERT_TRUE(reads.Push(kFormatTaken));

  DispatchQueuedReads(s, reads);
  EXPECT_EQ(reads.Size(), 0u);
  EXPECT_THAT(Lines(), ElementsAre("Renew records now :", "Last erase date : 2005/01/09",
                                   "Now write record : 2005/03/31", "Renew records finished .", "",
                                   "Download coin format finished .", ""));
  EXPECT_FALSE(s.state.busy);
  EXPECT_FALSE(s.pending.awaitCoinFormat);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));

  // Nothing waits: a second call does nothing.
  DispatchQueuedReads(s, reads);
  EXPECT_THAT(Lines(), ::testing::SizeIs(7));
}

TEST_F(QueuedReadsTest, TheTrafficLogNamesEachQueuedReadOnItsOwn) {
  bench.RecordTraffic();
  Identify();
  DownloadCoinFormat(s);
  const std::size_t before = bench.traffic.entries.size();
  ASSERT_TRUE(reads.Push(kRenewalEnd));
  ASSERT_TRUE(reads.Push(kFormatTaken));
  DispatchQueuedReads(s, reads);
  ASSERT_EQ(bench.traffic.entries.size(), before + 2);
  EXPECT_EQ(bench.traffic.entries[before].bytes, kRenewalEnd);
  EXPECT_EQ(bench.traffic.entries[before].name, "record-maintenance report 0x33");
  EXPECT_EQ(bench.traffic.entries[before + 1].bytes, kFormatTaken);
  EXPECT_EQ(bench.traffic.entries[before + 1].name, "coin format reply");
}

TEST_F(QueuedReadsTest, AReadQueuedDuringAnExportWaitsUntilTheExportHasEnded) {
  // The export handles events inside the dispatcher while it reads the day
  // records from the receive buffer; a report that arrives then must not
  // overwrite that buffer. It is handled right after the export.
  test::AcceptingAutomation automation;
  bench.UseAutomation(automation);
  Identify();
  s.state.busy = true;
  s.pending.awaitRecordSearch = true;
  bool queuedInside = false;
  bench.When([this] { return s.dispatching; },
             [&] {
               queuedInside = true;
               ASSERT_TRUE(reads.Push({0x77, 0x44, 0x10, 0x0B, 0x02}));
               DispatchQueuedReads(s, reads);  // as the window's event would
               EXPECT_EQ(reads.Size(), 1u);
             });
  ASSERT_TRUE(reads.Push(test::SearchReply(
      {5, 3, 1}, {5, 3, 20}, 2, std::vector<test::Day>(20, {100, 200, 300, 4}), test::kSerial)));
  DispatchQueuedReads(s, reads);

  EXPECT_TRUE(queuedInside);
  EXPECT_EQ(reads.Size(), 0u);
  const std::vector<std::string> lines = Lines();
  ASSERT_GE(lines.size(), 4u) << bench.memo.Text();
  EXPECT_THAT(std::vector<std::string>(lines.end() - 4, lines.end()),
              ElementsAre("Finish outputing EXCEL file.", "",
                          "Records full! Last record date : 2016/11/02", ""));
  EXPECT_FALSE(s.pending.awaitRecordSearch);
}

// ---- the queue itself ----

// Runs Push on a thread of its own and says when it has returned.
class PushOnAThread {
 public:
  PushOnAThread(ReadQueue& reads, Bytes read)
      : thread_([this, &reads, read = std::move(read)]() mutable {
          result_ = reads.Push(std::move(read));
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
  ASSERT_TRUE(reads.Push({0x77, 0x33}));
  ASSERT_TRUE(reads.Push({0xAA}));
  ASSERT_TRUE(reads.Push({}));
  EXPECT_EQ(reads.Size(), 3u);
  EXPECT_EQ(reads.Take(), (Bytes{0x77, 0x33}));
  EXPECT_EQ(reads.Take(), (Bytes{0xAA}));
  EXPECT_EQ(reads.Take(), Bytes{});
  EXPECT_FALSE(reads.Take().has_value());
}

TEST(ReadQueueTest, AFullQueueHoldsTheReaderUntilTheTakerMakesRoom) {
  ReadQueue reads(2, 1000);
  ASSERT_TRUE(reads.Push({1}));
  ASSERT_TRUE(reads.Push({2}));
  PushOnAThread third(reads, {3});
  Settle();
  EXPECT_FALSE(third.done());
  EXPECT_EQ(reads.Size(), 2u);
  EXPECT_EQ(reads.Take(), Bytes{1});
  EXPECT_TRUE(third.Result());
  EXPECT_EQ(reads.Take(), Bytes{2});
  EXPECT_EQ(reads.Take(), Bytes{3});
}

TEST(ReadQueueTest, TheByteLimitCountsButNeverRefusesAReadIntoAnEmptyQueue) {
  ReadQueue reads(100, 10);
  ASSERT_TRUE(reads.Push(Bytes(25, 0x11)));  // larger than the limit, but alone
  PushOnAThread next(reads, Bytes(1, 0x22));
  Settle();
  EXPECT_FALSE(next.done());
  EXPECT_EQ(reads.Take(), Bytes(25, 0x11));
  EXPECT_TRUE(next.Result());
  ASSERT_TRUE(reads.Push(Bytes(9, 0x33)));  // 1 + 9: just fits
  PushOnAThread over(reads, Bytes(1, 0x44));
  Settle();
  EXPECT_FALSE(over.done());
  EXPECT_EQ(reads.Take(), Bytes(1, 0x22));
  EXPECT_TRUE(over.Result());
  EXPECT_EQ(reads.Size(), 2u);
}

TEST(ReadQueueTest, InterruptReleasesAWaitingReaderUntilResumed) {
  ReadQueue reads(1, 1000);
  ASSERT_TRUE(reads.Push({1}));
  PushOnAThread waiting(reads, {2});
  Settle();
  EXPECT_FALSE(waiting.done());
  reads.Interrupt();
  EXPECT_FALSE(waiting.Result());  // not queued
  EXPECT_FALSE(reads.Push({3}));
  EXPECT_EQ(reads.Size(), 1u);
  // What was queued before stays for the taker.
  reads.Resume();
  EXPECT_EQ(reads.Take(), Bytes{1});
  EXPECT_TRUE(reads.Push({4}));
  EXPECT_EQ(reads.Take(), Bytes{4});
}

TEST(ReadQueueTest, InterruptBeforeTheReaderWaitsIsNotLost) {
  ReadQueue reads(1, 1000);
  ASSERT_TRUE(reads.Push({1}));
  reads.Interrupt();
  PushOnAThread late(reads, {2});
  EXPECT_FALSE(late.Result());
}

}  // namespace
}  // namespace orvex
