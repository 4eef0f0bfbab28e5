#include "pseudo_terminal.h"

#include <pty.h>
#include <unistd.h>

namespace orvex::test {

PseudoTerminal::PseudoTerminal() {
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return;
  path = ttyname(slave);
  close(slave);
}

PseudoTerminal::~PseudoTerminal() {
  Close();
}

void PseudoTerminal::Close() {
  if (master >= 0) close(master);
  master = -1;
}

bool PseudoTerminal::Send(std::uint8_t byte) const {
  return write(master, &byte, 1) == 1;
}

bool PseudoTerminal::Send(std::span<const std::uint8_t> bytes) const {
  return write(master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

}  // namespace orvex::test
