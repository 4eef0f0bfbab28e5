#include "sim/tool/port_host.h"

#include <utility>

namespace orvex::sim {

std::optional<PortHost> PortHost::Open(const std::string& portName, std::string* error,
                                       std::string* warning) {
  PortHost host(portName);
  if (!host.Reopen(error, warning)) return std::nullopt;
  return host;
}

void PortHost::Close() {
  link_.reset();  // removes the link
  pty_.reset();   // closes the master: the slave side hangs up
}

bool PortHost::Reopen(std::string* error, std::string* warning) {
  Close();
  std::optional<PseudoTerminal> pty = PseudoTerminal::Open(error);
  if (!pty) return false;
  std::optional<PortLink> link = PortLink::Create(portName_, pty->slavePath(), error, warning);
  if (!link) return false;
  pty_.emplace(std::move(*pty));
  link_.emplace(std::move(*link));
  return true;
}

}  // namespace orvex::sim
