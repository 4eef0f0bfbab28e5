#pragma once
// Small port implementations that need nothing of the main window.

#include "ports.h"
#include "serial/serial_link.h"

// Local time and the locale's formats.
class QtClock : public orvex::ClockPort {
 public:
  orvex::LocalDateTime Now() const override;
  std::string ShortDate(const orvex::CalendarDate& date) const override;
  char DecimalSeparator() const override;
};

// Long operations wait here while the window keeps handling its events.
class QtEventPump : public orvex::EventPump {
 public:
  void WaitWhile(const std::function<bool()>& condition) override;
  void ProcessPendingEvents() override;
};

// The wire: one byte per write, and pauses that block the window thread
// without handling events, as the printer's pacing expects.
using SerialLink = orvex::platform::SerialLink;

// The preview window is created after the main window; the session gets
// this relay at once and the window when it exists.
class PreviewRelay : public orvex::PreviewPort {
 public:
  void SetTarget(orvex::PreviewPort* target) { target_ = target; }
  void ShowPreview(const orvex::PreviewPlan& plan) override {
    if (target_ != nullptr) target_->ShowPreview(plan);
  }

 private:
  orvex::PreviewPort* target_ = nullptr;
};
