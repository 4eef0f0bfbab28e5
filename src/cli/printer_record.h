#pragma once
// What both programs find out about every printer: where it is, whether it
// came online and as what, its firmware, how its run ended, and what its
// message window said. Each program's report adds its own parts.

#include <optional>
#include <string>
#include <vector>

#include "core/commands/queries.h"

namespace orvex::cli {

enum class Outcome { Running, Succeeded, Failed, Interrupted };
// "running", "succeeded", "failed", "interrupted": the report's words.
const char* OutcomeName(Outcome outcome);

enum class Variant { Unknown, Wide20, Narrow18 };
// "unknown" for a printer whose variant answer never came.
const char* VariantName(Variant variant);

enum class CheckResult { Match, Mismatch, NoAnswer, Unreadable, Acknowledged };
// "match", "mismatch", "no answer", "unreadable", "acknowledged".
const char* CheckResultName(CheckResult result);
// A match, or a download the printer acknowledged: nothing to fail for.
bool CheckPassed(CheckResult result);

// One value read from the printer, held against the one wanted.
struct CheckRecord {
  std::string item;  // "multipliers", "clock", "firmware", "Coin Format", ...
  CheckResult result = CheckResult::NoAnswer;
  std::string expected;  // what was sent, or what the operator asked for
  std::string read;
};

struct PrinterRecord {
  std::string port;    // as named on the command line
  std::string device;  // the device it resolved to
  bool online = false;
  Variant variant = Variant::Unknown;
  std::optional<core::FirmwareReply> firmware;
  Outcome outcome = Outcome::Running;
  std::string reason;  // the first thing that went wrong, for a failed printer
  double seconds = 0;
  std::vector<std::string> log;  // the message window's lines, as the window would show them
};

}  // namespace orvex::cli
