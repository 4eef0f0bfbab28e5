#pragma once
// What the fuzz targets share: a front-to-back reader of the input, the
// check that ends a run on a broken invariant, and the ports of a session
// whose waits and event handling the target drives from its input.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/session.h"
#include "fakes.h"

namespace orvex::fuzz {

// Prints what broke and aborts, which libFuzzer reports as a crash with the
// input that caused it.
[[noreturn]] void Violation(const char* what, const std::string& detail = {});

#define FUZZ_CHECK(condition, ...)                                                     \
  do {                                                                                 \
    if (!(condition)) ::orvex::fuzz::Violation(#condition __VA_OPT__(, ) __VA_ARGS__); \
  } while (0)

// Reads the input from the front. Past the end every number is 0 and every
// span is empty, so any input, however short, is a whole scenario; the
// seeds can be written by hand in the same order.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return pos_ >= size_; }
  std::size_t remaining() const { return size_ - pos_; }
  std::uint8_t Byte() { return empty() ? std::uint8_t{0} : data_[pos_++]; }
  std::uint8_t PeekByte() const { return empty() ? std::uint8_t{0} : data_[pos_]; }
  std::uint16_t U16() {
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
  }
  std::uint32_t U24() {
    const std::uint32_t low = U16();
    return low | (static_cast<std::uint32_t>(Byte()) << 16);
  }
  // Up to `count` bytes, fewer at the end of the input.
  std::span<const std::uint8_t> Bytes(std::size_t count);
  std::span<const std::uint8_t> Rest() { return Bytes(remaining()); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// The message window, checking what the core writes into it: one line is
// one line (no line break inside), and no line index is negative.
class CheckedMemo : public test::FakeMemo {
 public:
  void AppendLine(const std::string& text) override;
  void ReplaceLine(int index, const std::string& text) override;
  void ClearLines() override;

  int appended = 0;  // AppendLine calls since the last ResetCounts
  int replaced = 0;
  int cleared = 0;
  void ResetCounts() { appended = replaced = cleared = 0; }
};

// The ports of one session. Sent bytes are recorded, pauses only add up,
// timers are switches that the target ticks, and the two event operations
// call the target's hooks (a wait with no hook is a fault of the target).
class FuzzPorts : private core::LinkPort, private core::TimerPort, private core::EventPump {
 public:
  explicit FuzzPorts(core::Spreadsheet* spreadsheet = nullptr);
  ~FuzzPorts() override;

  core::Session& session() { return *session_; }

  CheckedMemo memo;
  test::FakePanel panel;
  test::FakeClock clock;
  test::FakeView view;
  test::FakePreview preview;
  test::NoSpreadsheet noSpreadsheet;

  std::vector<std::uint8_t> sent;
  std::int64_t pausedMs = 0;

  bool TimerEnabled(core::TimerId timer) const override { return timers_[Index(timer)]; }
  void SetTimerEnabled(core::TimerId timer, bool enabled) override {
    timers_[Index(timer)] = enabled;
  }

  std::function<void(const std::function<bool()>&)> onWait;
  std::function<void()> onPendingEvents;

 private:
  static int Index(core::TimerId timer) { return static_cast<int>(timer); }
  bool SendByte(std::uint8_t byte) override {
    sent.push_back(byte);
    return true;
  }
  void Pause(int milliseconds) override { pausedMs += milliseconds; }
  void WaitWhile(const std::function<bool()>& condition) override;
  void ProcessPendingEvents() override;

  bool timers_[4] = {false, false, false, false};
  std::unique_ptr<core::Session> session_;
};

// A fresh folder for this process (in memory where the system offers one),
// removed at exit. Ends in '/'.
const std::string& ScratchFolder(const std::string& name);

}  // namespace orvex::fuzz
