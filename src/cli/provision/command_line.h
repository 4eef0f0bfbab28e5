#pragma once
// orvex-provision's options.

#include <optional>
#include <string>
#include <vector>

#include "cli/provision/provision_run.h"

namespace orvex::cli::provision {

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

}  // namespace orvex::cli::provision
