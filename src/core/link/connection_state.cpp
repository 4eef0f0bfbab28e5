#include "core/link/connection_state.h"

#include <algorithm>
#include <cstring>

namespace orvex::core {

std::size_t ReceiveBuffer::Store(const std::uint8_t* data, std::size_t length) {
  const std::size_t taken = std::min(length, kSize);
  if (taken > 0) std::memcpy(bytes_.data(), data, taken);
  readLength_ = taken;
  return taken;
}

}  // namespace orvex::core
