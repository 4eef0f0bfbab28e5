#pragma once
// Small port implementations that need nothing of the main window.

#include "core/ports.h"
#include "platform/host/system_clock.h"

// Local time, with the locale's short date and decimal separator. Read on
// the session's thread: QLocale is reentrant.
class QtClock : public orvex::platform::SystemClock {
 public:
  std::string ShortDate(const orvex::CalendarDate& date) const override;
  char DecimalSeparator() const override;
};

// The preview window is created after the main window; the session gets
// this relay at once and the window when it exists.
class PreviewRelay : public orvex::PreviewPort {
 public:
  void setTarget(orvex::PreviewPort* target) { target_ = target; }
  void ShowPreview(const orvex::PreviewPlan& plan) override {
    if (target_ != nullptr) target_->ShowPreview(plan);
  }

 private:
  orvex::PreviewPort* target_ = nullptr;
};
