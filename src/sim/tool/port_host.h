#pragma once
// The served port: the pseudo-terminal and the link that names it. A line
// hang-up closes both, so that whoever holds the port sees it hang up, and
// serves the port anew on a fresh pseudo-terminal later.

#include <optional>
#include <string>

#include "sim/tool/port_link.h"
#include "sim/tool/pseudo_terminal.h"

namespace orvex::sim {

class PortHost {
 public:
  static std::optional<PortHost> Open(const std::string& portName, std::string* error,
                                      std::string* warning);

  bool serving() const { return pty_.has_value(); }
  // Only while serving().
  PseudoTerminal& pty() { return *pty_; }

  // Closes the pseudo-terminal and removes the link.
  void Close();
  // A new pseudo-terminal and link after Close(); false with the error when
  // either cannot be made (then nothing is served).
  bool Reopen(std::string* error, std::string* warning);

 private:
  explicit PortHost(std::string portName) : portName_(std::move(portName)) {}
  std::string portName_;
  std::optional<PseudoTerminal> pty_;
  std::optional<PortLink> link_;
};

}  // namespace orvex::sim
