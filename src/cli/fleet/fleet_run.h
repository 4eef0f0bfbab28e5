#pragma once
// One printer's part in an orvex-fleet run: identified, then each task as
// its menu item does it, then the checks against what the operator
// expects. It drives the core through a Session and needs from its host
// only waiting and a clock (a real port, or the virtual bench in tests).

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/fleet/checks.h"
#include "cli/fleet/fleet_report.h"
#include "cli/printer_host.h"
#include "cli/printer_job.h"
#include "core/records/record_search.h"
#include "core/session.h"

namespace orvex::cli::fleet {

struct FleetSettings {
  cli::IdentifySettings identify;
  std::vector<Task> tasks;
  Expectations expect;
  core::SearchPeriod period;  // for Task::RecordSearch
};

// Tells the path of the workbook saved since it was last asked, if any.
using SavedWorkbook = std::function<std::optional<std::string>()>;

void RunFleetPrinter(core::Session& session, cli::PrinterHost& host, const FleetSettings& settings,
                     FleetPrinterReport& report, cli::ProgressSink& sink,
                     const SavedWorkbook& savedWorkbook = {});

}  // namespace orvex::cli::fleet
