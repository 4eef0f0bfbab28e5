#include "platform/serial/byte_pacer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "platform/host/paced_link.h"
#include "platform/serial/serial_port.h"

namespace orvex::platform {
namespace {

using Clock = std::chrono::steady_clock;
using ::testing::ElementsAre;

constexpr std::int64_t kMs = 1000000;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A clock that moves only when told to, or by a sleep: a sleep ends at its
// deadline plus whatever lateness the test gives it (a busy machine).
class FakeClock : public MonotonicClock {
 public:
  std::int64_t NowNs() override {
    const std::int64_t now = nowNs;
    nowNs += advancePerRead;
    return now;
  }
  void SleepUntilNs(std::int64_t deadlineNs) override {
    deadlines.push_back(deadlineNs);
    if (deadlineNs > nowNs) nowNs = deadlineNs;
    nowNs += nextLateness;
  }
  void Pass(std::int64_t ns) { nowNs += ns; }

  std::int64_t nowNs = 1000 * kMs;
  std::int64_t advancePerRead = 0;
  std::int64_t nextLateness = 0;
  std::vector<std::int64_t> deadlines;
};

TEST(BytePacer, APauseCountsFromTheWriteAndALateByteGetsAFullPause) {
  FakeClock clock;
  BytePacer pacer(clock);
  const std::int64_t t0 = clock.nowNs;
  clock.Pass(kMs / 5);  // the write takes 0.2 ms
  pacer.WriteReturned();
  clock.nextLateness = 3 * kMs;  // the thread wakes 3 ms late
  pacer.Pause(10);
  clock.nextLateness = 0;
  clock.Pass(kMs / 10);
  pacer.WriteReturned();
  pacer.Pause(10);
  // 10.2 ms, then 10 ms after the second write returned (13.3 ms): 23.3 ms.
  // A fixed cadence would have asked for 20.2 ms, a gap of 6.9 ms.
  EXPECT_THAT(clock.deadlines, ElementsAre(t0 + 10 * kMs + kMs / 5, t0 + 23 * kMs + 3 * kMs / 10));
}

TEST(BytePacer, NoDeadlineIsEverEarlierThanTheLastWritePlusThePause) {
  // Ten thousand bytes with writes of every length, wakes late by up to
  // 5 ms (now and then 40 ms), and the pause asked at once, a little later
  // or long after the write.
  std::mt19937_64 rng(12);
  auto uniform = [&rng](std::int64_t low, std::int64_t high) {
    return std::uniform_int_distribution<std::int64_t>(low, high)(rng);
  };
  FakeClock clock;
  BytePacer pacer(clock);
  std::int64_t previousReturn = 0;
  for (int byte = 0; byte < 10000; ++byte) {
    const std::int64_t writeStart = clock.nowNs;
    if (byte > 0) {
      ASSERT_GE(writeStart - previousReturn, 10 * kMs) << "byte " << byte;
    }
    clock.Pass(uniform(0, 2 * kMs));
    pacer.WriteReturned();
    const std::int64_t writeReturn = clock.nowNs;
    previousReturn = writeReturn;
    const int when = static_cast<int>(uniform(0, 9));
    if (when == 0) clock.Pass(uniform(11 * kMs, 60 * kMs));  // asked after its time
    if (when == 1) clock.Pass(uniform(0, 9 * kMs));
    clock.nextLateness = uniform(0, 9) == 0 ? 40 * kMs : uniform(0, 5 * kMs);
    const std::size_t before = clock.deadlines.size();
    const std::int64_t asked = clock.nowNs;
    pacer.Pause(10);
    ASSERT_EQ(clock.deadlines.size(), before + 1);
    const std::int64_t deadline = clock.deadlines.back();
    ASSERT_GE(deadline, writeReturn + 10 * kMs) << "byte " << byte;
    // Never longer than needed either: exactly 10 ms after the write.
    ASSERT_EQ(deadline, writeReturn + 10 * kMs) << "byte " << byte;
    if (when == 0) {
      EXPECT_LT(deadline, asked) << "a pause asked after its time returns at once";
    }
  }
}

TEST(BytePacer, APauseWithNoWriteBeforeItIsAFullPauseFromNow) {
  FakeClock clock;
  BytePacer pacer(clock);
  const std::int64_t start = clock.nowNs;
  pacer.Pause(10);  // nothing written yet
  EXPECT_THAT(clock.deadlines, ElementsAre(start + 10 * kMs));

  // A second pause after the same write (Download All's second between
  // steps) counts from when it is asked, not from the write.
  clock.deadlines.clear();
  pacer.WriteReturned();
  const std::int64_t write = clock.nowNs;
  pacer.Pause(10);
  clock.Pass(2 * kMs);
  const std::int64_t second = clock.nowNs;
  pacer.Pause(1000);
  EXPECT_THAT(clock.deadlines, ElementsAre(write + 10 * kMs, second + 1000 * kMs));
}

TEST(BytePacer, ZeroPauseDoesNotSleep) {
  FakeClock clock;
  BytePacer pacer(clock);
  pacer.WriteReturned();
  pacer.Pause(0);
  EXPECT_TRUE(clock.deadlines.empty());
  // ...and leaves the write to the next pause.
  const std::int64_t write = pacer.LastWriteNs();
  clock.Pass(3 * kMs);
  pacer.Pause(10);
  EXPECT_THAT(clock.deadlines, ElementsAre(write + 10 * kMs));
}

TEST(PacedLink, ThePauseAfterAByteCountsFromTheReturnOfItsWrite) {
  // Time moves 3 ms with every look at the clock: the write "takes" 3 ms.
  FakeClock clock;
  clock.advancePerRead = 3 * kMs;
  SerialPort closed;  // writes to a closed port return at once
  PacedLink link(&closed, clock);
  PacedLink::WriteTimes times;
  link.RecordWriteTimes(&times);
  link.SendByte(0x1B);
  link.Pause(10);
  link.SendByte(0xF9);
  ASSERT_EQ(times.startNs.size(), 2u);
  ASSERT_EQ(times.returnNs.size(), 2u);
  EXPECT_EQ(times.returnNs[0] - times.startNs[0], 3 * kMs);
  EXPECT_THAT(clock.deadlines, ElementsAre(times.returnNs[0] + 10 * kMs));
  EXPECT_GE(times.startNs[1] - times.returnNs[0], 10 * kMs);
}

TEST(BytePacer, RealPausesAreNeverShorterThanAsked) {
  // On the system clock: fifty pauses after fifty writes, each at least
  // 10 ms after its write. How close they stay to 10 ms is a figure of
  // bench/tool_line_bench.
  BytePacer pacer;
  std::vector<double> gaps;
  for (int i = 0; i < 50; ++i) {
    const auto written = Clock::now();  // no later than the pacer's own look
    pacer.WriteReturned();
    pacer.Pause(10);
    gaps.push_back(MsSince(written));
  }
  EXPECT_GE(*std::min_element(gaps.begin(), gaps.end()), 9.99);
}

TEST(BytePacer, ConsecutivePausesAreNeverShorterInAll) {
  BytePacer pacer;
  const auto start = Clock::now();
  for (int i = 0; i < 50; ++i) pacer.Pause(10);
  EXPECT_GE(MsSince(start), 499.0);
}

TEST(BytePacer, APauseAfterOtherWorkIsAFullPause) {
  BytePacer pacer;
  pacer.Pause(10);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const auto start = Clock::now();
  pacer.Pause(10);
  EXPECT_GE(MsSince(start), 9.9);
}

TEST(BytePacer, ZeroPauseReturnsAtOnce) {
  BytePacer pacer;
  const auto start = Clock::now();
  pacer.Pause(0);
  EXPECT_LT(MsSince(start), 1.0);
}

}  // namespace
}  // namespace orvex::platform
