#include "platform/net/net_problem.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>

namespace orvex::platform {
namespace {

const char* kRestart = "then restart the tool";

std::string Seconds(int ms) {
  return std::to_string((ms + 999) / 1000) + " s";
}

// "the link COM5" or "the address".
std::string WhereNamed(const PortDevice& port) {
  return port.source == PortSource::Link ? "the link " + port.comName : "the address";
}

PortProblem Problem(PortProblemKind kind, std::string reason, std::string cause, std::string fix) {
  PortProblem problem;
  problem.kind = kind;
  problem.reason = std::move(reason);
  problem.cause = std::move(cause);
  problem.fix = std::move(fix);
  return problem;
}

}  // namespace

PortProblem BadAddressProblem(const PortDevice& port) {
  PortProblem problem =
      Problem(PortProblemKind::BadAddress, "not a usable address: " + port.address.problem,
              port.device + " is not a usable address: " + port.address.problem,
              "Write it as rfc2217://HOST:PORT or tcp://HOST:PORT in " + WhereNamed(port) + ", " +
                  kRestart + ".");
  if (port.source == PortSource::Link)
    problem.more = "ln -sfn rfc2217://192.0.2.21:4001 " + port.link;
  return problem;
}

PortProblem UnresolvedProblem(const PortDevice& port, int error) {
  const std::string said = gai_strerror(error);
  const std::string& host = port.address.host;
  if (error == EAI_AGAIN) {
    return Problem(PortProblemKind::Unreachable, "name lookup failed: " + said,
                   "the name " + host + " could not be looked up now (" + said + ")",
                   "Check the network and its name server.");
  }
  if (error == EAI_NONAME || error == EAI_NODATA || error == EAI_FAIL) {
    return Problem(PortProblemKind::BadAddress, "name does not resolve: " + said,
                   "the name " + host + " does not resolve (" + said + ")",
                   "Check the host name in " + WhereNamed(port) +
                       " or use the device server's IP address, " + kRestart + ".");
  }
  return Problem(PortProblemKind::BadAddress, "name lookup failed: " + said,
                 "the name " + host + " could not be looked up (" + said + ")",
                 "Check the host name in " + WhereNamed(port) + ", " + kRestart + ".");
}

PortProblem ConnectProblem(const PortDevice& port, int error, int timeoutMs) {
  const std::string at = port.address.HostPort();
  const std::string check = "Check that the device server is on and serves this port.";
  switch (error) {
    case ECONNREFUSED:
      return Problem(PortProblemKind::Unreachable, "connection refused",
                     at + " refused the connection (nothing serves that port)", check);
    case ETIMEDOUT:
      return Problem(PortProblemKind::Unreachable, "no answer",
                     "no answer from " + at + " within " + Seconds(timeoutMs),
                     "Check the address, the network and that the device server is on.");
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
      return Problem(PortProblemKind::Unreachable, std::strerror(error),
                     at + " cannot be reached (" + std::string(std::strerror(error)) + ")",
                     "Check the address and the network.");
    default:
      return Problem(PortProblemKind::Unreachable, std::strerror(error),
                     std::string(std::strerror(error)) + " connecting to " + at, check);
  }
}

PortProblem DroppedProblem(const PortDevice& port) {
  return Problem(PortProblemKind::Unreachable, "connection closed by the server",
                 port.address.HostPort() + " closed the connection while it was being set up",
                 "The device server may be serving another client or may not reach its serial "
                 "port.");
}

PortProblem NoRfc2217Problem(const PortDevice& port) {
  return Problem(PortProblemKind::LineSettings, "the server does not do RFC 2217",
                 port.address.HostPort() + " does not take RFC 2217 line settings",
                 "Serve the port with RFC 2217 (ser2net: telnet(rfc2217)), or name it tcp://" +
                     port.address.HostPort() + " and set 38400 8N1 on the server; " + kRestart +
                     ".");
}

PortProblem SettingsRefusedProblem(const PortDevice& port, const std::string& what) {
  return Problem(
      PortProblemKind::LineSettings, "line settings refused: " + what,
      "the device server at " + port.address.HostPort() + " refused the line settings: " + what,
      "Let its port take 38400 8N1 without flow control, " + std::string(kRestart) + ".");
}

PortProblem SettingsUnansweredProblem(const PortDevice& port, int timeoutMs) {
  return Problem(PortProblemKind::LineSettings, "no answer to the line settings",
                 "the device server at " + port.address.HostPort() +
                     " did not answer the line settings within " + Seconds(timeoutMs),
                 "If it does not do RFC 2217, name it tcp://" + port.address.HostPort() +
                     " and set 38400 8N1 on the server; " + kRestart + ".");
}

}  // namespace orvex::platform
