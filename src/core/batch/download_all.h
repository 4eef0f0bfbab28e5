#pragma once
// "Download" > "All Formats": the ten downloads of a printer's setup in one
// batch, each answered before the next starts.

#include "core/session.h"

namespace orvex::core {

constexpr int kDownloadAllSteps = 10;

// The steps, numbered as their lines number them.
enum class DownloadAllStep : int {
  Clock = 1,
  EraseRecords,
  Multipliers,
  PrintStatus,
  CoinFormat,
  NoteFormat,
  PayoutFormat,
  Logo1,
  Logo2,
  Logo3,
};
constexpr int StepNumber(DownloadAllStep step) {
  return static_cast<int>(step);
}

// The line a step appends first, "STEP 5 : (Coin Format)"; step is 1..10.
const char* DownloadAllStepLine(int step);

// How one step of the batch ended.
enum class StepResult {
  Done,         // sent, and answered with success where an answer is awaited
  Rejected,     // the printer answered with an error (clock setting, erase)
  NoAnswer,     // the reply timeout ran out: the printer was lost
  NotSent,      // the command sent nothing; its own message says why
  Interrupted,  // Cancel stopped a logo download part way
  Skipped,      // left out by the options; nothing written, no pause
};
const char* StepResultName(StepResult result);

// Told about each step as the batch runs it. A step that the batch never
// reaches (it stopped earlier) is not reported.
class DownloadAllObserver {
 public:
  virtual ~DownloadAllObserver() = default;
  virtual void StepStarting(DownloadAllStep step) = 0;
  // After the step's wait and its one-second pause.
  virtual void StepFinished(DownloadAllStep step, StepResult result) = 0;
};

struct DownloadAllOptions {
  bool setClock = true;      // step 1
  bool eraseRecords = true;  // step 2: erases the printer's day records
  DownloadAllObserver* observer = nullptr;
};

// The window's batch: every step, nobody told.
void DownloadAll(Session& session);
void DownloadAll(Session& session, const DownloadAllOptions& options);

}  // namespace orvex::core
