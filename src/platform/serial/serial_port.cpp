// Opening, writing, waking and closing the printer port.

#include "platform/serial/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/serial/serial_line_setup.h"

namespace orvex::platform {

SerialPort::SerialPort() {
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

SerialPort::~SerialPort() {
  Close();
  if (wakeFd_ >= 0) close(wakeFd_);
}

SerialPort::OpenResult SerialPort::Open(const std::string& comName) {
  if (fd_ >= 0) return {false, "already open", {}, {}};
  return Open(PortNames().Lookup(comName));
}

SerialPort::OpenResult SerialPort::Open(const PortDevice& port) {
  const auto failed = [&port](PortProblem problem) {
    OpenResult result{false, problem.reason, port, std::move(problem)};
    return result;
  };
  if (fd_ >= 0) return {false, "already open", port, {}};
  if (wakeFd_ < 0) {
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) return failed(DiagnoseOpenFailure(errno, port));
  }
  if (!port.present()) return failed(NoDeviceProblem(port));
  if (port.isAddress()) return failed(NotSerialProblem(port));  // a device server's: PortLine
  // The kernel makes ttyS nodes for ports with nothing behind them; opening
  // one would seem to work and then fail every read.
  if (port.uartMissing()) return failed(NotSerialProblem(port));

  int fd = -1;
  do {
    fd = open(port.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return failed(DiagnoseOpenFailure(errno, port));

  // TIOCEXCL keeps other users out, but root passes it; the lock covers root
  // and any program that honours advisory locks.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    close(fd);  // before the look for the holder, which would find this one too
    return failed(DiagnoseOpenFailure(EBUSY, port));
  }
  if (!isatty(fd)) {
    close(fd);
    return failed(NotSerialProblem(port));
  }
  (void)ioctl(fd, TIOCEXCL);

  if (const int error = ConfigureRawLine(fd); error != 0) {
    close(fd);
    return failed(DiagnoseOpenFailure(error, port));
  }
  RaiseModemLines(fd);
  tcflush(fd, TCIFLUSH);

  fd_ = fd;
  hungUp_ = false;
  hangupReported_ = false;
  writeBudget_ = writeBound_;
  return {true, {}, port, {}};
}

bool SerialPort::IsOpen() const {
  return fd_ >= 0;
}

bool SerialPort::IsHungUp() const {
  return hungUp_;
}

void SerialPort::BeginRequest() {
  writeBudget_ = writeBound_;
}

SerialPort::WriteStatus SerialPort::WriteByte(std::uint8_t byte) {
  using Clock = std::chrono::steady_clock;
  if (fd_ < 0 || hungUp_) return WriteStatus::Gone;
  for (;;) {
    const ssize_t written = write(fd_, &byte, 1);
    if (written == 1) return WriteStatus::Written;
    if (written < 0 && errno == EINTR) continue;
    // Device gone: the reply timeout tells.
    if (written < 0 && errno != EAGAIN) return WriteStatus::Gone;
    // The line does not drain: wait, out of what is left of the request's
    // time, for it to take a byte again.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(writeBudget_);
    if (left.count() <= 0) return WriteStatus::Stalled;
    const auto start = Clock::now();
    pollfd out{fd_, POLLOUT, 0};
    const int ready = poll(&out, 1, static_cast<int>(left.count()));
    writeBudget_ -= Clock::now() - start;
    if (ready < 0 && errno != EINTR) return WriteStatus::Gone;
    if ((out.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return WriteStatus::Gone;
    if (ready == 0) writeBudget_ = Clock::duration::zero();
  }
}

void SerialPort::Wake() {
  if (wakeFd_ < 0) return;
  const std::uint64_t one = 1;
  // Only fails when the counter is near overflow: a wake is pending anyway.
  (void)!write(wakeFd_, &one, sizeof one);
}

void SerialPort::MarkHungUp() {
  hungUp_ = true;
}

void SerialPort::Close() {
  if (fd_ < 0) return;
  if (!hungUp_) tcflush(fd_, TCIFLUSH);
  close(fd_);  // also drops the lock and the exclusive mode
  fd_ = -1;
  hungUp_ = false;
  hangupReported_ = false;
}

}  // namespace orvex::platform
