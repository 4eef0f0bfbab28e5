#pragma once
// What orvex-provision and orvex-fleet exit with: one meaning per number in
// both programs, so a script treats them alike.

#include <algorithm>
#include <vector>

#include "cli/printer_record.h"

namespace orvex::cli {

enum ExitStatus : int {
  kExitAllSucceeded = 0,     // every printer did what it was asked, every check matched
  kExitSomeFailed = 1,       // at least one printer failed; the others were finished
  kExitBadInput = 2,         // bad command line, file, folder or port list: nothing was sent
  kExitInterrupted = 3,      // stopped by SIGINT or SIGTERM; the report says what was left undone
  kExitReportNotWritten = 4  // the printers were done, but a report could not be written
};

// A run's status from its printers' outcomes: interrupted after a stop, else
// all succeeded or some failed.
inline int RunStatus(const std::vector<const PrinterRecord*>& printers, bool stopped) {
  if (stopped) return kExitInterrupted;
  const bool all = std::all_of(printers.begin(), printers.end(), [](const PrinterRecord* p) {
    return p->outcome == Outcome::Succeeded;
  });
  return all ? kExitAllSucceeded : kExitSomeFailed;
}

}  // namespace orvex::cli
