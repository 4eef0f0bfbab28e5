#pragma once
// Small port implementations that need nothing of the main window.

#include "core/ports.h"
#include "platform/host/system_clock.h"

namespace orvex::app {

// Local time, with the locale's short date and decimal separator. Read on
// the session's thread: QLocale is reentrant.
class QtClock : public platform::SystemClock {
 public:
  std::string ShortDate(const core::CalendarDate& date) const override;
  char DecimalSeparator() const override;
};

// The preview window is created after the main window; the session gets
// this relay at once and the window when it exists.
class PreviewRelay : public core::PreviewPort {
 public:
  void setTarget(core::PreviewPort* target) { target_ = target; }
  void ShowPreview(const core::PreviewPlan& plan) override {
    if (target_ != nullptr) target_->ShowPreview(plan);
  }

 private:
  core::PreviewPort* target_ = nullptr;
};

}  // namespace orvex::app
