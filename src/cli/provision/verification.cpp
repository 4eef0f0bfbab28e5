#include "cli/provision/verification.h"

#include "cli/readouts.h"

namespace orvex::provision {

using cli::CheckRecord;
using cli::CheckResult;

CheckRecord CheckMultipliers(const MultiplierReply& sent, const MultiplierReply& read) {
  return {"multipliers", sent == read ? CheckResult::Match : CheckResult::Mismatch,
          cli::Describe(sent), cli::Describe(read)};
}

CheckRecord CheckPrintStatus(std::uint8_t sent, std::uint8_t read) {
  const bool same = (sent & kPrintStatusSettingBits) == (read & kPrintStatusSettingBits);
  return {"print status", same ? CheckResult::Match : CheckResult::Mismatch,
          cli::DescribePrintStatus(sent), cli::DescribePrintStatus(read)};
}

CheckRecord CheckClock(const DateTimeReply& read, const LocalDateTime& pcNow) {
  return cli::CheckClock(read, pcNow, kClockToleranceSeconds);
}

}  // namespace orvex::provision
