#include "cli/fleet/tasks.h"

#include <array>

#include "core/commands/actions.h"
#include "core/commands/queries.h"

namespace orvex::cli::fleet {

namespace {

constexpr std::array<TaskInfo, 19> kTasks = {{
    {Task::Firmware, "firmware", "\"Read\" > \"Firmware  Version\"", "reading the firmware version",
     TaskKind::Query, core::ReadFirmwareVersion},
    {Task::Clock, "clock", "\"Read\" > \"Date  &  Time\"", "reading the date and time",
     TaskKind::Query, core::ReadPrinterClock},
    {Task::Multipliers, "multipliers", "\"Read\" > \"Data Mutiplier & Floating-point\"",
     "reading the multipliers and decimal places", TaskKind::Query, core::ReadMultipliers},
    {Task::PrintStatus, "print-status", "\"Read\" > \"Print  status\"", "reading the print status",
     TaskKind::Query, core::ReadPrintStatus},
    {Task::Totals, "totals", "\"Read\" > \"Summary Report\"", "reading the summary totals",
     TaskKind::Query, core::ReadSummaryTotals},
    {Task::CoinTicket, "coin-ticket", "\"Test_Print\" > \"Coin  Ticket\"",
     "printing the coin test ticket", TaskKind::Printed, core::PrintCoinTestTicket},
    {Task::NoteTicket, "note-ticket", "\"Test_Print\" > \"Note  Ticket\"",
     "printing the note test ticket", TaskKind::Printed, core::PrintNoteTestTicket},
    {Task::PayoutTicket, "payout-ticket", "\"Test_Print\" > \"Payout  Ticket\"",
     "printing the payout test ticket", TaskKind::Printed, core::PrintPayoutTestTicket},
    {Task::DailyReport, "daily-report", "\"Test_Print\" > \"Daily  Report\"",
     "printing the daily report", TaskKind::Printed, core::PrintDailyReport},
    {Task::HistoryReport, "history-report", "\"Other_Functions\" > \"Print  History  Report\"",
     "printing the daily history report", TaskKind::Printed, core::PrintHistoryReport},
    {Task::FullCut, "full-cut", "\"Other_Functions\" > \"Cutter  Test\" > \"Full  Cut\"",
     "testing the full cut", TaskKind::Setting, core::TestFullCut},
    {Task::PartCut, "part-cut", "\"Other_Functions\" > \"Cutter  Test\" > \"Part  Cut\"",
     "testing the part cut", TaskKind::Setting, core::TestPartCut},
    {Task::DateFormatYYMMDD, "YY/MM/DD", "\"Download\" > \"Date  Format\" > \"YY/MM/DD\"",
     "setting the date format YY/MM/DD", TaskKind::Setting, core::SetDateFormatYYMMDD},
    {Task::DateFormatDDMMYY, "DD/MM/YY", "\"Download\" > \"Date  Format\" > \"DD/MM/YY\"",
     "setting the date format DD/MM/YY", TaskKind::Setting, core::SetDateFormatDDMMYY},
    {Task::DateFormatMMDDYY, "MM/DD/YY", "\"Download\" > \"Date  Format\" > \"MM/DD/YY\"",
     "setting the date format MM/DD/YY", TaskKind::Setting, core::SetDateFormatMMDDYY},
    {Task::DateFormatYYDDMM, "YY/DD/MM", "\"Download\" > \"Date  Format\" > \"YY/DD/MM\"",
     "setting the date format YY/DD/MM", TaskKind::Setting, core::SetDateFormatYYDDMM},
    {Task::SerialNumberOn, "enable", "\"Download\" > \"Print Serial  Number\" > \"Enable\"",
     "switching serial-number printing on", TaskKind::Setting, core::EnableSerialNumberPrinting},
    {Task::SerialNumberOff, "disable", "\"Download\" > \"Print Serial  Number\" > \"Disable\"",
     "switching serial-number printing off", TaskKind::Setting, core::DisableSerialNumberPrinting},
    {Task::RecordSearch, "records", "\"Search & Print\" of \"Record Search\"",
     "searching the day records", TaskKind::Search, nullptr},
}};

std::optional<Task> Named(const std::string& word, Task first, Task last) {
  for (int t = static_cast<int>(first); t <= static_cast<int>(last); ++t) {
    if (word == InfoOf(static_cast<Task>(t)).name) return static_cast<Task>(t);
  }
  return std::nullopt;
}

}  // namespace

const TaskInfo& InfoOf(Task task) {
  return kTasks[static_cast<std::size_t>(task)];
}

std::string TaskName(Task task) {
  std::string name = InfoOf(task).name;
  if (task >= Task::DateFormatYYMMDD && task <= Task::DateFormatYYDDMM) {
    return "date-format " + name;
  }
  if (task == Task::SerialNumberOn || task == Task::SerialNumberOff) return "serial-number " + name;
  return name;
}

std::size_t ReplyLength(Task task) {
  switch (task) {
    case Task::Firmware:
      return 19;
    case Task::Clock:
      return 12;
    case Task::Multipliers:
      return 7;
    case Task::Totals:
      return 16;
    case Task::PrintStatus:
    case Task::CoinTicket:
    case Task::NoteTicket:
    case Task::PayoutTicket:
    case Task::DailyReport:
    case Task::HistoryReport:
      return 1;
    default:
      return 0;
  }
}

std::vector<Task> ReadOuts() {
  return {Task::Firmware, Task::Clock, Task::Multipliers, Task::PrintStatus, Task::Totals};
}

std::optional<Task> ReadOutNamed(const std::string& word) {
  return Named(word, Task::Firmware, Task::Totals);
}
std::optional<Task> TestPrintNamed(const std::string& word) {
  return Named(word, Task::CoinTicket, Task::DailyReport);
}
std::optional<Task> CutterTestNamed(const std::string& word) {
  return Named(word, Task::FullCut, Task::PartCut);
}
std::optional<Task> DateFormatNamed(const std::string& word) {
  return Named(word, Task::DateFormatYYMMDD, Task::DateFormatYYDDMM);
}
std::optional<Task> SerialNumberNamed(const std::string& word) {
  return Named(word, Task::SerialNumberOn, Task::SerialNumberOff);
}

}  // namespace orvex::cli::fleet
