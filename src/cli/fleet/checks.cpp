#include "cli/fleet/checks.h"

#include "cli/readouts.h"

namespace orvex::cli::fleet {

namespace {

using cli::CheckRecord;
using cli::CheckResult;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

std::optional<std::array<std::string, 2>> ParseChecksums(const std::string& text) {
  std::string digits;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsHexDigit(c)) {
      digits += c;
      continue;
    }
    // One separator, and only between the two checksums.
    const bool between = digits.size() == 4 && (c == ' ' || c == ',' || c == ':' || c == '/') &&
                         i + 1 < text.size() && IsHexDigit(text[i + 1]) &&
                         text.find_first_of(" ,:/", i + 1) == std::string::npos;
    if (!between) return std::nullopt;
  }
  if (digits.size() != 8) return std::nullopt;
  return std::array<std::string, 2>{Upper(digits.substr(0, 4)), Upper(digits.substr(4))};
}

CheckRecord CheckFirmware(const std::optional<core::FirmwareReply>& read,
                          const std::string& expected) {
  CheckRecord check{"firmware", CheckResult::NoAnswer, Trimmed(expected), ""};
  if (!read) return check;
  check.read = cli::TrimmedVersion(*read);
  check.result = check.read == check.expected ? CheckResult::Match : CheckResult::Mismatch;
  return check;
}

CheckRecord CheckChecksums(const std::optional<core::FirmwareReply>& read,
                           const std::array<std::string, 2>& expected) {
  CheckRecord check{"checksums", CheckResult::NoAnswer, expected[0] + " " + expected[1], ""};
  if (!read) return check;
  check.read = read->checksum1 + " " + read->checksum2;
  check.result = read->checksum1 == expected[0] && read->checksum2 == expected[1]
                     ? CheckResult::Match
                     : CheckResult::Mismatch;
  return check;
}

}  // namespace orvex::cli::fleet
