#pragma once
// The byte stream of a workbook file: little-endian records of a 2-byte type,
// a 2-byte length and at most kMaxRecordData bytes of data.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/workbook/biff_text.h"

namespace orvex::platform::workbook {

constexpr std::size_t kMaxRecordData = 8224;

class BiffStream {
 public:
  // Absolute position of the next byte; the stream starts at 0.
  std::size_t Position() const { return bytes_.size(); }

  // Starts a record and returns its position; End() fills in its length.
  std::size_t Begin(std::uint16_t type);
  void End(std::size_t record);
  // Data bytes written into the record begun at `record` so far.
  std::size_t DataSize(std::size_t record) const { return bytes_.size() - record - 4; }

  void U8(std::uint8_t value) { bytes_.push_back(value); }
  void U16(std::uint16_t value);
  void U32(std::uint32_t value);
  void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  void Units(const std::u16string& units, std::size_t first, std::size_t count, bool compressed);
  // A string with a 1-byte character count (sheet and font names).
  void ShortString(const BiffText& text);

  void PatchU32(std::size_t at, std::uint32_t value);

  // A whole record of fixed data.
  void Record(std::uint16_t type, std::initializer_list<std::uint16_t> words);

  // False once a record outgrew kMaxRecordData.
  bool ok() const { return !overflowed_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
  bool overflowed_ = false;
};

}  // namespace orvex::platform::workbook
