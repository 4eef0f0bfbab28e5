#pragma once
// What orvex-provision found out about one printer: the terminal lines, the
// plain log and the JSON report are all written from this.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "batch/download_all.h"
#include "commands/queries.h"

namespace orvex::provision {

struct StepRecord {
  int number = 0;
  std::string name;                // "Coin Format", from the batch's own step line
  std::string result = "not run";  // "done", "skipped", "failed", "interrupted", "not run"
  std::string detail;              // why it was skipped or failed, or what came back
  double seconds = 0;              // from the step's start to the end of its pause
};

struct CheckRecord {
  std::string item;    // "multipliers", "print status", "clock", "coin format", "logo 1", ...
  std::string result;  // "match", "mismatch", "no answer", "acknowledged", "unreadable"
  std::string sent;
  std::string read;
};

enum class Outcome { Running, Succeeded, Failed, Interrupted };
const char* OutcomeName(Outcome outcome);

struct PrinterReport {
  std::string port;    // as named on the command line
  std::string device;  // the device it resolved to
  bool online = false;
  std::string variant;  // "20 symbols" or "18 symbols"
  std::optional<FirmwareReply> firmware;
  std::array<StepRecord, kDownloadAllSteps> steps{};
  std::vector<CheckRecord> checks;
  Outcome outcome = Outcome::Running;
  std::string reason;  // the first thing that went wrong, for a failed printer
  double seconds = 0;
  std::vector<std::string> log;  // the message window's lines, as the window would show them

  PrinterReport();
};

}  // namespace orvex::provision
