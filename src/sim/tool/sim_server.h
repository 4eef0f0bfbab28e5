#pragma once
// Serves the printer model on the pseudo-terminal: notices when the tool
// opens and closes the port, feeds it the received bytes and writes the
// reply bursts when they are due. Sleeps in poll() between events.

#include <chrono>
#include <cstdint>
#include <vector>

#include "model/printer_model.h"
#include "tool/pseudo_terminal.h"
#include "tool/state_outputs.h"
#include "tool/trace.h"

namespace orvex::sim {

class SimServer {
 public:
  SimServer(PseudoTerminal& pty, PrinterModel& printer, Trace& trace, StateOutputs& outputs,
            std::chrono::steady_clock::time_point start);
  // Runs until stopFd becomes readable (a signalfd); returns the exit code.
  int Run(int stopFd);

 private:
  std::int64_t NowMs() const;
  void CheckOpened(bool reopened);
  void Disconnect(const char* why);
  void ReadFromTool();
  void WriteDue();
  void FlushOutput();
  void DrainWatch(bool* reopened);

  PseudoTerminal& pty_;
  PrinterModel& printer_;
  Trace& trace_;
  StateOutputs& outputs_;
  std::chrono::steady_clock::time_point start_;
  int watch_ = -1;  // inotify on the slave device, -1 when not available
  bool connected_ = false;
  std::vector<std::uint8_t> output_;  // bytes of due bursts not yet written
};

}  // namespace orvex::sim
