#pragma once
// What orvex-fleet can have a printer do: the window's menu items, each by
// the core function that item calls, named as the window names it.

#include <optional>
#include <string>
#include <vector>

#include "core/session.h"

namespace orvex::cli::fleet {

enum class Task {
  // "Read"
  Firmware,
  Clock,
  Multipliers,
  PrintStatus,
  Totals,
  // "Test_Print"
  CoinTicket,
  NoteTicket,
  PayoutTicket,
  DailyReport,
  // "Other_Functions"
  HistoryReport,
  FullCut,
  PartCut,
  // "Download" > "Date  Format", "Print Serial  Number"
  DateFormatYYMMDD,
  DateFormatDDMMYY,
  DateFormatMMDDYY,
  DateFormatYYDDMM,
  SerialNumberOn,
  SerialNumberOff,
  // "Search && Print"
  RecordSearch,
};

// How a task's end is told.
enum class TaskKind {
  Query,    // a read-out: answered with the value
  Printed,  // a test print or report: answered with done or no paper
  Setting,  // sent and done; the printer answers nothing (the cutter tests too)
  Search,   // the record search, with its period workbook
};

struct TaskInfo {
  Task task;
  const char* name;      // "coin-ticket": as the command line names it
  const char* menuItem;  // "\"Test_Print\" > \"Coin  Ticket\"": where the window has it
  const char* activity;  // "printing the coin test ticket"
  TaskKind kind;
  void (*command)(core::Session&);  // the core function of the menu item; none for the search
};

const TaskInfo& InfoOf(Task task);
// "firmware", "date-format DD/MM/YY", "serial-number enable": the report's name.
std::string TaskName(Task task);
// The reply's length; shorter reads are garbled or cut short. 0: no reply.
std::size_t ReplyLength(Task task);

// The tasks of one group, in the window's order ("read", "test-print", ...),
// and the one a word names within it; nullopt for a word that names none.
std::vector<Task> ReadOuts();
std::optional<Task> TestPrintNamed(const std::string& word);
std::optional<Task> CutterTestNamed(const std::string& word);
std::optional<Task> DateFormatNamed(const std::string& word);
std::optional<Task> SerialNumberNamed(const std::string& word);
std::optional<Task> ReadOutNamed(const std::string& word);

}  // namespace orvex::cli::fleet
