#include "cli/provision/printer_report.h"

namespace orvex::provision {

const char* StepName(DownloadAllStep step) {
  switch (step) {
    case DownloadAllStep::Clock:
      return "Date & Time";
    case DownloadAllStep::EraseRecords:
      return "Erase Record";
    case DownloadAllStep::Multipliers:
      return "Data mutiplier & Decimal";
    case DownloadAllStep::PrintStatus:
      return "Printer status";
    case DownloadAllStep::CoinFormat:
      return "Coin Format";
    case DownloadAllStep::NoteFormat:
      return "Note Format";
    case DownloadAllStep::PayoutFormat:
      return "Payout Format";
    case DownloadAllStep::Logo1:
      return "Logo1";
    case DownloadAllStep::Logo2:
      return "Logo2";
    case DownloadAllStep::Logo3:
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
  for (int number = 1; number <= kDownloadAllSteps; ++number) {
    steps[static_cast<std::size_t>(number - 1)].step = static_cast<DownloadAllStep>(number);
  }
}

}  // namespace orvex::provision
