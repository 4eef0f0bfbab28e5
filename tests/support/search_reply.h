#pragma once
// Record-search replies for tests: the header, one 14-byte record per day
// and an optional serial record.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace orvex::test {

struct Day {
  std::uint32_t coin = 0;
  std::uint32_t note = 0;
  std::uint32_t payout = 0;
  std::uint16_t tickets = 0;
};

// begin and end as year code, month, day; records follow (byte 6 = 1).
std::vector<std::uint8_t> SearchReply(std::array<std::uint8_t, 3> begin,
                                      std::array<std::uint8_t, 3> end, std::uint8_t decimals,
                                      const std::vector<Day>& days,
                                      std::optional<std::array<std::uint8_t, 12>> serial);

constexpr std::array<std::uint8_t, 12> kSerial = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2};

}  // namespace orvex::test
