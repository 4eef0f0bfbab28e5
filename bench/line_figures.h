#pragma once
// Figures of bytes on the line, for the benchmarks of the whole tool: the
// moments orvex-sim read them (--byte-times), the gaps between them, and
// this process's CPU time.

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bitmaps.h"

namespace orvex::bench {

inline double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline std::string LoadAverage() {
  std::string text = orvex::test::ReadFile("/proc/loadavg");
  const std::size_t third = text.find(' ', text.find(' ', text.find(' ') + 1) + 1);
  return third == std::string::npos ? text : text.substr(0, third);
}

inline std::vector<std::int64_t> ReadByteTimes(const std::filesystem::path& path) {
  std::vector<std::int64_t> times;
  std::istringstream in(orvex::test::ReadFile(path));
  for (long long ns = 0; in >> ns;) times.push_back(ns);
  return times;
}

struct GapFigures {
  double minMs = 0;
  double medianMs = 0;
  double maxMs = 0;
  std::size_t count = 0;
  std::size_t below10 = 0;
};

inline GapFigures Gaps(std::vector<std::int64_t> gapsNs) {
  GapFigures f;
  f.count = gapsNs.size();
  if (gapsNs.empty()) return f;
  for (const std::int64_t g : gapsNs) f.below10 += g < 10000000 ? 1 : 0;
  std::sort(gapsNs.begin(), gapsNs.end());
  f.minMs = static_cast<double>(gapsNs.front()) / 1e6;
  f.medianMs = static_cast<double>(gapsNs[gapsNs.size() / 2]) / 1e6;
  f.maxMs = static_cast<double>(gapsNs.back()) / 1e6;
  return f;
}

// The gaps between consecutive moments.
inline GapFigures GapsBetween(const std::vector<std::int64_t>& times) {
  std::vector<std::int64_t> gaps;
  for (std::size_t i = 1; i < times.size(); ++i) gaps.push_back(times[i] - times[i - 1]);
  return Gaps(gaps);
}

inline void PrintGaps(const char* where, const GapFigures& f) {
  std::printf(
      "  gaps %-28s smallest %7.3f ms, median %7.3f ms, largest %8.3f ms; %zu of %zu below "
      "10 ms\n",
      where, f.minMs, f.medianMs, f.maxMs, f.below10, f.count);
}

inline double SpanSeconds(const std::vector<std::int64_t>& times) {
  return times.size() < 2 ? 0.0 : static_cast<double>(times.back() - times.front()) / 1e9;
}

}  // namespace orvex::bench
