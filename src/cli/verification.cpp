#include "verification.h"

#include <cstdio>
#include <cstdlib>

namespace orvex::provision {

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

std::int64_t SecondsOf(const LocalDateTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

bool TwoDigits(const std::string& field, int* value) {
  if (field.size() != 2 || field[0] < '0' || field[0] > '9' || field[1] < '0' || field[1] > '9') {
    return false;
  }
  *value = (field[0] - '0') * 10 + (field[1] - '0');
  return true;
}

}  // namespace

std::string Describe(const MultiplierReply& values) {
  return "coin " + std::to_string(values.coin) + ", note " + std::to_string(values.note) +
         ", payout " + std::to_string(values.payout) + ", decimals " +
         std::to_string(values.decimals);
}

std::string DescribePrintStatus(std::uint8_t status) {
  const PrintStatusReply bits = DecodePrintStatus(status);
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

std::string Describe(const LocalDateTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}

std::int64_t SecondsBetween(const LocalDateTime& a, const LocalDateTime& b) {
  return SecondsOf(b) - SecondsOf(a);
}

CheckRecord CheckMultipliers(const MultiplierReply& sent, const MultiplierReply& read) {
  return {"multipliers", sent == read ? "match" : "mismatch", Describe(sent), Describe(read)};
}

CheckRecord CheckPrintStatus(std::uint8_t sent, std::uint8_t read) {
  const bool same = (sent & kPrintStatusSettingBits) == (read & kPrintStatusSettingBits);
  return {"print status", same ? "match" : "mismatch", DescribePrintStatus(sent),
          DescribePrintStatus(read)};
}

CheckRecord CheckClock(const DateTimeReply& read, const LocalDateTime& pcNow) {
  CheckRecord check{"clock", "", Describe(pcNow), ""};
  if (read.readError) {
    check.result = "unreadable";
    check.read = "Read Error,try again.";
    return check;
  }
  int v[6] = {};
  bool digits = true;
  for (int i = 0; i < 6; ++i)
    digits = TwoDigits(read.fields[static_cast<std::size_t>(i)], &v[i]) && digits;
  check.read = "20" + read.fields[0] + "-" + read.fields[1] + "-" + read.fields[2] + " " +
               read.fields[3] + ":" + read.fields[4] + ":" + read.fields[5];
  const bool valid = digits && v[1] >= 1 && v[1] <= 12 && v[2] >= 1 && v[2] <= 31 && v[3] <= 23 &&
                     v[4] <= 59 && v[5] <= 59;
  if (!valid) {
    check.result = "unreadable";
    return check;
  }
  const LocalDateTime printer{2000 + v[0], v[1], v[2], v[3], v[4], v[5]};
  const std::int64_t apart = std::llabs(SecondsBetween(printer, pcNow));
  check.result = apart <= kClockToleranceSeconds ? "match" : "mismatch";
  return check;
}

}  // namespace orvex::provision
