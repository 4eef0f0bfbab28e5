#pragma once
// The ports named on the command line, resolved to devices before anything
// is sent: an unknown name or a device named twice stops the run.

#include <string>
#include <vector>

#include "cli/printer_worker.h"

namespace orvex::cli {

struct PortList {
  std::vector<PortChoice> ports;
  std::vector<std::string> problems;
};

// COM1..COM9 stand for what they stand for in orvex-tool (the platform's
// PortNames); a name starting with '/' is a device path; rfc2217://HOST:PORT
// and tcp://HOST:PORT are a device server's address (so may a COM name's
// link be). Addresses are not tried here: a server that does not answer
// fails its printer alone.
PortList ResolvePorts(const std::vector<std::string>& names);

}  // namespace orvex::cli
