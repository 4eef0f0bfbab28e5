#pragma once
// What a printer's run needs from the place it runs in, and whom it tells
// how it goes. The run drives the core through a Session; the host
// implements the core's ports (a real serial port, or the virtual bench in
// tests).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/ports.h"

namespace orvex::cli {

class PrinterHost {
 public:
  virtual ~PrinterHost() = default;
  // Handles the printer's reads and the timers until done() holds (true),
  // timeoutMs passes (negative: no limit), a stop is asked for or the port
  // hangs up (false).
  virtual bool WaitUntil(const std::function<bool()>& done, int timeoutMs) = 0;
  virtual bool StopRequested() const = 0;
  virtual bool HungUp() const = 0;
  // Monotonic milliseconds, for the steps' times.
  virtual std::int64_t NowMs() const = 0;
  // The clock reading that the core used last (the clock setting, the
  // record search's stamp); nullopt when it has read none.
  virtual std::optional<core::LocalDateTime> LastClockReading() const = 0;
  // The message window's lines from index on, and the message boxes shown
  // from index on (counted from the first one).
  virtual std::vector<std::string> LinesFrom(int index) const = 0;
  virtual int MessageCount() const = 0;
  virtual std::vector<std::string> MessagesFrom(int index) const = 0;
  // Whether a read was taken as the answer to the variant query; the
  // fallback after four ticks identifies a printer that never answered.
  virtual bool VariantAnswered() const = 0;
};

// Told as the run goes on; called on the printer's own thread.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // What the printer is doing now; forgets the gauge and the wait.
  virtual void Activity(const std::string& text) = 0;
  // The gauge of the download under way, 0..100.
  virtual void Progress(int percent) = 0;
  // One line for the plain log ("step 5 Coin Format: done (2.8 s)").
  virtual void Event(const std::string& text) = 0;
  // The seconds the reply timeout has counted for the request under way;
  // -1 once the wait has ended.
  virtual void Waiting(int /*seconds*/) {}
};

}  // namespace orvex::cli
