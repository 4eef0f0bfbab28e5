#pragma once
// The setup to apply: a format file saved by orvex-tool, read the way the
// tool's "Load  Ticket  Format" reads it, but where the tool would show a
// message box and go on, this refuses the whole file.

#include <optional>
#include <string>
#include <vector>

#include "core/setup/ticket_setup.h"

namespace orvex::cli::provision {

struct SetupLoad {
  std::optional<core::TicketSetup> setup;  // set when the file can be applied as it is
  std::vector<std::string> problems;       // why not, one line each
};

SetupLoad LoadSetup(const std::string& path);

}  // namespace orvex::cli::provision
