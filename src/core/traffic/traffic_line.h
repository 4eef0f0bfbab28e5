#pragma once
// One line of the traffic log:
//   14:05:09.120-14:05:09.130 TX 1D F9 | firmware query
//   14:05:09.260              RX 12 34 ... (19 bytes) | firmware reply
// A request shows the times of its first and last byte, a read the moment it
// was taken. Reads longer than 128 bytes show their first and last 64.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/traffic/traffic.h"

namespace orvex::core {

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

constexpr std::size_t kReadEdgeBytes = 64;

// "1D F9": upper-case pairs, one blank apart.
std::string HexBytes(std::span<const std::uint8_t> bytes);

// port, when given, follows the times ("... COM3 TX ..."): runs of the tool on
// several ports write into one day file.
std::string FormatTrafficLine(const TrafficEntry& entry, const TimeOfDay& first,
                              const TimeOfDay& last, std::string_view port = {});

}  // namespace orvex::core
