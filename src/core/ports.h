#pragma once
// The core talks to the outside world only through these small interfaces.
// The Qt application implements them with widgets, timers and the serial port;
// the tests implement them with fakes on a virtual clock.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orvex::core {

// The message window on the left of the main window. Texts are UTF-8.
class MessageWindow {
 public:
  virtual ~MessageWindow() = default;
  virtual void AppendLine(const std::string& text) = 0;
  // Index < count: replace; index == count: append; index > count: nothing.
  virtual void ReplaceLine(int index, const std::string& text) = 0;
  virtual int LineCount() const = 0;
  virtual void ClearLines() = 0;
};

// The wire to the printer. SendByte never pauses; Pause blocks the window
// thread (no events are handled meanwhile).
class LinkPort {
 public:
  virtual ~LinkPort() = default;
  // A request begins: the bytes sent until the next one share one write
  // deadline, however many they are.
  virtual void BeginRequest() {}
  // False when the line did not take the byte before the request's write
  // deadline (it does not drain). A line whose device has gone takes bytes
  // into the void: the reply timeout tells of that.
  virtual bool SendByte(std::uint8_t byte) = 0;
  virtual void Pause(int milliseconds) = 0;
};

// The printer link's three timers, and the watch that ends the states none
// of them ends (link/stuck_watch.h).
enum class TimerId { OfflineCount, ReplyTimeout, VariantWait, StuckWatch };
inline constexpr int kTimerCount = 4;
inline constexpr int kTimerPeriodMs = 1000;

// One-second timers. Enabling a running timer keeps its period.
class TimerPort {
 public:
  virtual ~TimerPort() = default;
  virtual void SetTimerEnabled(TimerId timer, bool enabled) = 0;
  virtual bool TimerEnabled(TimerId timer) const = 0;
};

// Odds and ends of the main window that the behaviour drives.
class PanelPort {
 public:
  virtual ~PanelPort() = default;
  virtual void SetGauge(int percent) = 0;
  // Shows the 20-symbol chooser when wide, else the 18-symbol one; the
  // other is hidden.
  virtual void ShowSymbolChooser(bool wide) = 0;
  virtual void SetSymbolCheckEnabled(bool enabled) = 0;
  // Modal message box with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // File dialogs; nullopt when the operator cancels. Paths are UTF-8.
  virtual std::optional<std::string> ChooseOpenFile(const std::string& filter) = 0;
  virtual std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                                    const std::string& defaultSuffix) = 0;
};

struct LocalDateTime {
  int year = 2000;  // four digits
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

struct CalendarDate {
  int year = 2000;
  int month = 1;
  int day = 1;
};

class ClockPort {
 public:
  virtual ~ClockPort() = default;
  virtual LocalDateTime Now() const = 0;
  // The date in the system's short date format.
  virtual std::string ShortDate(const CalendarDate& date) const = 0;
  virtual char DecimalSeparator() const = 0;
};

// Long operations wait here while the window keeps handling its events.
class EventPump {
 public:
  virtual ~EventPump() = default;
  // Handles events until condition() is false.
  virtual void WaitWhile(const std::function<bool()>& condition) = 0;
  // Handles the events that are pending now, then returns.
  virtual void ProcessPendingEvents() = 0;
};

struct PreviewPlan;

// The preview window. Show remembers the main window's state, minimises it
// and shows the preview; closing the preview restores that state.
class PreviewPort {
 public:
  virtual ~PreviewPort() = default;
  virtual void ShowPreview(const PreviewPlan& plan) = 0;
};

}  // namespace orvex::core
