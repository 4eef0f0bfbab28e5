#include "sim/model/calendar.h"

#include <chrono>
#include <cstdio>

namespace orvex::sim {
namespace {

std::chrono::year_month_day ToYmd(const Date& date) {
  return std::chrono::year_month_day{std::chrono::year{date.year},
                                     std::chrono::month{static_cast<unsigned>(date.month)},
                                     std::chrono::day{static_cast<unsigned>(date.day)}};
}

// Floor division, so that times before 1970 still land on the right day.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && (a < 0));
}

}  // namespace

bool IsValidDate(const Date& date) {
  if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) return false;
  if (date.year < -30000 || date.year > 30000) return false;
  return ToYmd(date).ok();
}

std::int32_t DayIndex(const Date& date) {
  return static_cast<std::int32_t>(std::chrono::sys_days{ToYmd(date)}.time_since_epoch().count());
}

Date DateFromDayIndex(std::int32_t dayIndex) {
  const std::chrono::year_month_day ymd{std::chrono::sys_days{std::chrono::days{dayIndex}}};
  return Date{static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
              static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

std::int64_t ToSeconds(const DateTime& when) {
  return static_cast<std::int64_t>(DayIndex(when.date)) * 86400 + when.hour * 3600 +
         when.minute * 60 + when.second;
}

DateTime FromSeconds(std::int64_t seconds) {
  const std::int64_t days = FloorDiv(seconds, 86400);
  const std::int64_t rest = seconds - days * 86400;
  DateTime out;
  out.date = DateFromDayIndex(static_cast<std::int32_t>(days));
  out.hour = static_cast<int>(rest / 3600);
  out.minute = static_cast<int>(rest / 60 % 60);
  out.second = static_cast<int>(rest % 60);
  return out;
}

std::string FormatDate(const Date& date) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

std::string FormatDateTime(const DateTime& when) {
  char text[16];
  std::snprintf(text, sizeof text, " %02d:%02d:%02d", when.hour, when.minute, when.second);
  return FormatDate(when.date) + text;
}

bool ParseDate(const std::string& text, Date* out) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  int fields[3] = {0, 0, 0};
  const int starts[3] = {0, 5, 8};
  const int lengths[3] = {4, 2, 2};
  for (int f = 0; f < 3; ++f) {
    for (int i = 0; i < lengths[f]; ++i) {
      const char c = text[static_cast<size_t>(starts[f] + i)];
      if (c < '0' || c > '9') return false;
      fields[f] = fields[f] * 10 + (c - '0');
    }
  }
  const Date date{fields[0], fields[1], fields[2]};
  if (!IsValidDate(date)) return false;
  *out = date;
  return true;
}

}  // namespace orvex::sim
