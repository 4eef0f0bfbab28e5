#pragma once
// What a worksheet holds: its name, column widths and text cells.

#include <cstdint>
#include <map>
#include <string>

namespace orvex::platform::workbook {

constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;

// Cells ordered by row, then column (both 0-based).
constexpr std::uint32_t CellKey(int row, int column) {
  return (static_cast<std::uint32_t>(row) << 8) | static_cast<std::uint32_t>(column);
}
constexpr int CellRow(std::uint32_t key) {
  return static_cast<int>(key >> 8);
}
constexpr int CellColumn(std::uint32_t key) {
  return static_cast<int>(key & 0xFF);
}

struct SheetContent {
  std::string name;  // UTF-8
  // 0-based column -> width in 1/256 of a character.
  std::map<int, std::uint16_t> columnWidths;
  // CellKey -> UTF-8 text, never empty.
  std::map<std::uint32_t, std::string> cells;
};

}  // namespace orvex::platform::workbook
