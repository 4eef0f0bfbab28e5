// Reading, writing and waking a device server's line.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/host/burst_framing.h"
#include "platform/net/net_line.h"

namespace orvex::platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kChunk = 4096;

}  // namespace

Fetched NetLine::FetchQueued(std::vector<std::uint8_t>& out, std::size_t room) {
  // At most `room` bytes off the socket: the line's bytes among them are
  // no more than that, so a burst never overruns its limit.
  std::uint8_t raw[kChunk];
  const std::size_t want = std::min(std::max<std::size_t>(room, 1), kChunk);
  ssize_t got = 0;
  do {
    got = recv(fd_, raw, want, MSG_DONTWAIT);
  } while (got < 0 && errno == EINTR);
  if (got == 0) return Fetched::Gone;  // the server closed the connection
  if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? Fetched::Nothing : Fetched::Gone;
  const std::span<const std::uint8_t> bytes(raw, static_cast<std::size_t>(got));
  if (mode_ != NetMode::Rfc2217) {
    out.insert(out.end(), bytes.begin(), bytes.end());
    return Fetched::Bytes;
  }
  const std::size_t before = out.size();
  telnet::Commands commands;
  decoder_.Feed(bytes, out, commands);
  Handle(commands);
  return out.size() > before ? Fetched::Bytes : Fetched::Nothing;
}

NetLine::ReadStatus NetLine::ReadBurst(std::vector<std::uint8_t>& out, std::size_t maxBytes,
                                       int gapMs, int waitMs) {
  out.clear();
  maxBytes = std::max<std::size_t>(maxBytes, 1);
  if (const auto early = ReadOfNoLine(fd_, wakeFd_, hungUp_, hangupReported_, waitMs)) {
    return *early;
  }

  // What came while the line was being set up (the printer's announcement,
  // say) is the start of this burst; a pending wake still comes first.
  const bool started = !pending_.empty();
  if (started) {
    if (WakePending() && ConsumeWake(wakeFd_)) return ReadStatus::Woken;
    const auto take = static_cast<std::ptrdiff_t>(std::min(pending_.size(), maxBytes));
    out.assign(pending_.begin(), pending_.begin() + take);
    pending_.erase(pending_.begin(), pending_.begin() + take);
  }
  bool gone = false;
  // Telnet commands alone fetch Nothing: they neither start nor extend a burst.
  const ReadStatus status = FrameBurst(
      fd_, wakeFd_,
      [this](std::vector<std::uint8_t>& bytes, std::size_t room) {
        return FetchQueued(bytes, room);
      },
      out, maxBytes, gapMs, waitMs, started, gone);
  if (gone) MarkHungUp();
  if (status == ReadStatus::HungUp) hangupReported_ = true;
  return status;
}

void NetLine::BeginRequest() {
  writeBudget_ = writeBound_;
}

NetLine::WriteStatus NetLine::WriteByte(std::uint8_t byte) {
  if (fd_ < 0 || hungUp_) return WriteStatus::Gone;
  std::uint8_t bytes[2] = {byte, byte};
  const std::size_t size = mode_ == NetMode::Rfc2217 && byte == telnet::kIac ? 2 : 1;
  return SendAll(bytes, size, writeBudget_);
}

void NetLine::SendCommand(const std::vector<std::uint8_t>& bytes) {
  Clock::duration budget = std::chrono::milliseconds(2000);
  // A command the socket does not take is lost with the connection: the
  // reads tell of that.
  (void)SendAll(bytes.data(), bytes.size(), budget);
}

NetLine::WriteStatus NetLine::SendAll(const std::uint8_t* bytes, std::size_t size,
                                      Clock::duration& budget) {
  const std::lock_guard lock(sendMutex_);
  std::size_t sent = 0;
  while (sent < size) {
    const ssize_t written = send(fd_, bytes + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (written > 0) {
      sent += static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return WriteStatus::Gone;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(budget);
    if (left.count() <= 0) {
      // Half a doubled 0xFF or of a command would garble all that follows:
      // the connection is given up, and the reader reports the hang-up.
      if (sent > 0) (void)shutdown(fd_, SHUT_RDWR);
      return WriteStatus::Stalled;
    }
    const auto start = Clock::now();
    pollfd out{fd_, POLLOUT, 0};
    const int ready = poll(&out, 1, static_cast<int>(left.count()));
    budget -= Clock::now() - start;
    if (ready < 0 && errno != EINTR) return WriteStatus::Gone;
    if ((out.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return WriteStatus::Gone;
    if (ready == 0) budget = Clock::duration::zero();
  }
  return WriteStatus::Written;
}

void NetLine::Wake() {
  if (wakeFd_ < 0) return;
  const std::uint64_t one = 1;
  (void)!write(wakeFd_, &one, sizeof one);
}

bool NetLine::WakePending() const {
  pollfd wake{wakeFd_, POLLIN, 0};
  return poll(&wake, 1, 0) > 0 && (wake.revents & POLLIN) != 0;
}

}  // namespace orvex::platform
