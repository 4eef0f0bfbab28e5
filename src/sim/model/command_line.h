#pragma once
// Command line of orvex-sim.

#include <optional>
#include <string>
#include <vector>

#include "sim/model/printer_options.h"

namespace orvex::sim {

struct SimConfig {
  std::string port = "COM1";
  PrinterOptions printer;
  bool trace = false;
  std::optional<std::string> logoDir;
  std::optional<std::string> stateFile;
  std::optional<std::string> byteTimesFile;
};

struct ParsedCommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  SimConfig config;
  std::string error;  // for Action::Error, one line
};

// args without the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

}  // namespace orvex::sim
