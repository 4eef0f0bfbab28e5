#pragma once

#include <cstdint>
#include <vector>

namespace orvex::sim {

// One reply burst: bytes that leave the printer back to back, starting at atMs.
struct Burst {
  std::int64_t atMs = 0;
  std::vector<std::uint8_t> bytes;
};

}  // namespace orvex::sim
