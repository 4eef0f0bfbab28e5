#pragma once
// The wire to the printer: one byte per write, and the pause after a byte
// measured from the moment its write returned. The window's session and the
// programs without a window use it alike, through the session host.

#include <cstdint>
#include <vector>

#include "core/ports.h"
#include "platform/host/line.h"
#include "platform/serial/byte_pacer.h"

namespace orvex::platform {

class PacedLink : public core::LinkPort {
 public:
  // Without a line (none open yet, or it went away) bytes go into the void,
  // as they do into a device that has gone: the reply timeout tells of that.
  explicit PacedLink(Line* line = nullptr, MonotonicClock& clock = SystemMonotonicClock())
      : line_(line), clock_(clock), pacer_(clock) {}

  void SetLine(Line* line) { line_ = line; }
  Line* line() const { return line_; }

  void BeginRequest() override;
  // False only when the line did not take the byte before the request's
  // write deadline (see Line::WriteByte).
  bool SendByte(std::uint8_t byte) override;
  void Pause(int milliseconds) override;
  // Whether a byte was written since the last pause: the pause to come is
  // the one that paces it.
  bool PacingAWrite() const { return pacer_.WriteSincePause(); }

  // For measuring the line: while set, the moment each write starts and
  // returns (CLOCK_MONOTONIC, ns) is appended. Not for ordinary use.
  struct WriteTimes {
    std::vector<std::int64_t> startNs;
    std::vector<std::int64_t> returnNs;
  };
  void RecordWriteTimes(WriteTimes* times) { times_ = times; }

 private:
  Line* line_;
  MonotonicClock& clock_;
  BytePacer pacer_;
  WriteTimes* times_ = nullptr;
};

}  // namespace orvex::platform
