#pragma once
// One printer's thread: its own serial port, session and ports. Reads,
// timer ticks and stop requests are all handled in one poll() loop on this
// thread, so the core runs here as it runs on the window thread of the tool.
// As in the tool, a reader thread of its own frames the printer's bursts
// into a queue, also while this thread sends or pauses: two replies that
// came apart are dispatched apart.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "headless_ports.h"
#include "link/read_queue.h"
#include "printer_report.h"
#include "provision_run.h"
#include "serial/port_names.h"
#include "serial/serial_link.h"
#include "serial/serial_port.h"
#include "session.h"

namespace orvex::provision {

struct PortChoice {
  std::string name;           // as given: COM3 or /dev/ttyUSB0
  platform::PortDevice port;  // what it stands for; port.path is opened
};

// After a stop request, the time a pending request gets to be answered
// before it is given up as the reply timeout would give it up.
constexpr int kStopGraceMs = 2000;

class PrinterWorker final : private LinkPort,
                            private TimerPort,
                            private EventPump,
                            private CollectingPanel,
                            public PrinterHost {
 public:
  PrinterWorker(PortChoice port, const TicketSetup& setup, const ProvisionSettings& settings,
                ProgressSink& sink, const std::atomic<bool>& stop);
  ~PrinterWorker();
  PrinterWorker(const PrinterWorker&) = delete;
  PrinterWorker& operator=(const PrinterWorker&) = delete;

  // Opens the port, provisions the printer and releases the port.
  void Run();
  // From any thread: have a waiting Run look at the stop flag now.
  void Wake();

  const PrinterReport& report() const { return report_; }

  // PrinterHost
  bool WaitUntil(const std::function<bool()>& done, int timeoutMs) override;
  bool StopRequested() const override { return stop_.load(); }
  bool HungUp() const override { return hungUp_; }
  std::int64_t NowMs() const override;
  std::optional<LocalDateTime> LastClockReading() const override { return clock_.lastReading(); }
  std::vector<std::string> LinesFrom(int index) const override;
  int MessageCount() const override { return static_cast<int>(messages.size()); }
  std::vector<std::string> MessagesFrom(int index) const override;

 private:
  // LinkPort: the platform's link, with a look at the stop flag in each pause
  void BeginRequest() override { link_.BeginRequest(); }
  bool SendByte(std::uint8_t byte) override { return link_.SendByte(byte); }
  void Pause(int milliseconds) override;
  // TimerPort
  void SetTimerEnabled(TimerId timer, bool enabled) override;
  bool TimerEnabled(TimerId timer) const override;
  // EventPump
  void WaitWhile(const std::function<bool()>& condition) override;
  void ProcessPendingEvents() override;
  // PanelPort (the rest is CollectingPanel's)
  void SetGauge(int percent) override { sink_.Progress(percent); }

  // Waits for one event (a read, a timer tick, a wake) until deadlineMs at
  // the latest (negative: no deadline) and handles it.
  void HandleEvents(std::int64_t deadlineMs);
  // The reader thread: frames bursts into reads_ until the port hangs up or
  // StopReader() is called.
  void ReadBursts();
  void StopReader();
  void RunDueTimers();
  // waitStartMs: when the wait under way began.
  void OnStop(std::int64_t waitStartMs);

  struct Timer {
    bool enabled = false;
    std::int64_t nextTickMs = 0;
  };

  PortChoice choice_;
  ProvisionSettings settings_;
  ProgressSink& sink_;
  const std::atomic<bool>& stop_;

  platform::SerialPort port_;
  platform::SerialLink link_{port_};
  LineList memo_;
  SystemClock clock_;
  NoSetupView view_;
  NoSpreadsheet spreadsheet_;
  NoPreview preview_;
  Session session_;
  Timer timers_[4];  // by TimerId

  ReadQueue reads_;
  std::thread reader_;
  std::atomic<bool> readerStop_ = false;
  std::atomic<bool> readerHungUp_ = false;  // the reader saw the hang-up after its last read
  int events_ = -1;                         // eventfd: a read is queued, or Wake()

  bool hungUp_ = false;
  bool cancelled_ = false;  // Cancel raised after the stop request
  bool forced_ = false;     // pending requests given up after the grace time
  std::int64_t stopSeenMs_ = 0;

  PrinterReport report_;
};

}  // namespace orvex::provision
