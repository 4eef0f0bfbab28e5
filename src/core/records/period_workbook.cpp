#include "core/records/period_workbook.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/records/record_search.h"
#include "core/text/cp1252.h"

namespace orvex::core {

namespace {

bool IsCalendarDate(int year, int month, int day) {
  using namespace std::chrono;
  return year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                        std::chrono::day{static_cast<unsigned>(day)}}
      .ok();
}

CalendarDate AddDays(const CalendarDate& date, std::uint32_t days) {
  using namespace std::chrono;
  const sys_days start = year_month_day{std::chrono::year{date.year},
                                        std::chrono::month{static_cast<unsigned>(date.month)},
                                        std::chrono::day{static_cast<unsigned>(date.day)}};
  const year_month_day shifted{start + std::chrono::days{days}};
  return {static_cast<int>(shifted.year()),
          static_cast<int>(static_cast<unsigned>(shifted.month())),
          static_cast<int>(static_cast<unsigned>(shifted.day()))};
}

// The reply: the two dates, whether records follow, the decimal places,
// then a record per day and the serial record.
constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kDecimalPlacesAt = 7;
constexpr std::size_t kDayRecordBytes = 14;
// The serial record's flag and twelve digits; its last byte is not read.
constexpr std::size_t kSerialDigits = 12;
constexpr std::size_t kSerialBytesRead = 1 + kSerialDigits;
constexpr int kMaxScaleDecimals = 9;  // 10^10 leaves the 32-bit scale

std::size_t RecordAt(std::uint32_t day) {
  return kHeaderBytes + kDayRecordBytes * static_cast<std::size_t>(day);
}

std::int32_t FirstRowOf(std::uint32_t day) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(kRowsPerDay) * day + 1);
}

constexpr const char* kFailed = "Can't output EXCEL file.";
constexpr const char* kWriting = "Output EXCEL file";
constexpr const char* kFinished = "Finish outputing EXCEL file.";
// Every this many days the progress line gets one more dot.
constexpr std::uint32_t kDaysPerDot = 11;
constexpr std::uint32_t kMostDots = 9;

}  // namespace

std::optional<bool> SerialRecordInRead(const ReceiveBuffer& rx, std::uint32_t days) {
  const std::size_t length = rx.ReadLength();
  const std::size_t serial = RecordAt(days);
  if (length < serial) return std::nullopt;
  if (length == serial || rx[serial] != 1) return false;
  if (length < serial + kSerialBytesRead) return std::nullopt;
  return true;
}

std::string PeriodWorkbookName(const LocalDateTime& t) {
  char name[64];
  std::snprintf(name, sizeof name, "%04d-%02d-%02d_%02d-%02d-%02d_Orvex_Report.xls", t.year,
                t.month, t.day, t.hour, t.minute, t.second);
  return name;
}

std::string GeneralNumber(double value, char decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  // Fifteen significant digits, rounded once; then laid out by hand, since
  // printf's %G turns to exponent notation already below 0.0001 and keeps
  // the mantissa's trailing zeros.
  char text[64];
  std::snprintf(text, sizeof text, "%.14E", value);
  const std::string scientific = text;
  const bool negative = scientific.front() == '-';
  const auto e = scientific.find('E');
  std::string digits;
  for (std::size_t k = negative ? 1 : 0; k < e; ++k) {
    // Whatever the C locale's decimal point is, only the digits count.
    if (scientific[k] >= '0' && scientific[k] <= '9') digits += scientific[k];
  }
  const int exponent = std::atoi(scientific.c_str() + e + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  if (digits == "0") return "0";

  std::string result = negative ? "-" : "";
  if (exponent < -5 || exponent >= 15) {
    result += digits.substr(0, 1);
    if (digits.size() > 1) result += decimalSeparator + digits.substr(1);
    result += "E" + std::string(exponent < 0 ? "-" : "") + std::to_string(std::abs(exponent));
    return result;
  }
  if (exponent < 0) {
    result += "0";
    result += decimalSeparator;
    result += std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    return result;
  }
  const auto whole = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= whole) return result + digits + std::string(whole - digits.size(), '0');
  return result + digits.substr(0, whole) + decimalSeparator + digits.substr(whole);
}

std::optional<PeriodReport> LayOutPeriodReport(const ReceiveBuffer& rx, const ClockPort& locale) {
  const int decimals = rx[kDecimalPlacesAt];
  const CalendarDate begin{2000 + rx[0], rx[1], rx[2]};
  if (decimals > kMaxScaleDecimals || !IsCalendarDate(begin.year, begin.month, begin.day)) {
    return std::nullopt;
  }
  std::int32_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;

  PeriodReport report;
  report.span =
      static_cast<std::uint32_t>(DayNumber(rx[3], rx[4], rx[5]) - DayNumber(rx[0], rx[1], rx[2]));
  report.tooLong = report.span >= kMaxWorkbookDays;
  // Every record written must come from this read: past its end the buffer
  // still holds older replies, whose figures would pass for this period's.
  report.days = report.tooLong ? kMaxWorkbookDays : report.span + 1;
  const std::optional<bool> hasSerial = SerialRecordInRead(rx, report.days);
  if (!hasSerial) return std::nullopt;

  const char separator = locale.DecimalSeparator();
  auto money = [&](std::size_t offset) {
    return GeneralNumber(static_cast<double>(rx.U32(offset)) / scale, separator);
  };
  report.cells.reserve(static_cast<std::size_t>(kCellsPerDay) * report.days + 1);
  auto cell = [&report](std::int32_t row, std::string text) {
    report.cells.push_back({row, kReportColumn, std::move(text)});
  };
  for (std::uint32_t day = 0; day < report.days; ++day) {
    const std::size_t record = RecordAt(day);
    const std::int32_t row = FirstRowOf(day);
    cell(row, "Date & Time");
    cell(row + 1, locale.ShortDate(AddDays(begin, day)));
    cell(row + 2, "Coin-In");
    cell(row + 3, money(record));
    cell(row + 4, "Note-In");
    cell(row + 5, money(record + 4));
    cell(row + 6, "Payout");
    cell(row + 7, money(record + 8));
    cell(row + 8, "Ticket-Out");
    cell(row + 9, std::to_string(rx.U16(record + 12)));
  }
  if (*hasSerial) {
    // Each byte is a digit's value.
    const std::size_t serial = RecordAt(report.days);
    std::string digits;
    for (std::size_t k = 1; k <= kSerialDigits; ++k) {
      digits += static_cast<char>(rx[serial + k] + '0');
    }
    cell(FirstRowOf(report.days), "   -- Serial Number : " + Cp1252ToUtf8(digits) + " --");
  }
  return report;
}

void WritePeriodWorkbook(Session& session) {
  // The export handles events once a day; the stuck-state watch leaves the
  // request alone meanwhile, since its reply is being handled.
  struct Exporting {
    explicit Exporting(bool& flag) : flag_(flag), outer_(flag) { flag_ = true; }
    ~Exporting() { flag_ = outer_; }
    bool& flag_;
    bool outer_;
  } exporting(session.exporting);
  Spreadsheet& spreadsheet = session.io.spreadsheet;

  // Any step may fail, and ends the export there. Every way out of the
  // export lets go of its workbook: an application that is left running
  // would otherwise keep each failed one.
  WorkbookId book;
  auto fail = [&session, &spreadsheet, &book] {
    if (!book.empty()) (void)spreadsheet.CloseWorkbook(book);
    session.Append(kFailed);
    session.AppendEmpty();
  };

  // 1: the first export of a run starts the application; later ones attach
  // to a running one, or start a new one when none runs.
  Obtained<SpreadsheetApp> app;
  if (!session.spreadsheetApp.empty()) app = spreadsheet.Attach();
  if (!app.done) app = spreadsheet.Start();
  if (!app.done) return fail();
  session.spreadsheetApp = app.handle;

  // 2
  if (!spreadsheet.SetVisible(app.handle, false).done) return fail();
  const Obtained<WorkbookId> added = spreadsheet.AddWorkbook(app.handle);
  if (!added.done) return fail();
  book = added.handle;
  if (!spreadsheet.NameSheet(book, kReportSheetName).done ||
      !spreadsheet.SetColumnWidth(book, kReportColumn, kReportColumnWidth).done) {
    return fail();
  }

  // 3
  const LocalDateTime stamp = session.io.clock.Now();
  const std::optional<PeriodReport> report = LayOutPeriodReport(session.rx, session.io.clock);
  if (!report) return fail();
  auto write = [&spreadsheet, &book](const ReportCell& cell) {
    return spreadsheet.SetCell(book, cell.row, cell.column, cell.text).done;
  };

  // 4
  for (std::uint32_t day = 0; day < report->days; ++day) {
    session.io.events.ProcessPendingEvents();
    if (report->span >= kDaysPerDot && day % kDaysPerDot == 0) {
      const auto dots = static_cast<std::size_t>(day % (kMostDots + 1));
      session.io.memo.ReplaceLine(session.progressLine, kWriting + std::string(dots, '.'));
    }
    const auto first = report->cells.begin() + static_cast<std::ptrdiff_t>(day) * kCellsPerDay;
    if (!std::all_of(first, first + kCellsPerDay, write)) return fail();
  }
  if (report->tooLong) {
    session.io.events.ProcessPendingEvents();
    session.Append("Max " + std::to_string(kMaxWorkbookDays) + " days for EXCEL");
  }

  // 5: the serial number line, when there is one.
  const auto serial =
      report->cells.begin() + static_cast<std::ptrdiff_t>(report->days) * kCellsPerDay;
  if (!std::all_of(serial, report->cells.end(), write)) return fail();

  // 6, 7
  if (!spreadsheet.SaveAs(book, spreadsheet.ReportFolder() + PeriodWorkbookName(stamp)).done ||
      !spreadsheet.Quit(app.handle).done) {
    return fail();
  }
  // Quitting took the workbook with it.
  book = {};

  // 8
  session.io.memo.ReplaceLine(session.progressLine, kFinished);
  session.AppendEmpty();
}

}  // namespace orvex::core
