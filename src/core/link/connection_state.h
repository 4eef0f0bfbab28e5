#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/link/requests.h"

namespace orvex::core {

// Numbered as the printer link always numbered them: a test of "not zero"
// means "not online".
enum class LinkState : int { Online = 0, NotSeen = 1, Lost = 2 };

struct ConnectionState {
  LinkState linkState = LinkState::NotSeen;
  bool busy = false;
  bool identified = false;
  std::int32_t timeoutSeconds = 0;
  std::int32_t timeoutLine = 0;
  int identifyStep = 0;  // 1 after an announcement from NotSeen, 2 from Lost
  std::uint32_t identifyTicks = 0;
  bool wideSymbols = false;
  bool blockAck = false;
  bool cancelLogo = false;
  bool cancelBatch = false;
};

// What the stuck-state watch counts, in seconds (link/stuck_watch.h).
struct StuckWatchCounts {
  // Since the printer last sent anything, while busy is held by no request.
  std::int32_t silentSeconds = 0;
  // While a request is pending and the reply timeout is stopped.
  std::int32_t uncoveredSeconds = 0;
};

// The read framing: a read is one burst of bytes without a gap of 50 ms, of
// at most the receive buffer's size.
inline constexpr int kReadGapMs = 50;

// Every read overwrites the buffer from position 0; it is never cleared, so
// positions past the current read keep the bytes of earlier reads.
class ReceiveBuffer {
 public:
  static constexpr std::size_t kSize = 30000;

  // Copies one read in; returns how many bytes were taken (at most kSize).
  std::size_t Store(const std::uint8_t* data, std::size_t length);

  // Byte at a fixed position; positions outside the buffer read as 0.
  std::uint8_t At(std::size_t position) const {
    return position < kSize ? bytes_[position] : std::uint8_t{0};
  }
  std::uint8_t operator[](std::size_t position) const { return At(position); }
  std::uint16_t U16(std::size_t position) const {
    return static_cast<std::uint16_t>(At(position) | (At(position + 1) << 8));
  }
  std::uint32_t U32(std::size_t position) const {
    return static_cast<std::uint32_t>(At(position)) |
           (static_cast<std::uint32_t>(At(position + 1)) << 8) |
           (static_cast<std::uint32_t>(At(position + 2)) << 16) |
           (static_cast<std::uint32_t>(At(position + 3)) << 24);
  }
  std::size_t ReadLength() const { return readLength_; }

 private:
  std::array<std::uint8_t, kSize> bytes_{};
  std::size_t readLength_ = 0;
};

inline constexpr std::size_t kReadMaxBytes = ReceiveBuffer::kSize;

}  // namespace orvex::core
