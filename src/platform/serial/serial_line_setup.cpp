#include "platform/serial/serial_line_setup.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>

namespace orvex::platform {

int ConfigureRawLine(int fd) {
  termios line{};
  if (tcgetattr(fd, &line) != 0) return errno;
  cfmakeraw(&line);
  line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP);
  line.c_iflag |= IGNBRK;
  line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  line.c_cflag |= CS8 | CLOCAL | CREAD;
  // Reads never block (O_NONBLOCK); poll() does the waiting.
  line.c_cc[VMIN] = 1;
  line.c_cc[VTIME] = 0;
  if (cfsetispeed(&line, B38400) != 0 || cfsetospeed(&line, B38400) != 0) return errno;
  if (tcsetattr(fd, TCSANOW, &line) != 0) return errno;
  return 0;
}

void RaiseModemLines(int fd) {
  int lines = TIOCM_DTR | TIOCM_RTS;
  (void)ioctl(fd, TIOCMBIS, &lines);
}

}  // namespace orvex::platform
