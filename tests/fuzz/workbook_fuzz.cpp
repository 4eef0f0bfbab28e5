// A record-search reply of arbitrary bytes, taken by the dispatcher while a
// search waits (section 19), with the period export going into the
// embedded spreadsheet, which saves into a scratch folder.
//
// Input:
//   0   mode: bits 0..5 = 0x30 leaves the reply as it is (any dates; a
//       period of more than 64 days, which takes up to a second to write,
//       only when byte 1 is 0xA5). Otherwise most runs write few days: the beginning year code
//       (byte 0) is made 2 to 21 and, when the beginning date is a calendar
//       date, the ending date (bytes 3..5) the beginning date plus
//       (byte 1 % 16) days, at most 31 December 2021; and
//       bit 4 clear: byte 6 is made 1 (day records follow),
//       bit 5 clear: byte 7 (decimal places) is made byte 7 % 4,
//       bit 0 clear: the reply is made at least as long as its day records
//   1   the day count of the mode above
//       bits 6 and 7 both set: the search runs twice in one session
//   2.. the reply; when the mode changes its first 8 bytes, it is made at
//       least 8 bytes long
//
// Invariants:
//   - the search ends: its flag and busy clear, Timer2 off;
//   - no paper (0x00) and no record (0x55) give their line and an empty one;
//   - with records following, the export either saves one workbook file
//     (an OLE2 compound file) and ends with "Finish outputing EXCEL file."
//     on the progress line, or reports "Can't output EXCEL file."; it
//     reports that exactly when the beginning date is no calendar date, the
//     decimal places are above 9, or the read ends before its day records
//     (min(span + 1, 2000) of them) or inside a serial record (flag 1 and
//     twelve digits) that follows them;
//   - a saved workbook holds min(span + 1, 2000) blocks of ten cells laid
//     out as the period report has them, money divided by 10^decimals to 15
//     significant digits (in exponent notation only below 0.00001), ticket-out as it came, the
//     dates one day apart, and the serial line after the last block exactly when the read holds
//     its record; "Max 2000 days for EXCEL" appears exactly when the span is
//     longer; events are handled once a day.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/link/reply_dispatcher.h"
#include "core/records/period_workbook.h"
#include "core/records/record_search.h"
#include "fuzz_support.h"
#include "platform/workbook/embedded_spreadsheet.h"

namespace {

using namespace orvex::core;
namespace chr = std::chrono;

// Passes every step to the embedded spreadsheet and keeps the text put into
// each cell of column 1, by row.
class RecordingSpreadsheet : public ForwardingSpreadsheet {
 public:
  explicit RecordingSpreadsheet(const std::string& folder) : inner_(folder) {}

  SpreadsheetResult SetCell(WorkbookId book, int row, int column,
                            const std::string& text) override {
    SpreadsheetResult result = inner_.SetCell(book, row, column, text);
    if (result.done) {
      FUZZ_CHECK(column == 1, "cells are written in column 1");
      FUZZ_CHECK(!cells.contains(row), "a cell is written once");
      cells[row] = text;
    }
    return result;
  }
  SpreadsheetResult SaveAs(WorkbookId book, const std::string& path) override {
    SpreadsheetResult result = inner_.SaveAs(book, path);
    if (result.done) saved.push_back(path);
    return result;
  }

  std::map<std::int32_t, std::string> cells;
  std::vector<std::string> saved;

 private:
  Spreadsheet& Inner() override { return inner_; }

  orvex::platform::workbook::EmbeddedSpreadsheet inner_;
};

bool IsDate(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1) return false;
  return chr::year_month_day{chr::year{year}, chr::month{static_cast<unsigned>(month)},
                             chr::day{static_cast<unsigned>(day)}}
      .ok();
}

chr::sys_days Days(int year, int month, int day) {
  return chr::year_month_day{chr::year{year}, chr::month{static_cast<unsigned>(month)},
                             chr::day{static_cast<unsigned>(day)}};
}

// The FakeClock's short date, dd/MM/yyyy, read back.
bool ParseShortDate(const std::string& text, chr::sys_days& out) {
  int day = 0, month = 0, year = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%2d/%2d/%4d%c", &day, &month, &year, &tail) != 3) return false;
  if (!IsDate(year, month, day)) return false;
  out = Days(year, month, day);
  return true;
}

// The days written and whether the read, as long as it is, holds them and
// a whole serial record where one is announced after them.
std::uint32_t DaysOf(std::uint32_t span) {
  return span >= kMaxWorkbookDays ? kMaxWorkbookDays : span + 1;
}
bool ReadHoldsDays(const ReceiveBuffer& rx, std::uint32_t days) {
  const std::size_t end = 8 + 14 * static_cast<std::size_t>(days);
  if (rx.ReadLength() < end) return false;
  return !(rx.ReadLength() > end && rx[end] == 1 && rx.ReadLength() < end + 13);
}
bool SerialInRead(const ReceiveBuffer& rx, std::uint32_t days) {
  const std::size_t end = 8 + 14 * static_cast<std::size_t>(days);
  return rx.ReadLength() >= end + 13 && rx[end] == 1;
}

void CheckMoney(const std::string& text, std::uint32_t raw, int decimals, const char* what) {
  double scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const double want = raw / scale;
  char* end = nullptr;
  const double got = std::strtod(text.c_str(), &end);
  FUZZ_CHECK(end != nullptr && *end == '\0' && !text.empty(), std::string(what) + ": " + text);
  FUZZ_CHECK(std::fabs(got - want) <= want * 1e-14, std::string(what) + ": " + text);
  // The general format turns to exponent notation only below 0.00001.
  const bool exponent = text.find('E') != std::string::npos;
  FUZZ_CHECK(exponent == (want != 0 && want < 1e-5), std::string(what) + ": " + text);
  FUZZ_CHECK(text.find_first_of("e,") == std::string::npos, std::string(what) + ": " + text);
  const std::string mantissa = text.substr(0, text.find('E'));
  if (mantissa.find('.') != std::string::npos) FUZZ_CHECK(mantissa.back() != '0', what);
}

void CheckWorkbook(const RecordingSpreadsheet& sheet, const ReceiveBuffer& rx, std::uint32_t span) {
  const std::uint32_t days = span >= kMaxWorkbookDays ? kMaxWorkbookDays : span + 1;
  const chr::sys_days begin = Days(2000 + rx[0], rx[1], rx[2]);
  const int decimals = rx[7];
  auto cell = [&sheet](std::uint32_t row) -> const std::string* {
    const auto it = sheet.cells.find(static_cast<std::int32_t>(row));
    return it == sheet.cells.end() ? nullptr : &it->second;
  };
  auto label = [&](std::uint32_t row, const char* text) {
    const std::string* got = cell(row);
    FUZZ_CHECK(got && *got == text, "row " + std::to_string(row));
  };
  for (std::uint32_t i = 0; i < days; ++i) {
    const std::uint32_t row = 11 * i + 1;
    const std::size_t record = 8 + 14 * static_cast<std::size_t>(i);
    label(row, "Date & Time");
    const std::string* date = cell(row + 1);
    chr::sys_days shown;
    FUZZ_CHECK(date && ParseShortDate(*date, shown) && shown == begin + chr::days{i},
               date ? *date : "no date");
    label(row + 2, "Coin-In");
    CheckMoney(cell(row + 3) ? *cell(row + 3) : "", rx.U32(record), decimals, "coin-in");
    label(row + 4, "Note-In");
    CheckMoney(cell(row + 5) ? *cell(row + 5) : "", rx.U32(record + 4), decimals, "note-in");
    label(row + 6, "Payout");
    CheckMoney(cell(row + 7) ? *cell(row + 7) : "", rx.U32(record + 8), decimals, "payout");
    label(row + 8, "Ticket-Out");
    const std::string* tickets = cell(row + 9);
    FUZZ_CHECK(tickets && *tickets == std::to_string(rx.U16(record + 12)), "ticket-out");
    FUZZ_CHECK(cell(row + 10) == nullptr, "the eleventh row of a block stays empty");
  }
  const std::size_t serial = 8 + 14 * static_cast<std::size_t>(days);
  const std::string* line = cell(11 * days + 1);
  std::size_t expectedCells = 10 * static_cast<std::size_t>(days);
  if (SerialInRead(rx, days)) {
    ++expectedCells;
    FUZZ_CHECK(line && line->starts_with("   -- Serial Number : ") && line->ends_with(" --"),
               "serial line");
    bool plainDigits = true;
    std::string digits;
    for (std::size_t k = 1; k <= 12; ++k) {
      plainDigits = plainDigits && rx[serial + k] <= 9;
      digits += static_cast<char>('0' + rx[serial + k] % 10);
    }
    if (plainDigits) FUZZ_CHECK(*line == "   -- Serial Number : " + digits + " --", *line);
  } else {
    FUZZ_CHECK(line == nullptr, "a serial line without its record");
  }
  FUZZ_CHECK(sheet.cells.size() == expectedCells, "cells written");
}

bool StartsAsCompoundFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  char magic[8] = {};
  file.read(magic, sizeof magic);
  return file.gcount() == 8 && std::string_view(magic, 8) == "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
}

void MakeSmallPeriod(std::vector<std::uint8_t>& reply, std::uint8_t mode, std::uint8_t days) {
  if (reply.size() < 8) reply.resize(8, 0);
  reply[0] = static_cast<std::uint8_t>(2 + reply[0] % 20);
  if (IsDate(2000 + reply[0], reply[1], reply[2])) {
    // Past 2021 the day numbers stop counting years and the span wraps.
    const chr::sys_days last = Days(2021, 12, 31);
    const chr::year_month_day end{
        std::min(Days(2000 + reply[0], reply[1], reply[2]) + chr::days{days % 16}, last)};
    reply[3] = static_cast<std::uint8_t>(static_cast<int>(end.year()) - 2000);
    reply[4] = static_cast<std::uint8_t>(static_cast<unsigned>(end.month()));
    reply[5] = static_cast<std::uint8_t>(static_cast<unsigned>(end.day()));
  }
  if ((mode & 0x10) == 0) reply[6] = 1;
  if ((mode & 0x20) == 0) reply[7] = reply[7] % 4;
  if ((mode & 0x01) == 0 && IsDate(2000 + reply[0], reply[1], reply[2])) {
    const auto span = static_cast<std::uint32_t>(DayNumber(reply[3], reply[4], reply[5]) -
                                                 DayNumber(reply[0], reply[1], reply[2]));
    const std::size_t records = 8 + 14 * static_cast<std::size_t>(std::min(span, 1999u) + 1);
    if (reply.size() < records) reply.resize(records, 0);
  }
}

// One search answered by the reply; false when no workbook was saved.
bool SearchOnce(orvex::fuzz::FuzzPorts& ports, RecordingSpreadsheet& spreadsheet,
                const std::vector<std::uint8_t>& reply, const std::string& folder) {
  spreadsheet.cells.clear();
  spreadsheet.saved.clear();
  int eventRounds = 0;
  ports.onPendingEvents = [&eventRounds] { ++eventRounds; };
  Session& s = ports.session();
  s.state.busy = true;
  s.pending.Set(Request::RecordSearch);
  ports.SetTimerEnabled(TimerId::ReplyTimeout, true);
  const int mark = ports.memo.LineCount();

  ReplyDispatcher(s, reply);
  if (reply.empty()) {
    // A read of no bytes is no reply.
    FUZZ_CHECK(s.pending.Has(Request::RecordSearch) && s.state.busy,
               "an empty read ended the search");
    return false;
  }

  FUZZ_CHECK(!s.pending.Has(Request::RecordSearch) && !s.state.busy, "the search ended");
  FUZZ_CHECK(!ports.TimerEnabled(TimerId::ReplyTimeout), "Timer2 off");
  const ReceiveBuffer& rx = s.rx;
  const auto lines = ports.memo.From(mark);
  auto has = [&lines](const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  };
  if (rx[0] == 0x00 || rx[0] == 0x55) {
    const char* text = rx[0] == 0 ? "Printer have no paper ." : "No record be found .";
    FUZZ_CHECK(lines.size() == 2 && lines[0] == text && lines[1].empty(), text);
    FUZZ_CHECK(spreadsheet.saved.empty());
    return false;
  }
  if (rx[6] != 1) {
    FUZZ_CHECK(spreadsheet.saved.empty() && spreadsheet.cells.empty(), "no export");
    return false;
  }

  const std::uint32_t span =
      static_cast<std::uint32_t>(DayNumber(rx[3], rx[4], rx[5]) - DayNumber(rx[0], rx[1], rx[2]));
  const bool exportable =
      rx[7] <= 9 && IsDate(2000 + rx[0], rx[1], rx[2]) && ReadHoldsDays(rx, DaysOf(span));
  const bool failed = has("Can't output EXCEL file.");
  FUZZ_CHECK(failed == !exportable, failed ? "the export failed" : "the export went through");
  if (failed) {
    FUZZ_CHECK(spreadsheet.saved.empty(), "a failed export saved a file");
    return false;
  }
  FUZZ_CHECK(spreadsheet.saved.size() == 1, "one workbook saved");
  const std::string& path = spreadsheet.saved.front();
  FUZZ_CHECK(path == folder + PeriodWorkbookName(ports.clock.now), path);
  FUZZ_CHECK(StartsAsCompoundFile(path), "the saved file is a compound file");
  std::error_code ec;
  std::filesystem::remove(path, ec);

  const auto& all = ports.memo.lines;
  const auto progress = static_cast<std::size_t>(s.progressLine);
  FUZZ_CHECK(progress < all.size() && all[progress] == "Finish outputing EXCEL file.",
             "the progress line");
  FUZZ_CHECK(all.back().empty(), "an empty line ends the export");
  const bool tooLong = span >= kMaxWorkbookDays;
  FUZZ_CHECK(has("Max 2000 days for EXCEL") == tooLong, "the 2000-day line");
  const std::uint32_t rounds = tooLong ? kMaxWorkbookDays + 1 : span + 1;
  FUZZ_CHECK(eventRounds == static_cast<int>(rounds), "events handled once a day");
  CheckWorkbook(spreadsheet, rx, span);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string& folder = orvex::fuzz::ScratchFolder("workbook");
  orvex::fuzz::FuzzInput in(data, size);
  const std::uint8_t mode = in.Byte();
  const std::uint8_t days = in.Byte();
  const auto rest = in.Rest();
  std::vector<std::uint8_t> reply(rest.begin(), rest.end());
  if ((mode & 0x3F) != 0x30) {
    MakeSmallPeriod(reply, mode, days);
  } else if (days != 0xA5) {
    std::uint8_t d[6] = {};
    std::copy_n(reply.begin(), std::min<std::size_t>(reply.size(), 6), d);
    const auto span =
        static_cast<std::uint32_t>(DayNumber(d[3], d[4], d[5]) - DayNumber(d[0], d[1], d[2]));
    if (span > 64) return 0;
  }

  RecordingSpreadsheet spreadsheet(folder);
  orvex::fuzz::FuzzPorts ports(&spreadsheet);
  Session& s = ports.session();
  s.state.linkState = LinkState::Online;
  s.state.identified = true;
  ports.memo.lines = {"The begining date you selected : 01/03/2005",
                      "The final date you selected : 03/03/2005", ""};
  // Bits 6 and 7 together: a second search in the same run, whose export
  // finds the spreadsheet of the first one gone (it was told to quit).
  const int searches = (mode & 0xC0) == 0xC0 ? 2 : 1;
  for (int i = 0; i < searches; ++i) {
    if (!SearchOnce(ports, spreadsheet, reply, folder)) break;
  }
  return 0;
}
