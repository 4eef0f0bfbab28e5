#pragma once
// The wire to the printer, without a window: one byte per write, and the
// pause after a byte measured from the moment its write returned. The
// window's session and a program without a window use it alike.

#include <cstdint>
#include <vector>

#include "ports.h"
#include "serial/byte_pacer.h"
#include "serial/serial_port.h"

namespace orvex::platform {

class SerialLink : public orvex::LinkPort {
 public:
  explicit SerialLink(SerialPort& port, MonotonicClock& clock = SystemMonotonicClock())
      : port_(port), clock_(clock), pacer_(clock) {}

  void BeginRequest() override;
  // False only when the line did not take the byte before the request's
  // write deadline (see SerialPort::WriteByte).
  bool SendByte(std::uint8_t byte) override;
  void Pause(int milliseconds) override;

  // For measuring the line: while set, the moment each write starts and
  // returns (CLOCK_MONOTONIC, ns) is appended. Not for ordinary use.
  struct WriteTimes {
    std::vector<std::int64_t> startNs;
    std::vector<std::int64_t> returnNs;
  };
  void RecordWriteTimes(WriteTimes* times) { times_ = times; }

 private:
  SerialPort& port_;
  MonotonicClock& clock_;
  BytePacer pacer_;
  WriteTimes* times_ = nullptr;
};

}  // namespace orvex::platform
