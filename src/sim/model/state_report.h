#pragma once
// The printer's state as key=value lines, for scripts that check what a
// session of the tool has set up (orvex-sim --state-file).

#include <cstdint>
#include <string>

#include "sim/model/printer_model.h"

namespace orvex::sim {

std::string FormatState(const PrinterModel& printer, std::int64_t nowMs);

// Text bytes with printable ASCII kept and everything else, backslash and
// quote included, as \xNN.
std::string EscapeBytes(const std::string& bytes);

}  // namespace orvex::sim
