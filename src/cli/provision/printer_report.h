#pragma once
// What orvex-provision found out about one printer: the terminal lines, the
// plain log and the JSON report are all written from this.

#include <array>
#include <string>
#include <vector>

#include "cli/printer_record.h"
#include "core/batch/download_all.h"

namespace orvex::cli::provision {

// The part of a step's line inside its brackets, "Coin Format": the name of
// the step in the lines and the report.
const char* StepName(core::DownloadAllStep step);

enum class StepOutcome { NotRun, Done, Skipped, Failed, Interrupted };
// "not run", "done", "skipped", "failed", "interrupted".
const char* StepOutcomeName(StepOutcome outcome);

struct StepRecord {
  core::DownloadAllStep step = core::DownloadAllStep::Clock;
  StepOutcome result = StepOutcome::NotRun;
  std::string detail;  // why it was skipped or failed, or what came back
  double seconds = 0;  // from the step's start to the end of its pause
};

struct PrinterReport : cli::PrinterRecord {
  std::array<StepRecord, core::kDownloadAllSteps> steps{};
  std::vector<cli::CheckRecord> checks;

  PrinterReport();
  StepRecord& Step(core::DownloadAllStep step) {
    return steps[static_cast<std::size_t>(core::StepNumber(step) - 1)];
  }
  const StepRecord& Step(core::DownloadAllStep step) const {
    return steps[static_cast<std::size_t>(core::StepNumber(step) - 1)];
  }
};

}  // namespace orvex::cli::provision
