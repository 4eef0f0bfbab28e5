#pragma once
// A pseudo-terminal standing for a serial device: the test keeps the
// printer's end (the master) and the code under test opens `path`.

#include <cstdint>
#include <span>
#include <string>

namespace orvex::test {

class PseudoTerminal {
 public:
  // `path` stays empty when no pseudo-terminal could be made.
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // The printer's end goes away: the device end hangs up.
  void Close();
  // Writes from the printer's end; false unless every byte went.
  bool Send(std::uint8_t byte) const;
  bool Send(std::span<const std::uint8_t> bytes) const;

  int master = -1;
  std::string path;
};

}  // namespace orvex::test
