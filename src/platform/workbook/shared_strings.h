#pragma once
// The shared string table of a workbook: every distinct cell text once, cells
// refer to it by index.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/workbook/biff_stream.h"
#include "platform/workbook/biff_text.h"

namespace orvex::platform::workbook {

class SharedStrings {
 public:
  // Index of the text, adding it when new. The text must be valid UTF-8.
  std::uint32_t Add(const std::string& utf8);

  // Index of a text added before.
  std::uint32_t Find(const std::string& utf8) const {
    const auto it = index_.find(utf8);
    return it == index_.end() ? 0 : it->second;
  }

  std::size_t Unique() const { return strings_.size(); }

  // SST with the CONTINUE records it needs, then EXTSST. Positions in the
  // stream are absolute, so the table must be written where it stays.
  void Write(BiffStream& out) const;

 private:
  std::unordered_map<std::string, std::uint32_t> index_;
  std::vector<BiffText> strings_;
  std::uint32_t references_ = 0;
};

}  // namespace orvex::platform::workbook
