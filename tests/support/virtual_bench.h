#pragma once
// The tool's core on a virtual clock, wired to the simulated printer: every
// sent byte goes to the printer model, pauses advance the clock, reply bursts
// arrive as reads when their time comes, and the timers tick every
// virtual second. A logo download of minutes runs in milliseconds.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/session.h"
#include "fakes.h"
#include "sim/model/printer_model.h"

namespace orvex::test {

struct SentByte {
  std::int64_t atMs;
  std::uint8_t byte;
};

// Thrown when a wait could never end: nothing is scheduled any more.
struct StuckWait : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class VirtualBench : private core::LinkPort, private core::TimerPort, private core::EventPump {
 public:
  struct Options {
    // Without a printer the sent bytes are only recorded; tests feed reads.
    bool withPrinter = true;
    sim::PrinterOptions printer{};
    // A wait gives up (StuckWait) after this much virtual time.
    std::int64_t waitLimitMs = 4 * 3600 * 1000;
  };

  VirtualBench();
  explicit VirtualBench(Options options);
  ~VirtualBench() override;

  core::Session& session() { return *session_; }
  sim::PrinterModel& printer() { return *printer_; }
  FakeMemo memo;
  FakePanel panel;
  FakeClock clock;
  FakeView view;
  FakePreview preview;
  NoSpreadsheet noSpreadsheet;
  // What went over the line, on the virtual clock, once RecordTraffic() is on.
  TrafficCapture traffic;
  void RecordTraffic();

  std::int64_t now() const { return nowMs_; }
  const std::vector<SentByte>& sent() const { return sent_; }
  std::vector<std::uint8_t> SentBytes() const;
  // Bytes sent from index on; ForgetSent() starts a new record.
  std::vector<std::uint8_t> SentSince(std::size_t index) const;
  void ForgetSent() { sent_.clear(); }

  // The tool opens the port; the printer announces itself.
  void OpenPort();
  // Opens the port and runs until the printer is identified.
  void Connect();

  // Lets virtual time pass with the window idle.
  void RunFor(std::int64_t ms);
  // Runs until the condition holds or the limit passes; returns whether it held.
  bool RunUntil(const std::function<bool()>& condition, std::int64_t limitMs);

  // A read that arrives now, as if from the printer.
  void Deliver(std::vector<std::uint8_t> read);

  // Something the operator does at a virtual moment (press Cancel, ...).
  void At(std::int64_t atMs, std::function<void()> action);
  // Something done at the first event at which the condition holds; events
  // are handled only while the window waits or idles, as in the real tool.
  void When(std::function<bool()> condition, std::function<void()> action);

  // The line goes dead both ways (cable pulled): nothing sent reaches the
  // printer and nothing it sends arrives. Replug() restores it.
  void Unplug();
  void Replug() { unplugged_ = false; }

  // The line stops draining once it has taken `bytes` more: every later
  // byte is refused (its write deadline passes) until FreeLine().
  void StallLine(std::size_t bytes) { stallAfter_ = bytesTaken_ + bytes; }
  void FreeLine() { stallAfter_.reset(); }
  // Bytes refused by a stalled line, and requests begun.
  int refusedBytes() const { return refused_; }
  int requestsBegun() const { return requestsBegun_; }

  bool TimerEnabled(core::TimerId timer) const override;

  // The spreadsheet that sessions get; defaults to NoSpreadsheet.
  void UseSpreadsheet(core::Spreadsheet& spreadsheet) { spreadsheet_ = &spreadsheet; }

 private:
  struct Delivery {
    std::int64_t startMs;
    std::int64_t atMs;  // when the framed read returns: 50 ms after the last byte
    std::vector<std::uint8_t> bytes;
  };
  struct Action {
    std::int64_t atMs;
    std::function<void()> run;
  };
  struct TimerSlot {
    bool enabled = false;
    std::int64_t nextTickMs = 0;
  };

  // LinkPort
  void BeginRequest() override { ++requestsBegun_; }
  bool SendByte(std::uint8_t byte) override;
  void Pause(int milliseconds) override;
  // TimerPort
  void SetTimerEnabled(core::TimerId timer, bool enabled) override;
  // EventPump
  void WaitWhile(const std::function<bool()>& condition) override;
  void ProcessPendingEvents() override;

  void PullBursts();
  std::optional<std::int64_t> NextEventTime();
  // Runs everything due at the present moment; returns whether anything ran.
  bool RunDue();
  void Dispatch(const std::vector<std::uint8_t>& read);

  Options options_;
  std::int64_t nowMs_ = 0;
  std::vector<SentByte> sent_;
  std::deque<Delivery> inFlight_;
  std::vector<Action> actions_;
  struct Watch {
    std::function<bool()> condition;
    std::function<void()> run;
  };
  std::vector<Watch> watches_;
  bool unplugged_ = false;
  std::size_t bytesTaken_ = 0;
  std::optional<std::size_t> stallAfter_;
  int refused_ = 0;
  int requestsBegun_ = 0;
  static constexpr int kTimers = core::kTimerCount;
  TimerSlot timers_[kTimers];
  bool dispatching_ = false;
  core::Spreadsheet* spreadsheet_ = &noSpreadsheet;
  std::unique_ptr<sim::PrinterModel> printer_;
  std::unique_ptr<core::Session> session_;

  class SpreadsheetRelay;
  std::unique_ptr<SpreadsheetRelay> relay_;
};

}  // namespace orvex::test
