#pragma once
// The line a port name stands for: the serial port of a device on this PC,
// or a device server's line for an address (rfc2217://, tcp://). Either is
// opened with the same call and then used as the one Line.

#include <atomic>

#include "platform/host/line.h"
#include "platform/net/net_line.h"
#include "platform/serial/port_names.h"
#include "platform/serial/port_problem.h"
#include "platform/serial/serial_port.h"

namespace orvex::platform {

class PortLine final : public Line {
 public:
  PortLine() = default;
  PortLine(const PortLine&) = delete;
  PortLine& operator=(const PortLine&) = delete;

  // A device: SerialPort::Open. An address: NetLine::Open, which may block
  // for its timeouts; cancelFd ends that wait early.
  PortOpenResult Open(const PortDevice& port, int cancelFd = -1);
  bool IsNetwork() const { return active_.load() == &net_; }
  SerialPort& serial() { return serial_; }
  NetLine& net() { return net_; }

  void BeginRequest() override { active_.load()->BeginRequest(); }
  WriteStatus WriteByte(std::uint8_t byte) override { return active_.load()->WriteByte(byte); }
  ReadStatus ReadBurst(std::vector<std::uint8_t>& out, std::size_t maxBytes = core::kReadMaxBytes,
                       int gapMs = core::kReadGapMs, int waitMs = -1) override {
    return active_.load()->ReadBurst(out, maxBytes, gapMs, waitMs);
  }
  void Wake() override { active_.load()->Wake(); }
  bool IsOpen() const override { return active_.load()->IsOpen(); }
  void Close() override;

 private:
  SerialPort serial_;
  NetLine net_;
  // Changed only by Open, while no reader runs; Wake may read it at any time.
  std::atomic<Line*> active_{&serial_};
};

}  // namespace orvex::platform
