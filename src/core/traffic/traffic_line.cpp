#include "core/traffic/traffic_line.h"

#include <cstdio>

namespace orvex::core {

namespace {

// Bytes up to this count show no count of their own.
constexpr std::size_t kCountFrom = 17;

std::string Clock(const TimeOfDay& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", t.hour % 100, t.minute % 100,
                t.second % 100, t.millisecond % 1000);
  return text;
}

bool SameMoment(const TimeOfDay& a, const TimeOfDay& b) {
  return a.hour == b.hour && a.minute == b.minute && a.second == b.second &&
         a.millisecond == b.millisecond;
}

}  // namespace

std::string HexBytes(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::string FormatTrafficLine(const TrafficEntry& entry, const TimeOfDay& first,
                              const TimeOfDay& last, std::string_view port) {
  const std::string firstText = Clock(first);
  std::string line = firstText;
  if (entry.direction == TrafficDirection::Sent && !SameMoment(first, last)) {
    line += '-';
    line += Clock(last);
  } else {
    line.append(firstText.size() + 1, ' ');
  }
  if (!port.empty()) {
    line += ' ';
    line += port;
  }
  line += entry.direction == TrafficDirection::Sent ? " TX " : " RX ";

  const std::span<const std::uint8_t> bytes(entry.bytes);
  const bool shortened =
      entry.direction == TrafficDirection::Read && bytes.size() > 2 * kReadEdgeBytes;
  if (shortened) {
    line += HexBytes(bytes.first(kReadEdgeBytes));
    line += " ... ";
    line += HexBytes(bytes.last(kReadEdgeBytes));
  } else {
    line += HexBytes(bytes);
  }
  if (bytes.size() >= kCountFrom) line += " (" + std::to_string(bytes.size()) + " bytes)";
  line += " | ";
  line += entry.name;
  return line;
}

}  // namespace orvex::core
