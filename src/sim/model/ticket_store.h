#pragma once
// Ticket formats as the printer stores them, and their line-by-line reading
// for tests and the state file.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex::sim {

enum class TicketKind { Coin = 0, Note = 1, Payout = 2 };
inline constexpr int kTicketLines = 10;
inline constexpr int kLineRecordBytes = 26;
inline constexpr int kLineTextBytes = 24;

enum class LineKind { Text, Logo1, Logo2, Logo3, Data, NotUsed, Security, Invalid };

struct LineDescription {
  LineKind kind = LineKind::Invalid;
  int size = 0;      // 1..3 for text, data and security lines; 0 where not sent
  int height = 0;    // 1 or 2; 0 when the attribute is out of range
  std::string text;  // the text bytes of a text line, as sent
  std::uint8_t attribute = 0;
  std::uint8_t lengthOrKind = 0;
  // What is wrong with the record, empty when it is well formed.
  std::string problem;
};

struct StoredTicket {
  std::uint8_t symbol = 0;
  // The ten 26-byte line records as received.
  std::array<std::uint8_t, kTicketLines * kLineRecordBytes> lines{};
  // Bytes 3-4 and 263-265 of the payload, zero in a proper download.
  std::array<std::uint8_t, 5> padding{};
};

// payload: the 266 bytes after ESC and the code byte.
StoredTicket DecodeTicket(const std::vector<std::uint8_t>& payload);
LineDescription DescribeLine(const std::uint8_t* record);
std::vector<LineDescription> DescribeTicket(const StoredTicket& ticket);

const char* TicketKindName(TicketKind kind);  // "coin", "note", "payout"
const char* LineKindName(LineKind kind);      // "text", "logo1", ...

}  // namespace orvex::sim
