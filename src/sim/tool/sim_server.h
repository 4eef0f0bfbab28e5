#pragma once
// Serves the printer model on the pseudo-terminal: notices when the tool
// opens and closes the port, feeds it the received bytes and writes the
// reply bursts when they are due. Sleeps in poll() between events. When the
// printer hangs up the line, the port is closed and served anew once the
// line is back.

#include <chrono>
#include <cstdint>
#include <vector>

#include "sim/model/printer_model.h"
#include "sim/tool/byte_times.h"
#include "sim/tool/port_host.h"
#include "sim/tool/state_outputs.h"
#include "sim/tool/trace.h"

namespace orvex::sim {

class SimServer {
 public:
  SimServer(PortHost& host, PrinterModel& printer, Trace& trace, StateOutputs& outputs,
            std::chrono::steady_clock::time_point start, const std::string& portName);
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;
  // Runs until stopFd becomes readable (a signalfd); returns the exit code.
  int Run(int stopFd);
  // --byte-times; none by default.
  void RecordByteTimes(ByteTimes* times) { byteTimes_ = times; }

 private:
  std::int64_t NowMs() const;
  void CheckOpened(bool reopened);
  void Disconnect(const char* why);
  void ReadFromTool();
  void WriteDue();
  void FlushOutput();
  void DrainWatch(bool* reopened);
  void StartWatch();
  void CheckHangUp();
  // While the line is down: waits for its return (true) or a stop signal.
  bool WaitLineBack(int stopFd, int* exitCode);

  PortHost& host_;
  PrinterModel& printer_;
  Trace& trace_;
  StateOutputs& outputs_;
  std::chrono::steady_clock::time_point start_;
  std::string portName_;
  int seenHangUps_ = 0;
  std::int64_t lineBackAtMs_ = 0;
  int watch_ = -1;  // inotify on the slave device, -1 when not available
  bool connected_ = false;
  std::vector<std::uint8_t> output_;  // bytes of due bursts not yet written
  ByteTimes* byteTimes_ = nullptr;
};

}  // namespace orvex::sim
