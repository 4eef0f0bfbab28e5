// What the traffic log costs the thread that paces the bytes: per logo row
// (48 bytes, one request) and per read, with the day files written to a
// temporary folder by the writer's own thread. Compare with the 480 ms a row
// takes on the line.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "bitmaps.h"
#include "core/traffic/traffic_recorder.h"
#include "platform/traffic/traffic_log.h"

namespace {

using Clock = std::chrono::steady_clock;

// A link that only counts: the cost measured is the recording alone.
class NullLink : public orvex::core::LinkPort {
 public:
  bool SendByte(std::uint8_t) override {
    ++bytes;
    return true;
  }
  void Pause(int) override {}
  std::uint64_t bytes = 0;
};

double MicrosecondsPer(Clock::duration total, int count) {
  return std::chrono::duration<double, std::micro>(total).count() / count;
}

}  // namespace

int main() {
  const auto folder = orvex::test::TempFolder("traffic-bench");
  NullLink link;
  orvex::core::TrafficRecorder recorder(link);
  std::vector<std::uint8_t> row(48);
  for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(i * 37);
  constexpr int kRows = 20000;

  auto sendRows = [&] {
    const auto start = Clock::now();
    for (int r = 1; r <= kRows; ++r) {
      recorder.BeginRequest("logo 1 row " + std::to_string(r) + "/341");
      for (std::uint8_t byte : row) recorder.SendByte(byte);
      recorder.EndRequest();
      const std::uint8_t ack = 0x42;
      recorder.BeginRead({&ack, 1});
      recorder.Took(orvex::core::ReplySection::Acknowledgement);
      recorder.EndRead();
    }
    return Clock::now() - start;
  };

  const auto bare = sendRows();
  orvex::platform::TrafficLog log;
  log.StartFiles(folder.string());
  log.writer().Flush(5000);
  recorder.SetObserver(&log);
  const auto logged = sendRows();
  const auto flushStart = Clock::now();
  log.writer().Flush(60000);
  const auto flushed = Clock::now() - flushStart;

  std::printf(
      "per row and its acknowledgement, on the pacing thread: %.2f us without the log, "
      "%.2f us with it (a row takes 480000 us on the line)\n",
      MicrosecondsPer(bare, kRows), MicrosecondsPer(logged, kRows));
  std::printf("writer thread still busy after the last row: %.1f ms for %d rows\n",
              std::chrono::duration<double, std::milli>(flushed).count(), kRows);
  return 0;
}
