#pragma once
// The master side of a pseudo-terminal whose slave plays the printer's port.

#include <optional>
#include <string>

namespace orvex::sim {

class PseudoTerminal {
 public:
  // Opens a raw 38400 8N1 pty. The slave is opened and closed once, so that
  // the master reports a hang-up until the tool opens it.
  static std::optional<PseudoTerminal> Open(std::string* error);
  PseudoTerminal(PseudoTerminal&& other) noexcept;
  PseudoTerminal& operator=(PseudoTerminal&&) = delete;
  PseudoTerminal(const PseudoTerminal&) = delete;
  ~PseudoTerminal();

  int master() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }
  // True while no process holds the slave open.
  bool HungUp() const;
  // Drops bytes queued in either direction.
  void Flush() const;

 private:
  PseudoTerminal(int master, std::string slavePath)
      : master_(master), slavePath_(std::move(slavePath)) {}
  int master_ = -1;
  std::string slavePath_;
};

}  // namespace orvex::sim
