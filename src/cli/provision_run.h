#pragma once
// One printer's provisioning, from the wait for its announcement to the
// read-back of what was sent. It drives the core through a Session and
// needs from its host only waiting and a clock; the host implements the
// core's ports (a real serial port, or the virtual bench in tests).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "printer_report.h"
#include "session.h"

namespace orvex::provision {

struct ProvisionSettings {
  bool probe = false;         // ask for the variant instead of awaiting the announcement
  bool setClock = true;       // --no-clock clears it
  bool eraseRecords = false;  // --erase-records sets it
  int onlineWaitMs = 15000;   // how long to wait for the printer to be identified
};

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
  // The clock reading that the clock setting used last (the core reads the
  // clock port itself); nullopt when it has not read it.
  virtual std::optional<LocalDateTime> LastClockReading() const = 0;
  // The message window's lines from index on, and the message boxes shown
  // from index on (counted from the first one).
  virtual std::vector<std::string> LinesFrom(int index) const = 0;
  virtual int MessageCount() const = 0;
  virtual std::vector<std::string> MessagesFrom(int index) const = 0;
};

// Told as the run goes on; called on the printer's own thread.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // What the printer is doing now; forgets the gauge.
  virtual void Activity(const std::string& text) = 0;
  // The gauge of the download under way, 0..100.
  virtual void Progress(int percent) = 0;
  // One line for the plain log ("step 5 Coin Format: done (2.8 s)").
  virtual void Event(const std::string& text) = 0;
};

// Runs everything after the port is open. The session's setup must hold the
// setup to apply; report.port and report.device are the caller's.
void RunProvisioning(Session& session, PrinterHost& host, const ProvisionSettings& settings,
                     PrinterReport& report, ProgressSink& sink);

// The part of the batch's step line inside its brackets: "Coin Format".
std::string StepName(int step);

}  // namespace orvex::provision
