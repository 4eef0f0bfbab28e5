// The framed read: one burst of bytes without a gap of gapMs.

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "serial/serial_port.h"

namespace orvex::platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr short kGone = POLLHUP | POLLERR | POLLNVAL;
constexpr std::size_t kChunk = 4096;

enum class Fetch { Bytes, Nothing, Gone };

// Appends what the port has queued, up to `room` bytes.
Fetch FetchQueued(int fd, std::vector<std::uint8_t>& out, std::size_t room) {
  const std::size_t before = out.size();
  out.resize(before + std::min(room, kChunk));
  ssize_t got = 0;
  do {
    got = read(fd, out.data() + before, out.size() - before);
  } while (got < 0 && errno == EINTR);
  out.resize(before + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
  if (got > 0) return Fetch::Bytes;
  if (got < 0 && errno == EAGAIN) return Fetch::Nothing;
  return Fetch::Gone;  // end of file, EIO after a hangup, or another hard error
}

// Rounded up, so that a wait never ends before the deadline.
int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

}  // namespace

SerialPort::ReadStatus SerialPort::ReadBurst(std::vector<std::uint8_t>& out, std::size_t maxBytes,
                                             int gapMs, int waitMs) {
  out.clear();
  maxBytes = std::max<std::size_t>(maxBytes, 1);
  const auto gap = std::chrono::milliseconds(std::max(gapMs, 0));

  if (hungUp_ && !hangupReported_) {
    hangupReported_ = true;
    return ReadStatus::HungUp;
  }
  if (fd_ < 0 || hungUp_) return WaitForWakeOnly(waitMs);

  // Wait for the first byte, for as long as it takes or up to waitMs.
  const auto until = Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  for (;;) {
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
    const int ready = poll(fds, 2, waitMs < 0 ? -1 : MillisecondsUntil(until));
    if (ready == 0 && waitMs >= 0 && Clock::now() >= until) return ReadStatus::TimedOut;
    if (ready < 0) {
      if (errno == EINTR) continue;
      MarkHungUp();  // the port cannot be watched: treat it as gone rather than retry
      hangupReported_ = true;
      return ReadStatus::HungUp;
    }
    if ((fds[0].revents & POLLIN) != 0 && ConsumeWake()) return ReadStatus::Woken;
    if (fds[1].revents == 0) continue;
    const Fetch first = FetchQueued(fd_, out, maxBytes);
    if (first == Fetch::Bytes) break;
    if (first == Fetch::Gone || (fds[1].revents & kGone) != 0) {
      MarkHungUp();
      hangupReported_ = true;
      return ReadStatus::HungUp;
    }
  }

  // The burst: keep reading until the line has been quiet for `gap`.
  auto lastByte = Clock::now();
  while (out.size() < maxBytes) {
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
    const int ready = poll(fds, 2, MillisecondsUntil(lastByte + gap));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0 && Clock::now() < lastByte + gap) continue;
    if (ready <= 0) break;                      // quiet for `gap`: the burst is complete
    if ((fds[0].revents & POLLIN) != 0) break;  // left pending: the next call says Woken
    const Fetch more = FetchQueued(fd_, out, maxBytes - out.size());
    if (more == Fetch::Bytes) {
      lastByte = Clock::now();
    } else if (more == Fetch::Gone || (fds[1].revents & kGone) != 0) {
      MarkHungUp();  // reported by the next call
      break;
    }
  }
  return ReadStatus::Data;
}

SerialPort::ReadStatus SerialPort::WaitForWakeOnly(int waitMs) {
  if (wakeFd_ < 0) return ReadStatus::HungUp;  // nothing to wait on; Open refuses this state
  const auto until = Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  for (;;) {
    pollfd wake{wakeFd_, POLLIN, 0};
    const int ready = poll(&wake, 1, waitMs < 0 ? -1 : MillisecondsUntil(until));
    if (ready == 0 && waitMs >= 0 && Clock::now() >= until) return ReadStatus::TimedOut;
    if (ready < 0 && errno != EINTR) return ReadStatus::HungUp;
    if ((wake.revents & POLLIN) != 0 && ConsumeWake()) return ReadStatus::Woken;
  }
}

}  // namespace orvex::platform
