#include "cli/provision/verification.h"

#include "cli/readouts.h"

namespace orvex::cli::provision {

using cli::CheckRecord;
using cli::CheckResult;

CheckRecord CheckMultipliers(const core::MultiplierReply& sent, const core::MultiplierReply& read) {
  return {"multipliers", sent == read ? CheckResult::Match : CheckResult::Mismatch,
          cli::Describe(sent), cli::Describe(read)};
}

CheckRecord CheckPrintStatus(std::uint8_t sent, std::uint8_t read) {
  const bool same =
      (sent & core::kPrintStatusSettingBits) == (read & core::kPrintStatusSettingBits);
  return {"print status", same ? CheckResult::Match : CheckResult::Mismatch,
          cli::DescribePrintStatus(sent), cli::DescribePrintStatus(read)};
}

CheckRecord CheckClock(const core::DateTimeReply& read, const core::LocalDateTime& pcNow) {
  return cli::CheckClock(read, pcNow, kClockToleranceSeconds);
}

}  // namespace orvex::cli::provision
