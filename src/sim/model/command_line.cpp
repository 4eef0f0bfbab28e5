#include "model/command_line.h"

#include <cstdint>
#include <limits>

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
         "  --trace                   print every byte received and sent to stderr\n"
         "  --logo-dir DIR            write stored logos as DIR/logo1.pbm ... logo3.pbm\n"
         "  --state-file PATH         rewrite PATH with the printer's state after each\n"
         "                            command\n"
         "  --help                    show this text\n";
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
    const bool takesValue = name == "--port" || name == "--variant" ||
                            name == "--stop-ack-after-row" || name == "--records" ||
                            name == "--seed" || name == "--logo-dir" || name == "--state-file";
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

    if (name == "--help" || name == "-h") {
      result.action = ParsedCommandLine::Action::Help;
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
    } else {
      return fail("unknown option '" + args[i] + "' (see --help)");
    }
  }
  return result;
}

}  // namespace orvex::sim
