#include "cli/provision/printer_report.h"

namespace orvex::cli::provision {

const char* StepName(core::DownloadAllStep step) {
  switch (step) {
    case core::DownloadAllStep::Clock:
      return "Date & Time";
    case core::DownloadAllStep::EraseRecords:
      return "Erase Record";
    case core::DownloadAllStep::Multipliers:
      return "Data mutiplier & Decimal";
    case core::DownloadAllStep::PrintStatus:
      return "Printer status";
    case core::DownloadAllStep::CoinFormat:
      return "Coin Format";
    case core::DownloadAllStep::NoteFormat:
      return "Note Format";
    case core::DownloadAllStep::PayoutFormat:
      return "Payout Format";
    case core::DownloadAllStep::Logo1:
      return "Logo1";
    case core::DownloadAllStep::Logo2:
      return "Logo2";
    case core::DownloadAllStep::Logo3:
      break;
  }
  return "Logo3";
}

const char* StepOutcomeName(StepOutcome outcome) {
  switch (outcome) {
    case StepOutcome::NotRun:
      return "not run";
    case StepOutcome::Done:
      return "done";
    case StepOutcome::Skipped:
      return "skipped";
    case StepOutcome::Failed:
      return "failed";
    case StepOutcome::Interrupted:
      break;
  }
  return "interrupted";
}

PrinterReport::PrinterReport() {
  for (int number = 1; number <= core::kDownloadAllSteps; ++number) {
    steps[static_cast<std::size_t>(number - 1)].step = static_cast<core::DownloadAllStep>(number);
  }
}

}  // namespace orvex::cli::provision
