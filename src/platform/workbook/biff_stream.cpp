#include "platform/workbook/biff_stream.h"

namespace orvex::platform::workbook {

std::size_t BiffStream::Begin(std::uint16_t type) {
  const std::size_t at = bytes_.size();
  U16(type);
  U16(0);
  return at;
}

void BiffStream::End(std::size_t record) {
  const std::size_t length = DataSize(record);
  // Callers split long data themselves; an oversized record would make the
  // whole file unreadable, so it spoils the stream instead.
  if (length > kMaxRecordData) overflowed_ = true;
  bytes_[record + 2] = static_cast<std::uint8_t>(length & 0xFF);
  bytes_[record + 3] = static_cast<std::uint8_t>(length >> 8);
}

void BiffStream::U16(std::uint16_t value) {
  bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
  bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
}

void BiffStream::U32(std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    bytes_.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
  }
}

void BiffStream::Units(const std::u16string& units, std::size_t first, std::size_t count,
                       bool compressed) {
  for (std::size_t i = first; i < first + count; ++i) {
    if (compressed) {
      U8(static_cast<std::uint8_t>(units[i]));
    } else {
      U16(static_cast<std::uint16_t>(units[i]));
    }
  }
}

void BiffStream::ShortString(const BiffText& text) {
  U8(static_cast<std::uint8_t>(text.units.size()));
  U8(text.compressed ? 0 : 1);
  Units(text.units, 0, text.units.size(), text.compressed);
}

void BiffStream::PatchU32(std::size_t at, std::uint32_t value) {
  for (int k = 0; k < 4; ++k) {
    bytes_[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>((value >> (8 * k)) & 0xFF);
  }
}

void BiffStream::Record(std::uint16_t type, std::initializer_list<std::uint16_t> words) {
  const std::size_t at = Begin(type);
  for (const std::uint16_t word : words) U16(word);
  End(at);
}

}  // namespace orvex::platform::workbook
