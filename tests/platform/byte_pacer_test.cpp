#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "serial/byte_pacer.h"

namespace orvex::platform {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

TEST(BytePacer, ConsecutivePausesAreNeverShorterInAll) {
  // Keeping a cadence must not make the bytes come faster than 10 ms apart
  // (how close it stays to the floor is a figure of bench/tool_line_bench).
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
