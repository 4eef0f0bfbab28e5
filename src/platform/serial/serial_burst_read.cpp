// The framed read: one burst of bytes without a gap of gapMs.

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/host/burst_framing.h"
#include "platform/serial/serial_port.h"

namespace orvex::platform {
namespace {

constexpr std::size_t kChunk = 4096;

// Appends what the port has queued, up to `room` bytes.
Fetched FetchQueued(int fd, std::vector<std::uint8_t>& out, std::size_t room) {
  const std::size_t before = out.size();
  out.resize(before + std::min(room, kChunk));
  ssize_t got = 0;
  do {
    got = read(fd, out.data() + before, out.size() - before);
  } while (got < 0 && errno == EINTR);
  out.resize(before + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
  if (got > 0) return Fetched::Bytes;
  if (got < 0 && errno == EAGAIN) return Fetched::Nothing;
  return Fetched::Gone;  // end of file, EIO after a hangup, or another hard error
}

}  // namespace

SerialPort::ReadStatus SerialPort::ReadBurst(std::vector<std::uint8_t>& out, std::size_t maxBytes,
                                             int gapMs, int waitMs) {
  out.clear();
  maxBytes = std::max<std::size_t>(maxBytes, 1);
  if (const auto early = ReadOfNoLine(fd_, wakeFd_, hungUp_, hangupReported_, waitMs)) {
    return *early;
  }

  bool gone = false;
  const ReadStatus status = FrameBurst(
      fd_, wakeFd_,
      [this](std::vector<std::uint8_t>& bytes, std::size_t room) {
        return FetchQueued(fd_, bytes, room);
      },
      out, maxBytes, gapMs, waitMs, false, gone);
  if (gone) MarkHungUp();
  if (status == ReadStatus::HungUp) hangupReported_ = true;
  return status;
}

}  // namespace orvex::platform
