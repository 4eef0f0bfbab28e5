#pragma once
// Why a device server's line did not open, in plain words, with the fix:
// the counterparts of port_problem for an address.

#include <string>

#include "platform/serial/port_names.h"
#include "platform/serial/port_problem.h"

namespace orvex::platform {

// The address is malformed (port.address.problem says how).
PortProblem BadAddressProblem(const PortDevice& port);
// getaddrinfo's answer `error` (EAI_*) for the address's host name.
PortProblem UnresolvedProblem(const PortDevice& port, int error);
// connect() failed with `error` (errno); ETIMEDOUT when no answer came
// within timeoutMs.
PortProblem ConnectProblem(const PortDevice& port, int error, int timeoutMs);
// The server closed the connection while the line was being set up.
PortProblem DroppedProblem(const PortDevice& port);
// The server refused the COM-PORT-OPTION: it is no RFC 2217 server.
PortProblem NoRfc2217Problem(const PortDevice& port);
// The server set other line settings than asked; `what` names them
// ("asked for 38400 baud, it set 9600").
PortProblem SettingsRefusedProblem(const PortDevice& port, const std::string& what);
// No answer to the line settings within timeoutMs.
PortProblem SettingsUnansweredProblem(const PortDevice& port, int timeoutMs);

}  // namespace orvex::platform
