#pragma once
// orvex-fleet's --json report and its --csv rows.

#include <string>
#include <vector>

#include "cli/fleet/fleet_command_line.h"
#include "cli/fleet/fleet_report.h"

namespace orvex::cli::fleet {

struct FleetRun {
  std::string version;
  std::string started;  // local time with its UTC offset, ISO 8601
  const FleetCommandLine* command = nullptr;
  std::string folder;  // records: the folder the workbooks went to
  bool interrupted = false;
  int exitStatus = 0;
  std::vector<FleetPrinterReport> printers;
};

std::string FleetJson(const FleetRun& run);

// A header and one row per printer with the values read (empty where a
// value was not read), the result and the reason.
std::string ReadoutCsv(const std::vector<FleetPrinterReport>& printers);
// One CSV field: quoted when it holds a comma, a quote, a line break or
// blanks at its ends; control characters shown as \xHH.
std::string CsvField(const std::string& text);

}  // namespace orvex::cli::fleet
