#include "sim/model/command_line.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string_view>

namespace orvex::sim {
namespace {

bool ParseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t* out) {
  if (text.empty() || text.size() > 20) return false;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (value > (max - digit) / 10) return false;
    value = value * 10 + digit;
  }
  *out = value;
  return true;
}

bool ParseRecordRange(const std::string& text, std::optional<RecordRange>* out) {
  if (text == "none") {
    out->reset();
    return true;
  }
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  RecordRange range;
  if (!ParseDate(text.substr(0, colon), &range.first) ||
      !ParseDate(text.substr(colon + 1), &range.last) || range.last < range.first) {
    return false;
  }
  *out = range;
  return true;
}

// A count of replies: a number, or "all" for every one from now on.
bool ParseCount(const std::string& text, int* out) {
  if (text == "all") {
    *out = std::numeric_limits<int>::max();
    return true;
  }
  std::uint64_t value = 0;
  if (!ParseUnsigned(text, 1000000000, &value)) return false;
  *out = static_cast<int>(value);
  return true;
}

bool ParseInRange(const std::string& text, std::uint64_t least, std::uint64_t most, int* out) {
  std::uint64_t value = 0;
  if (!ParseUnsigned(text, most, &value) || value < least) return false;
  *out = static_cast<int>(value);
  return true;
}

constexpr std::array<std::string_view, 22> kValueOptions = {
    "--port",          "--variant",         "--stop-ack-after-row", "--records",
    "--seed",          "--logo-dir",        "--state-file",         "--fault-every",
    "--drop-replies",  "--garbage-replies", "--garbage-length",     "--maintenance-runs",
    "--burst-replies", "--burst-length",    "--split-replies",      "--split-after",
    "--split-gap-ms",  "--double-replies",  "--double-gap-ms",      "--hang-up-after-logo-row",
    "--hang-up-ms",    "--byte-times",
};

// Options that only arm faults; false when the name is none of them.
bool ParseFaultOption(const std::string& name, const std::string& value, Faults& faults,
                      std::string* error) {
  struct CountOption {
    const char* name;
    int Faults::*count;
  };
  static constexpr CountOption kCounts[] = {
      {"--drop-replies", &Faults::dropReplies},
      {"--garbage-replies", &Faults::garbageReplies},
      {"--maintenance-runs", &Faults::maintenanceRuns},
      {"--burst-replies", &Faults::burstReplies},
      {"--split-replies", &Faults::splitReplies},
      {"--double-replies", &Faults::doubledReplies},
  };
  for (const CountOption& option : kCounts) {
    if (name != option.name) continue;
    if (!ParseCount(value, &(faults.*option.count))) {
      *error = name + " wants a number of replies or 'all', not '" + value + "'";
    }
    return true;
  }
  struct RangeOption {
    const char* name;
    int Faults::*field;
    std::uint64_t least;
    std::uint64_t most;
    const char* what;
  };
  static constexpr RangeOption kRanges[] = {
      {"--fault-every", &Faults::everyNthReply, 1, 1000000, "a number from 1"},
      {"--garbage-length", &Faults::garbageLength, 1, 30000, "a length of 1 to 30000"},
      {"--burst-length", &Faults::burstLength, 1, 1000000, "a length of 1 to 1000000"},
      {"--split-after", &Faults::splitAfterBytes, 1, 30000, "a byte count of 1 to 30000"},
      {"--split-gap-ms", &Faults::splitGapMs, 0, 600000, "milliseconds"},
      {"--double-gap-ms", &Faults::doubleGapMs, 0, 600000, "milliseconds"},
      {"--hang-up-ms", &Faults::hangUpMs, 0, 3600000, "milliseconds"},
  };
  for (const RangeOption& option : kRanges) {
    if (name != option.name) continue;
    if (!ParseInRange(value, option.least, option.most, &(faults.*option.field))) {
      *error = name + " wants " + option.what + ", not '" + value + "'";
    }
    return true;
  }
  if (name == "--hang-up-after-logo-row") {
    int row = 0;
    if (!ParseInRange(value, 0, 100000, &row)) {
      *error = name + " wants a row number, not '" + value + "'";
    } else {
      faults.hangUpAfterLogoRow = row;
    }
    return true;
  }
  return false;
}

bool IsPortName(const std::string& text) {
  return text.size() == 4 && text.compare(0, 3, "COM") == 0 && text[3] >= '1' && text[3] <= '9';
}

}  // namespace

std::string UsageText() {
  return "Usage: orvex-sim [options]\n"
         "Serves a simulated Orvex ticket printer on a pseudo-terminal and links it as\n"
         "$XDG_CONFIG_HOME/orvex-tool/ports/COMn (default ~/.config/orvex-tool/ports/).\n"
         "\n"
         "  --port COMn               port name to serve, COM1..COM9 (default COM1)\n"
         "  --variant 20|18|silent    answer to the variant query: 20-symbol printer\n"
         "                            (default), 18-symbol printer, or no answer\n"
         "  --out-of-paper            test prints, reports and searches report no paper\n"
         "  --stop-ack-after-row N    logo downloads: acknowledge the header and rows\n"
         "                            1..N only (0: not even the header)\n"
         "  --erase-reports-first     send the record-maintenance run before the erase\n"
         "                            result instead of after it\n"
         "  --records FROM:TO|none    stored day records, dates as YYYY-MM-DD\n"
         "                            (default 2005-03-01:2005-03-31)\n"
         "  --seed N                  seed for the day records (default 1)\n"
         "\n"
         "Faults (N: how many of the coming replies, or 'all'; a reply is the first\n"
         "burst a command is answered with, logo acknowledgements included):\n"
         "  --drop-replies N          send no reply\n"
         "  --garbage-replies N       send random bytes instead of the reply\n"
         "  --garbage-length L        ... this many (default 8)\n"
         "  --maintenance-runs N      send a record-maintenance run (0x77 0x11, 0x22,\n"
         "                            0x33) ahead of the reply\n"
         "  --burst-replies N         fill the reply up to one long burst\n"
         "  --burst-length L          ... of this many bytes (default 30000)\n"
         "  --split-replies N         send the reply in two parts with a silence\n"
         "  --split-after K           ... after its first K bytes (default 1)\n"
         "  --split-gap-ms MS         ... of MS milliseconds (default 120)\n"
         "  --double-replies N        send the reply a second time\n"
         "  --double-gap-ms MS        ... MS milliseconds after the first (default 150)\n"
         "  --fault-every N           only every N-th reply meets the faults above\n"
         "                            (default 1)\n"
         "  --hang-up-after-logo-row N\n"
         "                            once row N of a logo download has come (0: its\n"
         "                            header), close the line: the port hangs up and\n"
         "                            is served anew on a new pseudo-terminal after\n"
         "  --hang-up-ms MS           ... MS milliseconds (default 100000); the\n"
         "                            printer announces itself when it is opened again\n"
         "\n"
         "  --trace                   print every byte received and sent to stderr\n"
         "  --logo-dir DIR            write stored logos as DIR/logo1.pbm ... logo3.pbm\n"
         "  --state-file PATH         rewrite PATH with the printer's state after each\n"
         "                            command\n"
         "  --byte-times PATH         write the moment each byte from the tool was read\n"
         "                            (CLOCK_MONOTONIC, ns) to PATH, one a line\n"
         "  --help                    show this text\n"
         "  --version                 show the version\n";
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine result;
  SimConfig& config = result.config;
  auto fail = [&result](const std::string& message) {
    result.action = ParsedCommandLine::Action::Error;
    result.error = message;
    return result;
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inlineValue;
    const std::size_t equals = name.find('=');
    if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
      inlineValue = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    const bool takesValue =
        std::find(kValueOptions.begin(), kValueOptions.end(), name) != kValueOptions.end();
    std::string value;
    if (takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return fail("option " + name + " needs a value");
      }
    } else if (inlineValue) {
      return fail("option " + name + " takes no value");
    }

    std::string faultError;
    if (ParseFaultOption(name, value, config.printer.faults, &faultError)) {
      if (!faultError.empty()) return fail(faultError);
      continue;
    }
    if (name == "--help" || name == "-h") {
      result.action = ParsedCommandLine::Action::Help;
      return result;
    } else if (name == "--version") {
      result.action = ParsedCommandLine::Action::Version;
      return result;
    } else if (name == "--port") {
      if (!IsPortName(value)) return fail("--port wants COM1..COM9, not '" + value + "'");
      config.port = value;
    } else if (name == "--variant") {
      if (value == "20") {
        config.printer.variant = Variant::Wide20;
      } else if (value == "18") {
        config.printer.variant = Variant::Narrow18;
      } else if (value == "silent") {
        config.printer.variant = Variant::Silent;
      } else {
        return fail("--variant wants 20, 18 or silent, not '" + value + "'");
      }
    } else if (name == "--out-of-paper") {
      config.printer.outOfPaper = true;
    } else if (name == "--erase-reports-first") {
      config.printer.eraseOrder = EraseOrder::ReportsFirst;
    } else if (name == "--stop-ack-after-row") {
      std::uint64_t row = 0;
      if (!ParseUnsigned(value, 100000, &row)) {
        return fail("--stop-ack-after-row wants a row number, not '" + value + "'");
      }
      config.printer.stopAckAfterRow = static_cast<int>(row);
    } else if (name == "--records") {
      if (!ParseRecordRange(value, &config.printer.records)) {
        return fail(
            "--records wants FROM:TO as YYYY-MM-DD:YYYY-MM-DD (FROM not after TO) or "
            "none, not '" +
            value + "'");
      }
    } else if (name == "--seed") {
      if (!ParseUnsigned(value, std::numeric_limits<std::uint64_t>::max(), &config.printer.seed)) {
        return fail("--seed wants a whole number, not '" + value + "'");
      }
    } else if (name == "--trace") {
      config.trace = true;
    } else if (name == "--logo-dir") {
      if (value.empty()) return fail("--logo-dir wants a folder");
      config.logoDir = value;
    } else if (name == "--state-file") {
      if (value.empty()) return fail("--state-file wants a path");
      config.stateFile = value;
    } else if (name == "--byte-times") {
      if (value.empty()) return fail("--byte-times wants a path");
      config.byteTimesFile = value;
    } else {
      return fail("unknown option '" + args[i] + "' (see --help)");
    }
  }
  return result;
}

}  // namespace orvex::sim
