#pragma once
// One printer's thread: its own port (a device, or a device server's line),
// session and ports, hosted by a session host of its own that runs on this
// thread (the reads, the timers and the wake-ups of a stop request all come
// through its loop). What both programs do with a port stays here: it is
// opened once, a hang-up ends the printer, and a stop request cancels and
// then gives up what the printer does not answer. What they do with the
// printer is the job they hand in.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/headless_ports.h"
#include "cli/printer_host.h"
#include "cli/printer_record.h"
#include "core/session.h"
#include "core/traffic/traffic.h"
#include "platform/host/port_line.h"
#include "platform/host/session_host.h"
#include "platform/host/system_clock.h"
#include "platform/serial/port_names.h"

namespace orvex::cli {

struct PortChoice {
  std::string name;           // as given: COM3 or /dev/ttyUSB0
  platform::PortDevice port;  // what it stands for; port.path is opened
};

// After a stop request, the time a pending request gets to be answered
// before it is given up as the reply timeout would give it up.
constexpr int kStopGraceMs = 2000;

class PrinterWorker final : private core::LinkPort,
                            private core::EventPump,
                            private CollectingPanel,
                            private core::TrafficObserver,
                            public PrinterHost {
 public:
  // spreadsheet: the spreadsheet the period report is written with; none
  // when nullptr.
  PrinterWorker(PortChoice port, ProgressSink& sink, const std::atomic<bool>& stop,
                core::Spreadsheet* spreadsheet = nullptr);
  ~PrinterWorker() override;
  PrinterWorker(const PrinterWorker&) = delete;
  PrinterWorker& operator=(const PrinterWorker&) = delete;

  core::Session& session() { return session_; }

  // Opens the port, runs the job with it open and releases it; then the
  // record has the printer's lines, and the sink its last word. A port
  // that does not open fails the record without the job.
  void Run(PrinterRecord& record, const std::function<void()>& job);
  // From any thread: have a waiting Run look at the stop flag now.
  void Wake();

  // PrinterHost
  bool WaitUntil(const std::function<bool()>& done, int timeoutMs) override;
  bool StopRequested() const override { return stop_.load(); }
  bool HungUp() const override { return hungUp_; }
  std::int64_t NowMs() const override { return host_.NowMs(); }
  std::optional<core::LocalDateTime> LastClockReading() const override {
    return clock_.lastReading();
  }
  std::vector<std::string> LinesFrom(int index) const override;
  int MessageCount() const override { return static_cast<int>(messages.size()); }
  std::vector<std::string> MessagesFrom(int index) const override;
  bool VariantAnswered() const override { return variantAnswered_; }

 private:
  // The message window, which tells the worker when the reply timeout's
  // line is rewritten: the count is shown beside the printer's activity.
  class Lines : public LineList {
   public:
    explicit Lines(PrinterWorker& worker) : worker_(worker) {}
    void ReplaceLine(int index, const std::string& text) override;

   private:
    PrinterWorker& worker_;
  };

  // LinkPort: the host's link, with a look at the stop flag in each pause
  void BeginRequest() override { host_.BeginRequest(); }
  bool SendByte(std::uint8_t byte) override { return host_.SendByte(byte); }
  void Pause(int milliseconds) override;
  // EventPump: the host's loop, with the stop request's own rules
  void WaitWhile(const std::function<bool()>& condition) override;
  void ProcessPendingEvents() override { host_.ProcessPendingEvents(); }
  // PanelPort (the rest is CollectingPanel's)
  void SetGauge(int percent) override { sink_.Progress(percent); }
  // TrafficObserver: which sections took the reads
  std::int64_t TrafficNowUs() override { return host_.NowMs() * 1000; }
  void OnTraffic(const core::TrafficEntry& entry) override;

  // waitStartMs: when the wait under way began.
  void OnStop(std::int64_t waitStartMs);
  void WaitEnded();

  PortChoice choice_;
  ProgressSink& sink_;
  const std::atomic<bool>& stop_;

  platform::SessionHost host_;
  platform::PortLine port_;  // a device, or a device server's line
  Lines memo_;
  platform::SystemClock clock_;
  NoSetupView view_;
  core::NoSpreadsheet noSpreadsheet_;
  NoPreview preview_;
  core::Session session_;

  bool hungUp_ = false;
  bool cancelled_ = false;  // Cancel raised after the stop request
  bool forced_ = false;     // pending requests given up after the grace time
  bool waitShown_ = false;  // the reply timeout's count is shown
  bool variantAnswered_ = false;
  std::int64_t stopSeenMs_ = 0;
};

}  // namespace orvex::cli
