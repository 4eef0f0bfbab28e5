#pragma once
// A printer's serial line behind a serial device server, over TCP: raw, or
// telnet with RFC 2217's COM-PORT-OPTION, through which the tool sets the
// line to 38400 8N1 without flow control. The same Line as the serial port:
// one byte per send with TCP_NODELAY (so each byte leaves at once and the
// pacer's pauses reach the printer), reads framed by the same gap, the
// hang-up reported once. In telnet mode a data byte 0xFF is doubled both
// ways, and option negotiation and the server's notifications are handled
// here: they never reach the reads.

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/host/burst_framing.h"
#include "platform/host/line.h"
#include "platform/net/telnet.h"
#include "platform/serial/port_names.h"
#include "platform/serial/port_problem.h"

namespace orvex::platform {

// Threads as for SerialPort: one reads, one writes, Wake() from anywhere;
// Open and Close never overlap a running ReadBurst.
class NetLine final : public Line {
 public:
  struct Timeouts {
    int connectMs = 5000;   // for the TCP connection, over all the name's addresses
    int settingsMs = 5000;  // for the server's answers to the line settings
  };

  NetLine();
  ~NetLine() override;
  NetLine(const NetLine&) = delete;
  NetLine& operator=(const NetLine&) = delete;

  // Connects to port.address and, for RFC 2217, sets the line and checks
  // what the server answers. Blocks for the timeouts at most; gives up at
  // once when cancelFd (when >= 0) turns readable. Bytes the printer sent
  // meanwhile come with the first read.
  PortOpenResult Open(const PortDevice& port, int cancelFd = -1);
  void SetTimeouts(Timeouts timeouts) { timeouts_ = timeouts; }
  const Timeouts& timeouts() const { return timeouts_; }

  bool IsOpen() const override { return fd_ >= 0; }
  bool IsHungUp() const { return hungUp_; }

  void BeginRequest() override;
  // One send per byte (two for a doubled 0xFF); waits for the socket to take
  // it within the request's write bound, as SerialPort::WriteByte.
  WriteStatus WriteByte(std::uint8_t byte) override;
  void SetRequestWriteBound(std::chrono::milliseconds bound) { writeBound_ = bound; }

  // As SerialPort::ReadBurst. Only the line's bytes start and extend a
  // burst; telnet commands alone are no read.
  ReadStatus ReadBurst(std::vector<std::uint8_t>& out, std::size_t maxBytes = core::kReadMaxBytes,
                       int gapMs = core::kReadGapMs, int waitMs = -1) override;
  void Wake() override;
  void Close() override;

 private:
  using Clock = std::chrono::steady_clock;

  std::optional<PortProblem> SetLine(const PortDevice& port, int cancelFd);
  std::optional<std::string> CheckAnswers() const;
  // Reads what the socket has (at most `room` bytes of it) into the line's
  // bytes; answers the telnet commands among them.
  Fetched FetchQueued(std::vector<std::uint8_t>& out, std::size_t room);
  void Handle(const telnet::Commands& commands);
  void Negotiate(const telnet::Negotiation& negotiation, std::vector<std::uint8_t>& reply);
  // Sends all of `bytes` (under the send lock), waiting for the socket up
  // to `budget`, which it spends.
  WriteStatus SendAll(const std::uint8_t* bytes, std::size_t size, Clock::duration& budget);
  // A telnet command of the tool's own, outside any request's budget.
  void SendCommand(const std::vector<std::uint8_t>& bytes);
  bool WakePending() const;
  void MarkHungUp() { hungUp_ = true; }
  void ResetTelnet();

  int fd_ = -1;
  int wakeFd_ = -1;
  NetMode mode_ = NetMode::None;
  Timeouts timeouts_;
  std::atomic<bool> hungUp_ = false;
  bool hangupReported_ = false;
  std::chrono::milliseconds writeBound_{2000};
  Clock::duration writeBudget_{writeBound_};
  std::mutex sendMutex_;

  // Telnet: the decoder, each option's state (RFC 1143 in short: a request
  // is answered only when it changes the state, so nothing loops), the line
  // settings' answers, and the line's bytes read during the open.
  telnet::Decoder decoder_;
  std::array<bool, 256> localOn_{}, remoteOn_{}, askedWill_{}, askedDo_{};
  std::array<bool, 256> refusedLocal_{}, refusedRemote_{};
  bool comPortRefused_ = false;
  std::array<std::optional<std::vector<std::uint8_t>>, 6> answers_{};  // by command 1..5
  std::vector<std::uint8_t> pending_;
};

}  // namespace orvex::platform
