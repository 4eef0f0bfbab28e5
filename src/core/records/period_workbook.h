#pragma once
// Writes the day records of a record-search reply into a new workbook of
// the spreadsheet application and has it saved under a time-stamped name.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/session.h"

namespace orvex::core {

// Runs inside the record-search reply section, reading the reply where it
// lies in the receive buffer. Reports in the message window; never fails
// toward its caller.
void WritePeriodWorkbook(Session& session);

// "YYYY-MM-DD_HH-MM-SS_Orvex_Report.xls" for the moment given.
std::string PeriodWorkbookName(const LocalDateTime& stamp);

// A value in the general number format: up to 15 significant digits, no
// trailing zeros, the decimal separator given.
std::string GeneralNumber(double value, char decimalSeparator);

constexpr std::uint32_t kMaxWorkbookDays = 2000;

// The workbook's layout: one worksheet, everything in one column, a block
// of rows for each day with one row left empty after it.
inline constexpr const char* kReportSheetName = "PERIOD REPORT";
constexpr int kReportColumn = 1;
constexpr int kReportColumnWidth = 30;
constexpr int kCellsPerDay = 10;
constexpr int kRowsPerDay = kCellsPerDay + 1;

// One cell of the report; rows and columns count from 1.
struct ReportCell {
  std::int32_t row = 0;
  std::int32_t column = 0;
  std::string text;
  friend bool operator==(const ReportCell&, const ReportCell&) = default;
};

// What a record-search reply puts into the workbook.
struct PeriodReport {
  // The ending day's number less the beginning day's, as the printer
  // numbers days; an ending date before the beginning wraps around.
  std::uint32_t span = 0;
  std::uint32_t days = 0;  // day blocks: span + 1, at most kMaxWorkbookDays
  bool tooLong = false;    // the period has more days than the workbook takes
  // kCellsPerDay cells for each day in turn, then the serial number line
  // when the read holds the serial record.
  std::vector<ReportCell> cells;
};

// The report of the reply in the receive buffer, dates and numbers written
// as the locale has them. nullopt when it cannot be written: its beginning
// date is no calendar date, its decimal places are above 9, or the read
// ends before its day records do or inside the serial record it announces.
std::optional<PeriodReport> LayOutPeriodReport(const ReceiveBuffer& rx, const ClockPort& locale);

// Whether the current read carries a serial record after its first `days`
// day records: nullopt when the read ends before those records do, or
// inside the serial record it announces; false when it holds none.
std::optional<bool> SerialRecordInRead(const ReceiveBuffer& rx, std::uint32_t days);

}  // namespace orvex::core
