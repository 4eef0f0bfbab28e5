#pragma once
// What orvex-fleet found out about one printer: the lines, the JSON report
// and the CSV rows are all written from this.

#include <optional>
#include <string>
#include <vector>

#include "cli/fleet/tasks.h"
#include "cli/printer_record.h"
#include "core/commands/queries.h"
#include "core/ports.h"

namespace orvex::cli::fleet {

enum class TaskResult { NotRun, Done, Failed, Interrupted };
// "not run", "done", "failed", "interrupted".
const char* TaskResultName(TaskResult result);

struct TaskRecord {
  Task task = Task::Firmware;
  TaskResult result = TaskResult::NotRun;
  std::string problem;  // why it failed, in the tool's words
  std::string detail;   // the printer's lines while it ran, as the window shows them
  double seconds = 0;
};

struct ClockReading {
  core::DateTimeReply printer;
  core::LocalDateTime pc;  // the PC's local time when the answer came
};

struct RecordsResult {
  bool found = false;  // the printer selected days (not "No record be found .")
  core::CalendarDate selectedBegin;
  core::CalendarDate selectedEnd;
  std::optional<std::string> workbook;  // the file written
};

struct FleetPrinterReport : cli::PrinterRecord {
  std::optional<ClockReading> clock;
  std::optional<core::MultiplierReply> multipliers;
  std::optional<core::PrintStatusReply> printStatus;
  std::optional<core::SummaryReply> totals;
  std::optional<RecordsResult> records;
  std::vector<TaskRecord> tasks;
  std::vector<cli::CheckRecord> checks;
};

}  // namespace orvex::cli::fleet
