#pragma once
// --byte-times: the moment each byte from the tool was read off the line, in
// nanoseconds of CLOCK_MONOTONIC (the clock the tool paces with), one a line,
// so a benchmark can see the gaps between the bytes at the printer's end.
// Bytes taken in one read share its moment.

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

namespace orvex::sim {

class ByteTimes {
 public:
  // Without a path nothing is recorded. Fails (ok() false) when the file
  // cannot be created.
  explicit ByteTimes(const std::optional<std::string>& path);
  ~ByteTimes();
  ByteTimes(const ByteTimes&) = delete;
  ByteTimes& operator=(const ByteTimes&) = delete;

  bool ok() const { return ok_; }
  // Appends `count` lines with the present moment; flushed at once, so a
  // reader sees them while orvex-sim runs.
  void Received(std::size_t count);

 private:
  std::FILE* file_ = nullptr;
  bool ok_ = true;
};

}  // namespace orvex::sim
