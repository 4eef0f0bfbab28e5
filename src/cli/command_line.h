#pragma once
// orvex-provision's options.

#include <optional>
#include <string>
#include <vector>

#include "provision_run.h"

namespace orvex::provision {

// What the program exits with.
enum ExitStatus : int {
  kExitAllSucceeded = 0,     // every printer set up and verified
  kExitSomeFailed = 1,       // at least one printer failed; the others were finished
  kExitBadInput = 2,         // bad command line, setup file or port list: nothing was sent
  kExitInterrupted = 3,      // stopped by SIGINT or SIGTERM; the report says what was left undone
  kExitReportNotWritten = 4  // the printers were done, but the --json report could not be written
};

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action action = Action::Run;
  std::string error;  // for Action::Error

  std::string setupPath;
  std::vector<std::string> ports;
  ProvisionSettings settings;
  std::optional<std::string> jsonPath;
  bool plain = false;  // plain lines even on a terminal
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string UsageText();

}  // namespace orvex::provision
