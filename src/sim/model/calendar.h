#pragma once
// Calendar arithmetic for the printer's clock and its day records.

#include <compare>
#include <cstdint>
#include <string>

namespace orvex::sim {

struct Date {
  int year = 2000;
  int month = 1;
  int day = 1;
  // clang-tidy 14 takes the defaulted comparison's literal 0 for a null pointer.
  auto operator<=>(const Date&) const = default;  // NOLINT(modernize-use-nullptr)
};

struct DateTime {
  Date date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  auto operator<=>(const DateTime&) const = default;
};

bool IsValidDate(const Date& date);
// Days since 1970-01-01 (negative before); the date must be valid.
std::int32_t DayIndex(const Date& date);
Date DateFromDayIndex(std::int32_t dayIndex);

// Seconds since 1970-01-01 00:00:00 and back; no time zones, the printer
// keeps local time only.
std::int64_t ToSeconds(const DateTime& when);
DateTime FromSeconds(std::int64_t seconds);

// "2005-03-07" and "2005-03-07 14:05:09".
std::string FormatDate(const Date& date);
std::string FormatDateTime(const DateTime& when);
// Parses "YYYY-MM-DD"; false unless it is a valid date.
bool ParseDate(const std::string& text, Date* out);

}  // namespace orvex::sim
