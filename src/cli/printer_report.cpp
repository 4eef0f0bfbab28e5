#include "printer_report.h"

#include "provision_run.h"

namespace orvex::provision {

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Running:
      return "running";
    case Outcome::Succeeded:
      return "succeeded";
    case Outcome::Failed:
      return "failed";
    case Outcome::Interrupted:
      break;
  }
  return "interrupted";
}

PrinterReport::PrinterReport() {
  for (int step = 1; step <= kDownloadAllSteps; ++step) {
    StepRecord& record = steps[static_cast<std::size_t>(step - 1)];
    record.number = step;
    record.name = StepName(step);
  }
}

}  // namespace orvex::provision
