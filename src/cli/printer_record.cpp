#include "cli/printer_record.h"

namespace orvex::cli {

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

const char* VariantName(Variant variant) {
  switch (variant) {
    case Variant::Wide20:
      return "20 symbols";
    case Variant::Narrow18:
      return "18 symbols";
    case Variant::Unknown:
      break;
  }
  return "unknown";
}

const char* CheckResultName(CheckResult result) {
  switch (result) {
    case CheckResult::Match:
      return "match";
    case CheckResult::Mismatch:
      return "mismatch";
    case CheckResult::NoAnswer:
      return "no answer";
    case CheckResult::Unreadable:
      return "unreadable";
    case CheckResult::Acknowledged:
      break;
  }
  return "acknowledged";
}

bool CheckPassed(CheckResult result) {
  return result == CheckResult::Match || result == CheckResult::Acknowledged;
}

}  // namespace orvex::cli
