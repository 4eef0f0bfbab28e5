#include "headless_ports.h"

#include <cstdio>
#include <ctime>

namespace orvex::provision {

void LineList::ReplaceLine(int index, const std::string& text) {
  if (index < 0 || index > LineCount()) return;
  if (index == LineCount()) {
    lines.push_back(text);
  } else {
    lines[static_cast<std::size_t>(index)] = text;
  }
}

LocalDateTime SystemClock::Now() const {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);  // each printer's thread reads the clock on its own
  last_ = LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_hour,        local.tm_min,     local.tm_sec};
  return *last_;
}

std::string SystemClock::ShortDate(const CalendarDate& date) const {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

}  // namespace orvex::provision
