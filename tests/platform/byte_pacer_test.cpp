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

TEST(BytePacer, ConsecutivePausesKeepTheCadence) {
  BytePacer pacer;
  const auto start = Clock::now();
  for (int i = 0; i < 100; ++i) pacer.Pause(10);
  // 100 pauses of 10 ms: a plain sleep drifts by its overshoot each time.
  const double elapsed = MsSince(start);
  EXPECT_GE(elapsed, 999.0);
  EXPECT_LT(elapsed, 1015.0);
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
