#pragma once
// Both programs' main loop: every printer on a thread of its own, the
// display drawn from the status board, and SIGINT or SIGTERM taken as a
// request to stop.

#include <atomic>
#include <cstddef>
#include <functional>

#include "cli/display.h"
#include "cli/status_board.h"

namespace orvex::cli {

// SIGINT and SIGTERM come through a descriptor to the main thread alone
// (threads started later inherit the mask); SIGPIPE is ignored, so a
// reader that went away ends no write with the program.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

struct PrinterThreads {
  const char* program;       // "orvex-fleet", for the messages
  const char* stoppingWhat;  // "the steps under way"
  std::size_t count = 0;
  std::function<void(std::size_t)> run;  // one printer's whole run, on its thread
  std::function<void()> wake;            // from the main thread: the stop is there
};

// Runs the printers and shows the board until all have finished. The
// first signal sets `stop` and wakes them; a second one a second or more
// after it ends the program at once (exit status 3, no report). Returns
// whether a stop came.
bool RunPrinters(const PrinterThreads& printers, StatusBoard& board, Display& display,
                 std::atomic<bool>& stop, const StopSignals& signals);

}  // namespace orvex::cli
