#pragma once
// orvex-fleet's command line: a command, in the manner of git or
// systemctl, then the ports and the options.

#include <optional>
#include <string>
#include <vector>

#include "cli/fleet/checks.h"
#include "cli/fleet/tasks.h"
#include "cli/printer_job.h"
#include "core/records/record_search.h"

namespace orvex::cli::fleet {

enum class Command {
  Read,
  Check,
  Records,
  TestPrint,
  HistoryReport,
  CutterTest,
  DateFormat,
  SerialNumber,
};
// "read", "test-print", ...
const char* CommandName(Command command);

struct FleetCommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  std::string error;               // for Action::Error
  std::optional<Command> command;  // for Run, and for the help of one command

  std::vector<std::string> ports;
  cli::IdentifySettings identify;
  std::vector<Task> tasks;
  std::vector<std::string> operands;  // the command's words, as given
  Expectations expect;                // check
  core::SearchPeriod period;          // records
  std::optional<std::string> folder;  // records: where the workbooks go
  std::optional<std::string> jsonPath;
  std::optional<std::string> csvPath;
  bool plain = false;
};

FleetCommandLine ParseFleetCommandLine(const std::vector<std::string>& args);
// The whole program's help, and one command's.
std::string FleetUsageText();
std::string CommandUsageText(Command command);

}  // namespace orvex::cli::fleet
