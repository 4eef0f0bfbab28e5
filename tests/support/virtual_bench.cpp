#include "virtual_bench.h"

#include <algorithm>

#include "core/link/link_control.h"
#include "core/link/reply_dispatcher.h"
#include "core/link/stuck_watch.h"

namespace orvex::test {

namespace {
constexpr std::int64_t kFrameGapMs = core::kReadGapMs;
// 38400 baud, 10 bits a byte: about a quarter of a millisecond a byte.
std::int64_t WireTimeMs(std::size_t bytes) {
  return static_cast<std::int64_t>(bytes / 4);
}
}  // namespace

// Lets a test swap the spreadsheet after the session was made.
class VirtualBench::SpreadsheetRelay : public core::ForwardingSpreadsheet {
 public:
  explicit SpreadsheetRelay(core::Spreadsheet** target) : target_(target) {}

 private:
  core::Spreadsheet& Inner() override { return **target_; }

  core::Spreadsheet** target_;
};

VirtualBench::VirtualBench() : VirtualBench(Options{}) {}
VirtualBench::~VirtualBench() = default;

VirtualBench::VirtualBench(Options options) : options_(std::move(options)) {
  printer_ = std::make_unique<sim::PrinterModel>(options_.printer);
  relay_ = std::make_unique<SpreadsheetRelay>(&spreadsheet_);
  session_ = std::make_unique<core::Session>(
      core::Ports{memo, *this, *this, panel, clock, *this, view, *relay_, preview});
}

void VirtualBench::RecordTraffic() {
  traffic.clockUs = [this] { return nowMs_ * 1000; };
  session_->traffic.SetObserver(&traffic);
}

std::vector<std::uint8_t> VirtualBench::SentBytes() const {
  return SentSince(0);
}

std::vector<std::uint8_t> VirtualBench::SentSince(std::size_t index) const {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = index; i < sent_.size(); ++i) bytes.push_back(sent_[i].byte);
  return bytes;
}

bool VirtualBench::SendByte(std::uint8_t byte) {
  if (stallAfter_ && bytesTaken_ >= *stallAfter_) {
    ++refused_;
    return false;
  }
  ++bytesTaken_;
  sent_.push_back({nowMs_, byte});
  if (options_.withPrinter && !unplugged_) printer_->Receive(byte, nowMs_);
  return true;
}

void VirtualBench::Pause(int milliseconds) {
  // The window thread sleeps: time passes, nothing is handled.
  nowMs_ += milliseconds;
}

void VirtualBench::SetTimerEnabled(core::TimerId timer, bool enabled) {
  TimerSlot& slot = timers_[static_cast<int>(timer)];
  if (enabled && !slot.enabled) slot.nextTickMs = nowMs_ + core::kTimerPeriodMs;
  slot.enabled = enabled;
}

bool VirtualBench::TimerEnabled(core::TimerId timer) const {
  return timers_[static_cast<int>(timer)].enabled;
}

void VirtualBench::PullBursts() {
  if (!options_.withPrinter) return;
  for (sim::Burst& burst : printer_->TakeDue(nowMs_)) {
    if (burst.bytes.empty() || unplugged_) continue;
    // A burst that starts before the previous read has ended joins it: the
    // framed read only ends after 50 ms of silence.
    if (!inFlight_.empty() && burst.atMs < inFlight_.back().atMs) {
      Delivery& last = inFlight_.back();
      last.bytes.insert(last.bytes.end(), burst.bytes.begin(), burst.bytes.end());
      last.atMs = std::max(last.atMs, burst.atMs + WireTimeMs(burst.bytes.size()) + kFrameGapMs);
      continue;
    }
    inFlight_.push_back({burst.atMs, burst.atMs + WireTimeMs(burst.bytes.size()) + kFrameGapMs,
                         std::move(burst.bytes)});
  }
}

std::optional<std::int64_t> VirtualBench::NextEventTime() {
  std::optional<std::int64_t> next;
  auto consider = [&next](std::int64_t t) {
    if (!next || t < *next) next = t;
  };
  if (options_.withPrinter) {
    if (const auto t = printer_->NextBurstTime()) consider(*t);
  }
  if (!inFlight_.empty() && !dispatching_) consider(inFlight_.front().atMs);
  for (const TimerSlot& slot : timers_) {
    if (slot.enabled) consider(slot.nextTickMs);
  }
  for (const Action& action : actions_) consider(action.atMs);
  return next;
}

void VirtualBench::Dispatch(const std::vector<std::uint8_t>& read) {
  // No other read is dispatched until it returns; reads framed meanwhile
  // wait, each on its own, as in the receive thread's queue.
  dispatching_ = true;
  core::ReplyDispatcher(*session_, read);
  dispatching_ = false;
}

bool VirtualBench::RunDue() {
  for (std::size_t i = 0; i < watches_.size(); ++i) {
    if (watches_[i].condition()) {
      auto run = std::move(watches_[i].run);
      watches_.erase(watches_.begin() + static_cast<std::ptrdiff_t>(i));
      run();
      return true;
    }
  }
  PullBursts();
  // Operator actions first, then reads, then timer ticks.
  for (std::size_t i = 0; i < actions_.size(); ++i) {
    if (actions_[i].atMs <= nowMs_) {
      auto run = std::move(actions_[i].run);
      actions_.erase(actions_.begin() + static_cast<std::ptrdiff_t>(i));
      run();
      return true;
    }
  }
  if (!dispatching_ && !inFlight_.empty() && inFlight_.front().atMs <= nowMs_) {
    std::vector<std::uint8_t> read = std::move(inFlight_.front().bytes);
    inFlight_.pop_front();
    Dispatch(read);
    return true;
  }
  for (int i = 0; i < kTimers; ++i) {
    TimerSlot& slot = timers_[i];
    if (slot.enabled && slot.nextTickMs <= nowMs_) {
      slot.nextTickMs += core::kTimerPeriodMs;
      core::TimerTick(*session_, static_cast<core::TimerId>(i));
      return true;
    }
  }
  return false;
}

void VirtualBench::WaitWhile(const std::function<bool()>& condition) {
  const std::int64_t limit = nowMs_ + options_.waitLimitMs;
  while (condition()) {
    if (RunDue()) continue;
    const auto next = NextEventTime();
    if (!next) throw StuckWait("a wait would never end: nothing is scheduled");
    if (*next > limit) throw StuckWait("a wait ran past its virtual time limit");
    nowMs_ = std::max(nowMs_, *next);
  }
}

void VirtualBench::ProcessPendingEvents() {
  while (RunDue()) {
  }
}

void VirtualBench::RunFor(std::int64_t ms) {
  const std::int64_t end = nowMs_ + ms;
  for (;;) {
    if (RunDue()) continue;
    const auto next = NextEventTime();
    if (!next || *next > end) break;
    nowMs_ = std::max(nowMs_, *next);
  }
  nowMs_ = std::max(nowMs_, end);
}

bool VirtualBench::RunUntil(const std::function<bool()>& condition, std::int64_t limitMs) {
  const std::int64_t end = nowMs_ + limitMs;
  while (!condition()) {
    if (RunDue()) continue;
    const auto next = NextEventTime();
    if (!next || *next > end) {
      nowMs_ = std::max(nowMs_, end);
      return condition();
    }
    nowMs_ = std::max(nowMs_, *next);
  }
  return true;
}

void VirtualBench::Deliver(std::vector<std::uint8_t> read) {
  Dispatch(read);
}

void VirtualBench::At(std::int64_t atMs, std::function<void()> action) {
  actions_.push_back({atMs, std::move(action)});
}

void VirtualBench::When(std::function<bool()> condition, std::function<void()> action) {
  watches_.push_back({std::move(condition), std::move(action)});
}

void VirtualBench::Unplug() {
  unplugged_ = true;
  inFlight_.clear();
}

void VirtualBench::OpenPort() {
  if (options_.withPrinter) printer_->PortOpened(nowMs_);
}

void VirtualBench::Connect() {
  OpenPort();
  if (!RunUntil([this] { return session_->state.identified; }, 10000)) {
    throw StuckWait("the printer was not identified");
  }
}

}  // namespace orvex::test
