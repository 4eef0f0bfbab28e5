#pragma once
// The virtual bench as the place a printer's run runs in, for the runs of
// both programs; and a sink that keeps what it was told.

#include <algorithm>
#include <string>
#include <vector>

#include "cli/printer_host.h"
#include "virtual_bench.h"

namespace orvex::test {

class BenchHost : public cli::PrinterHost {
 public:
  explicit BenchHost(VirtualBench& bench) : bench_(bench) { bench_.RecordTraffic(); }

  bool WaitUntil(const std::function<bool()>& done, int timeoutMs) override {
    return bench_.RunUntil(done, timeoutMs < 0 ? 4 * 3600 * 1000 : timeoutMs);
  }
  bool StopRequested() const override { return stop; }
  bool HungUp() const override { return false; }
  std::int64_t NowMs() const override { return bench_.now(); }
  std::optional<core::LocalDateTime> LastClockReading() const override { return bench_.clock.now; }
  std::vector<std::string> LinesFrom(int index) const override { return bench_.memo.From(index); }
  int MessageCount() const override { return static_cast<int>(bench_.panel.messages.size()); }
  std::vector<std::string> MessagesFrom(int index) const override {
    const auto& all = bench_.panel.messages;
    return {all.begin() + std::min<std::ptrdiff_t>(index, static_cast<std::ptrdiff_t>(all.size())),
            all.end()};
  }
  bool VariantAnswered() const override {
    for (const core::TrafficEntry& entry : bench_.traffic.entries) {
      for (const core::TakenSection& taken : entry.sections) {
        if (taken.section == core::ReplySection::VariantReply) return true;
      }
    }
    return false;
  }

  bool stop = false;

 private:
  VirtualBench& bench_;
};

class EventLog : public cli::ProgressSink {
 public:
  void Activity(const std::string& text) override { activities.push_back(text); }
  void Progress(int percent) override { progress.push_back(percent); }
  void Event(const std::string& text) override { events.push_back(text); }

  std::vector<std::string> activities;
  std::vector<int> progress;
  std::vector<std::string> events;
};

}  // namespace orvex::test
