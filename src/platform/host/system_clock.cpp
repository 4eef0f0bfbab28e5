#include "platform/host/system_clock.h"

#include <cstdio>
#include <ctime>

namespace orvex::platform {

core::LocalDateTime SystemClock::Now() const {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  last_ = core::LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                              local.tm_hour,        local.tm_min,     local.tm_sec};
  return *last_;
}

std::string SystemClock::ShortDate(const core::CalendarDate& date) const {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

}  // namespace orvex::platform
