#pragma once
// The framed read every line keeps (SerialPort, NetLine): wait in poll() on
// the line's descriptor and its wake event, never spinning, then read one
// burst that ends when no byte has come for the gap or when the limit is in.
// The line's own fetch says what one read of its descriptor brought.

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/host/line.h"

namespace orvex::platform {

enum class Fetched { Bytes, Nothing, Gone };

// Rounded up, so that a wait never ends before the deadline.
inline int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
          .count();
  return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

inline bool ConsumeWake(int wakeFd) {
  std::uint64_t count = 0;
  return wakeFd >= 0 && read(wakeFd, &count, sizeof count) == sizeof count;
}

// For a line that is closed or gone: waits on the wake event alone.
inline Line::ReadStatus WaitForWakeOnly(int wakeFd, int waitMs) {
  using Clock = std::chrono::steady_clock;
  if (wakeFd < 0) return Line::ReadStatus::HungUp;  // nothing to wait on
  const auto until = Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  for (;;) {
    pollfd wake{wakeFd, POLLIN, 0};
    const int ready = poll(&wake, 1, waitMs < 0 ? -1 : MillisecondsUntil(until));
    if (ready == 0 && waitMs >= 0 && Clock::now() >= until) return Line::ReadStatus::TimedOut;
    if (ready < 0 && errno != EINTR) return Line::ReadStatus::HungUp;
    if ((wake.revents & POLLIN) != 0 && ConsumeWake(wakeFd)) return Line::ReadStatus::Woken;
  }
}

// What a read gets before any framing: the first read after a hang-up
// reports it, once; after that, and on a closed line, reads only wait for a
// wake. Nothing when the line is open and there is a burst to frame.
inline std::optional<Line::ReadStatus> ReadOfNoLine(int fd, int wakeFd, bool hungUp,
                                                    bool& hangupReported, int waitMs) {
  if (hungUp && !hangupReported) {
    hangupReported = true;
    return Line::ReadStatus::HungUp;
  }
  if (fd < 0 || hungUp) return WaitForWakeOnly(wakeFd, waitMs);
  return std::nullopt;
}

// One burst into `out`. fetch(out, room) appends what one read of fd brought,
// at most `room` bytes of the line. With `started`, out already holds the
// burst's first bytes and the wait for a first byte is skipped. When the line
// is found gone, `gone` is set: before any byte the call returns HungUp,
// after some it returns them as Data.
template <class Fetch>
Line::ReadStatus FrameBurst(int fd, int wakeFd, Fetch&& fetch, std::vector<std::uint8_t>& out,
                            std::size_t maxBytes, int gapMs, int waitMs, bool started, bool& gone) {
  using Clock = std::chrono::steady_clock;
  constexpr short kGone = POLLHUP | POLLERR | POLLNVAL;
  const auto gap = std::chrono::milliseconds(std::max(gapMs, 0));

  // Wait for the first byte, for as long as it takes or up to waitMs.
  const auto until = Clock::now() + std::chrono::milliseconds(std::max(waitMs, 0));
  while (!started) {
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {fd, POLLIN, 0}};
    const int ready = poll(fds, 2, waitMs < 0 ? -1 : MillisecondsUntil(until));
    if (ready == 0 && waitMs >= 0 && Clock::now() >= until) return Line::ReadStatus::TimedOut;
    if (ready < 0) {
      if (errno == EINTR) continue;
      gone = true;  // the line cannot be watched: treat it as gone rather than retry
      return Line::ReadStatus::HungUp;
    }
    if ((fds[0].revents & POLLIN) != 0 && ConsumeWake(wakeFd)) return Line::ReadStatus::Woken;
    if (fds[1].revents == 0) continue;
    const Fetched first = fetch(out, maxBytes);
    if (first == Fetched::Bytes) break;
    if (first == Fetched::Gone || (fds[1].revents & kGone) != 0) {
      gone = true;
      return Line::ReadStatus::HungUp;
    }
  }

  // The burst: keep reading until the line has been quiet for `gap`.
  auto lastByte = Clock::now();
  while (out.size() < maxBytes) {
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {fd, POLLIN, 0}};
    const int ready = poll(fds, 2, MillisecondsUntil(lastByte + gap));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0 && Clock::now() < lastByte + gap) continue;
    if (ready <= 0) break;                      // quiet for `gap`: the burst is complete
    if ((fds[0].revents & POLLIN) != 0) break;  // left pending: the next call says Woken
    const Fetched more = fetch(out, maxBytes - out.size());
    if (more == Fetched::Bytes) {
      lastByte = Clock::now();
    } else if (more == Fetched::Gone || (fds[1].revents & kGone) != 0) {
      gone = true;  // reported by the next call
      break;
    }
  }
  return Line::ReadStatus::Data;
}

}  // namespace orvex::platform
