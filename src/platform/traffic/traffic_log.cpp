#include "platform/traffic/traffic_log.h"

#include <ctime>

#include "platform/serial/byte_pacer.h"

namespace orvex::platform {

LocalStamp LocalStampOf(std::int64_t unixMicroseconds) {
  std::int64_t seconds = unixMicroseconds / 1000000;
  std::int64_t micros = unixMicroseconds % 1000000;
  if (micros < 0) {
    micros += 1000000;
    seconds -= 1;
  }
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&time, &local);
  char day[16];
  std::strftime(day, sizeof day, "%Y-%m-%d", &local);
  return {day, {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(micros / 1000)}};
}

void TrafficLog::StartFiles(const std::string& folder, TrafficFileLimits limits) {
  writer_.StartFiles(folder, LocalStampOf(TrafficNowUs()).day, limits);
}

std::int64_t TrafficLog::TrafficNowUs() {
  return WallClockUs();
}

void TrafficLog::OnTraffic(const core::TrafficEntry& entry) {
  const LocalStamp first = LocalStampOf(entry.firstUs);
  const LocalStamp last = entry.lastUs == entry.firstUs ? first : LocalStampOf(entry.lastUs);
  const std::string line = core::FormatTrafficLine(entry, first.time, last.time, port_);
  writer_.Write(first.day, line);
  if (listener_) listener_(line);
}

}  // namespace orvex::platform
