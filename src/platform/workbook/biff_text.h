#pragma once
// Cell and sheet-name text as the workbook file stores it: UTF-16 code units,
// kept to one byte a character when every character is in Latin-1.

#include <optional>
#include <string>
#include <string_view>

namespace orvex::platform::workbook {

struct BiffText {
  std::u16string units;
  bool compressed = true;  // every unit is below 0x100
};

// nullopt when the text is not valid UTF-8.
std::optional<BiffText> ToBiffText(std::string_view utf8);

}  // namespace orvex::platform::workbook
