#pragma once
// The serial port: POSIX termios on a non-blocking descriptor, 38400 8N1 raw
// without flow control, opened for exclusive use.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/line.h"
#include "platform/serial/port_names.h"
#include "platform/serial/port_problem.h"

namespace orvex::platform {

// Threads: one thread reads (ReadBurst), one writes (WriteByte); Wake() may be
// called from anywhere at any time. Open and Close must not overlap a running
// ReadBurst: stop the reader first (Wake, then join it).
class SerialPort final : public Line {
 public:
  SerialPort();
  ~SerialPort() override;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  using OpenResult = PortOpenResult;
  // Opens the device the name stands for (PortNames). Fails with "already
  // open" while a port is open; that port stays as it is.
  OpenResult Open(const std::string& comName);
  // Opens that device: exclusive use (TIOCEXCL and flock), 38400 8N1 raw.
  OpenResult Open(const PortDevice& port);
  bool IsOpen() const override;
  // The device went away (unplugged, simulator ended) since Open.
  bool IsHungUp() const;

  // A request begins: the bytes written until the next BeginRequest may
  // wait for the line RequestWriteBound() in all, however many they are.
  void BeginRequest() override;
  // Blocking single-byte write. Stalled: the line did not take the byte
  // before the request's deadline (later bytes of the request fail at once).
  // Gone: the device went away (or the port is closed); the byte is lost.
  WriteStatus WriteByte(std::uint8_t byte) override;
  std::chrono::milliseconds RequestWriteBound() const { return writeBound_; }
  // For tests: a shorter bound than the 2 s of the real line.
  void SetRequestWriteBound(std::chrono::milliseconds bound) { writeBound_ = bound; }

  // Waits in poll() (no busy loop) until bytes arrive, Wake() is called or
  // the device goes away. With bytes: reads one burst, which ends when no
  // byte has come for gapMs or when maxBytes are in. `out` holds exactly the
  // burst afterwards (it is empty for Woken and HungUp).
  //
  // A pending Wake() wins over waiting bytes, which stay queued for the next
  // call. A Wake() during a burst ends it early: the bytes so far come back as
  // Data and the next call returns Woken at once.
  //
  // Hangup: HungUp is returned exactly once, by the call that finds the device
  // gone (or, when that call had already read bytes, which it returns as Data,
  // by the next call, at once). The port descriptor is never polled again:
  // every later call, like any call on a closed port, waits on the wake event
  // alone and returns Woken after Wake(). So a loop on ReadBurst never spins.
  //
  // waitMs bounds the wait for the first byte (negative: no bound); when it
  // passes with nothing come, the call returns TimedOut.
  ReadStatus ReadBurst(std::vector<std::uint8_t>& out, std::size_t maxBytes = core::kReadMaxBytes,
                       int gapMs = core::kReadGapMs, int waitMs = -1) override;
  // Safe from any thread: makes a waiting ReadBurst return Woken. Not lost
  // when no ReadBurst is waiting: the next one returns Woken at once.
  void Wake() override;

  // Discards unread input and releases the device. Safe to call twice.
  void Close() override;

 private:
  void MarkHungUp();

  int fd_ = -1;
  int wakeFd_ = -1;
  std::atomic<bool> hungUp_ = false;
  bool hangupReported_ = false;
  std::chrono::milliseconds writeBound_{2000};
  std::chrono::steady_clock::duration writeBudget_{writeBound_};
};

}  // namespace orvex::platform
