#include "cli/readouts.h"

#include <cstdio>
#include <cstdlib>

namespace orvex::cli {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

std::int64_t SecondsOf(const core::LocalDateTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::optional<int> TwoDigits(const std::string& field) {
  if (field.size() != 2 || field[0] < '0' || field[0] > '9' || field[1] < '0' || field[1] > '9') {
    return std::nullopt;
  }
  return (field[0] - '0') * 10 + (field[1] - '0');
}

}  // namespace

std::string Describe(const core::MultiplierReply& values) {
  return "coin " + std::to_string(values.coin) + ", note " + std::to_string(values.note) +
         ", payout " + std::to_string(values.payout) + ", decimals " +
         std::to_string(values.decimals);
}

std::string DescribePrintStatus(std::uint8_t status) {
  const core::PrintStatusReply bits = core::DecodePrintStatus(status);
  std::string text;
  auto add = [&text](bool on, const char* what) {
    if (!on) return;
    if (!text.empty()) text += ", ";
    text += what;
  };
  add(bits.coin, "coin ticket");
  add(bits.note, "note ticket");
  add(bits.payout, "payout ticket");
  add(bits.symbol, "symbol");
  add(bits.recordSearch, "record search");
  if (text.empty()) text = "nothing";
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", status);
  return text + " (" + hex + ")";
}

std::string Describe(const core::LocalDateTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}

std::string Describe(const core::SummaryReply& totals) {
  return "coin " + std::to_string(totals.coin) + ", note " + std::to_string(totals.note) +
         ", payout " + std::to_string(totals.payout) + ", tickets out " +
         std::to_string(totals.ticketsOut);
}

std::string TrimmedVersion(const core::FirmwareReply& firmware) {
  std::string version = firmware.version;
  while (!version.empty() && version.back() == ' ') version.pop_back();
  return version;
}

std::string Describe(const core::FirmwareReply& firmware) {
  return TrimmedVersion(firmware) + ", checksums " + firmware.checksum1 + " " + firmware.checksum2;
}

const char* DateFormatName(int code) {
  static const char* const kNames[4] = {"YY/MM/DD", "DD/MM/YY", "MM/DD/YY", "YY/DD/MM"};
  return kNames[code & 3];
}

std::optional<core::LocalDateTime> PrinterTime(const core::DateTimeReply& reply) {
  if (reply.readError) return std::nullopt;
  int v[6] = {};
  for (std::size_t i = 0; i < 6; ++i) {
    const auto value = TwoDigits(reply.fields[i]);
    if (!value) return std::nullopt;
    v[i] = *value;
  }
  if (v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > 31 || v[3] > 23 || v[4] > 59 || v[5] > 59) {
    return std::nullopt;
  }
  return core::LocalDateTime{2000 + v[0], v[1], v[2], v[3], v[4], v[5]};
}

std::string DescribePrinterClock(const core::DateTimeReply& reply) {
  if (reply.readError) return "Read Error,try again.";
  const auto& f = reply.fields;
  return "20" + f[0] + "-" + f[1] + "-" + f[2] + " " + f[3] + ":" + f[4] + ":" + f[5];
}

std::int64_t SecondsBetween(const core::LocalDateTime& a, const core::LocalDateTime& b) {
  return SecondsOf(b) - SecondsOf(a);
}

CheckRecord CheckClock(const core::DateTimeReply& read, const core::LocalDateTime& pcNow,
                       std::int64_t toleranceSeconds) {
  CheckRecord check{"clock", CheckResult::Unreadable, Describe(pcNow), DescribePrinterClock(read)};
  const auto printer = PrinterTime(read);
  if (!printer) return check;
  const std::int64_t apart = std::llabs(SecondsBetween(*printer, pcNow));
  check.result = apart <= toleranceSeconds ? CheckResult::Match : CheckResult::Mismatch;
  return check;
}

}  // namespace orvex::cli
