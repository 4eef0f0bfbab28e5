#pragma once
// `orvex-fleet check`: the firmware version, the checksums and the clock
// held against what the operator expects, as typed values.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/printer_record.h"
#include "core/commands/queries.h"
#include "core/ports.h"

namespace orvex::cli::fleet {

struct Expectations {
  std::optional<std::string> firmware;                  // the version text
  std::optional<std::array<std::string, 2>> checksums;  // "3C5A", "E10F"
  std::optional<int> clockToleranceMinutes;

  bool any() const { return firmware || checksums || clockToleranceMinutes; }
};

// The two checksums as the window shows them, four hexadecimal digits
// each, written together or apart: "3C5AE10F", "3c5a e10f", "3C5A,E10F",
// "3C5A:E10F", "3C5A/E10F". Upper case, or nullopt for anything else.
std::optional<std::array<std::string, 2>> ParseChecksums(const std::string& text);

// The version as read against the one expected, both without the blanks
// that pad the printer's version to 15 characters.
cli::CheckRecord CheckFirmware(const std::optional<core::FirmwareReply>& read,
                               const std::string& expected);
cli::CheckRecord CheckChecksums(const std::optional<core::FirmwareReply>& read,
                                const std::array<std::string, 2>& expected);

}  // namespace orvex::cli::fleet
