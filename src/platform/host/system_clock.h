#pragma once
// The clock port of a session: the system's local time, read with
// localtime_r (each session's thread reads it on its own). The short date is
// YYYY-MM-DD and the decimal separator a point, unless a subclass takes them
// from a locale (the window does).

#include <optional>
#include <string>

#include "core/ports.h"

namespace orvex::platform {

class SystemClock : public core::ClockPort {
 public:
  core::LocalDateTime Now() const override;
  std::string ShortDate(const core::CalendarDate& date) const override;
  char DecimalSeparator() const override { return '.'; }

  // The last reading of Now(), if any: what the clock setting sent.
  std::optional<core::LocalDateTime> lastReading() const { return last_; }

 private:
  mutable std::optional<core::LocalDateTime> last_;
};

}  // namespace orvex::platform
