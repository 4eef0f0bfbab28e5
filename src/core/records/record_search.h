#pragma once
// "Record Search": the printer searches its day records for a period,
// prints them and answers with the days it selected.

#include <cstdint>

#include "core/session.h"

namespace orvex::core {

// A day's number counted from 1 January 2002 (day 1).
std::int32_t DayNumber(std::uint8_t yearCode, std::uint8_t month, std::uint8_t day);

// "     2005/3/7" for year code 5, month 3, day 7.
std::string SearchDateLine(std::uint8_t yearCode, std::uint8_t month, std::uint8_t day);

// The dates of the two pickers; set by the window.
struct SearchPeriod {
  CalendarDate begin;
  CalendarDate end;
};

void SearchAndPrint(Session& session, const SearchPeriod& period);

// Dispatcher section 19.
void OnRecordSearchReply(Session& session);

}  // namespace orvex::core
