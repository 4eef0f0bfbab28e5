#pragma once
// Writes the day records of a record-search reply into a new workbook of
// the spreadsheet application and has it saved under a time-stamped name.

#include <cstdint>
#include <optional>
#include <string>

#include "session.h"

namespace orvex {

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

// Whether the current read carries a serial record after its first `days`
// day records: nullopt when the read ends before those records do, or
// inside the serial record it announces; false when it holds none.
std::optional<bool> SerialRecordInRead(const ReceiveBuffer& rx, std::uint32_t days);

}  // namespace orvex
