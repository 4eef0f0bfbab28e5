// How long after the printer's last byte does a framed read return?
// The burst ends after a 50 ms quiet gap; the goal is to return within 5 ms of
// that. Runs over a pseudo-terminal, so only our own latency is measured.

#include <pty.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/serial/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kRuns = 20;
constexpr int kReplyBytes = 19;  // a firmware reply

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  char folder[] = "/tmp/orvex-gap-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path config = folder;
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  fs::create_directories(config / "orvex-tool" / "ports");

  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
    std::perror("openpty");
    return 1;
  }
  fs::create_symlink(ttyname(slave), config / "orvex-tool" / "ports" / "COM3");
  close(slave);

  orvex::platform::SerialPort port;
  const auto opened = port.Open("COM3");
  if (!opened.ok) {
    std::fprintf(stderr, "open: %s\n", opened.reason.c_str());
    return 1;
  }

  std::vector<double> late;
  std::vector<std::uint8_t> burst;
  const double cpuStart = CpuSeconds();
  const auto wallStart = Clock::now();
  for (int run = 0; run < kRuns; ++run) {
    std::atomic<Clock::rep> lastByte{0};
    std::thread printer([&] {
      // Bytes 1 ms apart, as a slow printer might send them.
      for (int i = 0; i < kReplyBytes; ++i) {
        const std::uint8_t byte = static_cast<std::uint8_t>(0x30 + i);
        if (write(master, &byte, 1) != 1) return;
        lastByte = Clock::now().time_since_epoch().count();
        std::this_thread::sleep_for(1ms);
      }
    });
    const auto status = port.ReadBurst(burst);
    const auto returned = Clock::now();
    printer.join();
    if (status != orvex::platform::SerialPort::ReadStatus::Data ||
        burst.size() != static_cast<std::size_t>(kReplyBytes)) {
      std::fprintf(stderr, "run %d: unexpected read of %zu bytes\n", run, burst.size());
      return 1;
    }
    late.push_back(Milliseconds(returned - Clock::time_point(Clock::duration(lastByte.load()))));
    std::this_thread::sleep_for(20ms);
  }
  const double cpu = CpuSeconds() - cpuStart;
  const double wall = Milliseconds(Clock::now() - wallStart) / 1000.0;

  std::sort(late.begin(), late.end());
  const double median = (late[kRuns / 2 - 1] + late[kRuns / 2]) / 2.0;
  std::printf("serial gap: %d runs of %d bytes over a pty, gap 50 ms\n", kRuns, kReplyBytes);
  std::printf("  last byte -> ReadBurst return: median %.2f ms, max %.2f ms, min %.2f ms\n", median,
              late.back(), late.front());
  std::printf("  beyond the gap: median %.2f ms, max %.2f ms (goal: under 5 ms)\n", median - 50.0,
              late.back() - 50.0);
  std::printf("  process CPU: %.1f ms over %.2f s (%.2f%%)\n", cpu * 1000.0, wall,
              100.0 * cpu / wall);

  port.Close();
  close(master);
  fs::remove_all(config);
  return 0;
}
