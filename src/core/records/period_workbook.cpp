#include "records/period_workbook.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "records/record_search.h"
#include "text/cp1252.h"

namespace orvex {

namespace {

constexpr const char* kProgId = "Excel.Application";
constexpr std::int32_t kNormalWorkbookFormat = -4143;

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

// The automation steps, each of which can fail and end the export.
class Steps {
 public:
  explicit Steps(Automation& automation) : a_(automation) {}

  bool ok() const { return ok_; }

  AutoObject Object(const AutoResult& result) {
    if (!ok_) return {};
    if (!result.ok || !std::holds_alternative<AutoObject>(result.value)) {
      ok_ = false;
      return {};
    }
    return std::get<AutoObject>(result.value);
  }
  void Check(const AutoResult& result) {
    if (ok_ && !result.ok) ok_ = false;
  }
  AutoObject Get(AutoObject object, const char* member, std::vector<AutoValue> args = {}) {
    return ok_ ? Object(a_.Get(object, member, args)) : AutoObject{};
  }
  void Put(AutoObject object, const char* member, const AutoValue& value,
           std::vector<AutoValue> args = {}) {
    if (ok_) Check(a_.Put(object, member, args, value));
  }
  AutoObject CallForObject(AutoObject object, const char* member) {
    return ok_ ? Object(a_.Call(object, member, {})) : AutoObject{};
  }
  void Call(AutoObject object, const char* member, std::vector<AutoValue> args = {}) {
    if (ok_) Check(a_.Call(object, member, args));
  }
  void Reset() { ok_ = true; }

 private:
  Automation& a_;
  bool ok_ = true;
};

constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kDayRecordBytes = 14;
// The serial record's flag and twelve digits; its last byte is not read.
constexpr std::size_t kSerialBytesRead = 13;

}  // namespace

std::optional<bool> SerialRecordInRead(const ReceiveBuffer& rx, std::uint32_t days) {
  const std::size_t length = rx.ReadLength();
  const std::size_t serial = kHeaderBytes + kDayRecordBytes * static_cast<std::size_t>(days);
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

void WritePeriodWorkbook(Session& session) {
  // The export handles events once a day; the stuck-state watch leaves the
  // request alone meanwhile, since its reply is being handled.
  struct Exporting {
    explicit Exporting(bool& flag) : flag_(flag), outer_(flag) { flag_ = true; }
    ~Exporting() { flag_ = outer_; }
    bool& flag_;
    bool outer_;
  } exporting(session.exporting);
  const ReceiveBuffer& rx = session.rx;
  Automation& automation = session.io.automation;
  Steps steps(automation);

  // Every way out of the export lets go of its workbook: an application
  // that is left running would otherwise keep each failed one.
  AutoObject workbook;
  auto release = [&automation, &workbook] {
    if (!workbook.empty()) automation.Call(workbook, "Close", {AutoValue{false}});
  };
  auto fail = [&session, &release] {
    release();
    session.Append("Can't output EXCEL file.");
    session.AppendEmpty();
  };

  // 1: the first export of a run starts the application; later ones attach
  // to a running one, or start a new one when none runs.
  AutoObject app;
  if (!session.spreadsheetApp.empty()) app = steps.Object(automation.Attach(kProgId));
  if (app.empty()) {
    steps.Reset();
    app = steps.Object(automation.Create(kProgId));
  }
  if (!steps.ok()) return fail();
  session.spreadsheetApp = app;

  // 2
  steps.Put(app, "Visible", AutoValue{false});
  const AutoObject workbooks = steps.Get(app, "Workbooks");
  workbook = steps.CallForObject(workbooks, "Add");
  const AutoObject worksheets = steps.Get(workbook, "Worksheets");
  const AutoObject sheet = steps.Get(worksheets, "Item", {std::int32_t{1}});
  steps.Put(sheet, "Name", AutoValue{std::string("PERIOD REPORT")});
  const AutoObject column = steps.Get(sheet, "Columns", {std::int32_t{1}});
  steps.Put(column, "ColumnWidth", AutoValue{std::int32_t{30}});
  if (!steps.ok()) return fail();

  // 3
  const LocalDateTime stamp = session.io.clock.Now();
  const int decimals = rx[7];
  const CalendarDate begin{2000 + rx[0], rx[1], rx[2]};
  // A reply whose dates are no calendar dates, or whose decimal places
  // would overflow the scale, cannot be written.
  if (decimals > 9 || !IsCalendarDate(begin.year, begin.month, begin.day)) return fail();
  std::int32_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const std::uint32_t span =
      static_cast<std::uint32_t>(DayNumber(rx[3], rx[4], rx[5]) - DayNumber(rx[0], rx[1], rx[2]));
  // Every record written must come from this read: past its end the buffer
  // still holds older replies, whose figures would pass for this period's.
  const std::uint32_t days = span < kMaxWorkbookDays ? span + 1 : kMaxWorkbookDays;
  const std::optional<bool> hasSerial = SerialRecordInRead(rx, days);
  if (!hasSerial) return fail();
  const char separator = session.io.clock.DecimalSeparator();

  auto writeCell = [&](std::int32_t row, const std::string& text) {
    const AutoObject cell = steps.Get(sheet, "Cells", {row, std::int32_t{1}});
    steps.Put(cell, "Value", AutoValue{text});
  };
  auto money = [&](std::size_t offset) {
    return GeneralNumber(static_cast<double>(rx.U32(offset)) / scale, separator);
  };

  // 4
  std::uint32_t i = 0;
  for (; i <= span; ++i) {
    session.io.events.ProcessPendingEvents();
    if (i == kMaxWorkbookDays) {
      session.Append("Max 2000 days for EXCEL");
      break;
    }
    if (span >= 11 && i % 11 == 0) {
      session.io.memo.ReplaceLine(session.progressLine,
                                  "Output EXCEL file" + std::string(i % 10, '.'));
    }
    const std::size_t record = 8 + 14 * static_cast<std::size_t>(i);
    const auto row = static_cast<std::int32_t>(11 * i + 1);
    writeCell(row, "Date & Time");
    writeCell(row + 1, session.io.clock.ShortDate(AddDays(begin, i)));
    writeCell(row + 2, "Coin-In");
    writeCell(row + 3, money(record));
    writeCell(row + 4, "Note-In");
    writeCell(row + 5, money(record + 4));
    writeCell(row + 6, "Payout");
    writeCell(row + 7, money(record + 8));
    writeCell(row + 8, "Ticket-Out");
    writeCell(row + 9, std::to_string(rx.U16(record + 12)));
    if (!steps.ok()) return fail();
  }

  // 5
  const std::size_t serial = 8 + 14 * static_cast<std::size_t>(i);
  if (*hasSerial) {
    std::string digits;
    for (std::size_t k = 1; k <= 12; ++k) digits += static_cast<char>(rx[serial + k] + 48);
    writeCell(static_cast<std::int32_t>(11 * i + 1),
              "   -- Serial Number : " + Cp1252ToUtf8(digits) + " --");
  }

  // 6, 7
  steps.Call(workbook, "SaveAs",
             {AutoValue{automation.ReportFolder() + PeriodWorkbookName(stamp)},
              AutoValue{kNormalWorkbookFormat}});
  steps.Call(app, "Quit");
  if (!steps.ok()) return fail();
  // Quitting took the workbook with it.
  workbook = {};

  // 8
  session.io.memo.ReplaceLine(session.progressLine, "Finish outputing EXCEL file.");
  session.AppendEmpty();
}

}  // namespace orvex
