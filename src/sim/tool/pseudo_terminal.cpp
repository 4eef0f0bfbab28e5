#include "sim/tool/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace orvex::sim {

std::optional<PseudoTerminal> PseudoTerminal::Open(std::string* error) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master < 0) {
    *error = std::string("posix_openpt: ") + std::strerror(errno);
    return std::nullopt;
  }
  const char* name = nullptr;
  if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
    *error = std::string("cannot set up the pseudo-terminal: ") + std::strerror(errno);
    close(master);
    return std::nullopt;
  }
  PseudoTerminal pty(master, name);

  // Termios calls on the master act on the slave, and the settings stay for
  // as long as the master is open, across the tool's opens and closes.
  termios settings{};
  if (tcgetattr(master, &settings) == 0) {
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    cfsetispeed(&settings, B38400);
    cfsetospeed(&settings, B38400);
    tcsetattr(master, TCSANOW, &settings);
  }

  // Before its first open the slave does not count as hung up; after one
  // open and close it does, until someone opens it again.
  const int slave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave < 0) {
    *error = pty.slavePath_ + ": " + std::strerror(errno);
    return std::nullopt;
  }
  close(slave);
  return pty;
}

PseudoTerminal::PseudoTerminal(PseudoTerminal&& other) noexcept
    : master_(other.master_), slavePath_(std::move(other.slavePath_)) {
  other.master_ = -1;
}

PseudoTerminal::~PseudoTerminal() {
  if (master_ >= 0) close(master_);
}

bool PseudoTerminal::HungUp() const {
  pollfd fd{master_, 0, 0};
  if (poll(&fd, 1, 0) < 0) return false;
  return (fd.revents & POLLHUP) != 0;
}

void PseudoTerminal::Flush() const {
  tcflush(master_, TCIOFLUSH);
}

}  // namespace orvex::sim
