#include "search_reply.h"

namespace orvex::test {

namespace {
void PutU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int k = 0; k < 4; ++k) {
    bytes[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>((value >> (8 * k)) & 0xFF);
  }
}
}  // namespace

std::vector<std::uint8_t> SearchReply(std::array<std::uint8_t, 3> begin,
                                      std::array<std::uint8_t, 3> end, std::uint8_t decimals,
                                      const std::vector<Day>& days,
                                      std::optional<std::array<std::uint8_t, 12>> serial) {
  std::vector<std::uint8_t> bytes = {begin[0], begin[1], begin[2], end[0],
                                     end[1],   end[2],   1,        decimals};
  for (const Day& day : days) {
    const std::size_t at = bytes.size();
    bytes.resize(at + 14);
    PutU32(bytes, at, day.coin);
    PutU32(bytes, at + 4, day.note);
    PutU32(bytes, at + 8, day.payout);
    bytes[at + 12] = static_cast<std::uint8_t>(day.tickets & 0xFF);
    bytes[at + 13] = static_cast<std::uint8_t>(day.tickets >> 8);
  }
  if (serial) {
    bytes.push_back(1);
    bytes.insert(bytes.end(), serial->begin(), serial->end());
    bytes.push_back(0);
  }
  return bytes;
}

}  // namespace orvex::test
