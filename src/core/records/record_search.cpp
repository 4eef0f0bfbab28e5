#include "core/records/record_search.h"

#include <string>

#include "core/commands/clock_setting.h"
#include "core/link/request_guard.h"
#include "core/records/period_workbook.h"

namespace orvex::core {

namespace {

int MonthLength(int month, std::uint8_t yearCode) {
  static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && yearCode % 4 == 0) return 29;
  return kLengths[month - 1];
}

}  // namespace

std::int32_t DayNumber(std::uint8_t yearCode, std::uint8_t month, std::uint8_t day) {
  std::int32_t yearPart = 0;
  const int lastYear = 2000 + yearCode;
  if (lastYear >= kFirstPrinterYear && lastYear <= kLastPrinterYear) {
    for (int year = kFirstPrinterYear; year < lastYear; ++year) {
      yearPart += year % 4 == 0 ? 366 : 365;
    }
  }
  std::int32_t monthPart = 0;
  if (month >= 1 && month <= 12) {
    for (int m = 1; m < month; ++m) monthPart += MonthLength(m, yearCode);
  }
  return yearPart + monthPart + day;
}

std::string SearchDateLine(std::uint8_t yearCode, std::uint8_t month, std::uint8_t day) {
  return std::string(yearCode >= 10 ? "     20" : "     200") + std::to_string(yearCode) + "/" +
         std::to_string(month) + "/" + std::to_string(day);
}

void SearchAndPrint(Session& session, const SearchPeriod& period) {
  if (!BusyCheck(session)) return;
  auto inWindow = [](int year) { return year >= kFirstPrinterYear && year <= kLastPrinterYear; };
  if (!inWindow(period.begin.year) || !inWindow(period.end.year)) {
    session.Append("Year must be from " + std::to_string(kFirstPrinterYear) + " to " +
                   std::to_string(kLastPrinterYear) + ".");
    session.AppendEmpty();
    return;
  }
  StartRequest(session, Request::RecordSearch);
  auto code = [](int value) { return static_cast<std::uint8_t>(value); };
  if (!session.Send("record search",
                    {GS, 0xF2, code(period.begin.year % 100), code(period.begin.month),
                     code(period.begin.day), code(period.end.year % 100), code(period.end.month),
                     code(period.end.day)},
                    LastPause::No)) {
    return;
  }
  session.Append("The begining date you selected : " + session.io.clock.ShortDate(period.begin));
  session.Append("The final date you selected : " + session.io.clock.ShortDate(period.end));
  session.AppendEmpty();
}

void OnRecordSearchReply(Session& session) {
  const ReceiveBuffer& rx = session.rx;
  session.SetTimer(TimerId::ReplyTimeout, false);
  if (rx[0] == 0x00) {
    session.Append("Printer have no paper .");
    session.AppendEmpty();
  } else if (rx[0] == 0x55) {
    session.Append("No record be found .");
    session.AppendEmpty();
  } else {
    session.Append("The begining date Orvex selected :");
    session.Append(SearchDateLine(rx[0], rx[1], rx[2]));
    session.Append("The final date Orvex selected :");
    session.Append(SearchDateLine(rx[3], rx[4], rx[5]));
    session.progressLine = session.io.memo.LineCount();
    session.AppendEmpty();
    if (rx[6] == 1) WritePeriodWorkbook(session);
  }
  FinishRequest(session, Request::RecordSearch);
}

}  // namespace orvex::core
