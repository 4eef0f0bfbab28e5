#pragma once
// Small bitmap files for logo tests.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace orvex::test {

// A 1-bit BMP of the given size whose pixel rows (bottom row first, as
// stored) are filled by pattern(row, byteIndex).
std::string MonoBmpBytes(int width, int height, std::uint8_t (*pattern)(int row, int column));

// A picture by its black dots, (x, y) from the top left.
using Picture = std::function<bool(int x, int y)>;

// How a 1-bit bitmap file is laid out.
struct BmpLayout {
  std::uint32_t headerSize = 40;                                // 40, 108 (V4), 124 (V5)
  std::array<std::uint32_t, 2> palette = {0x000000, 0xFFFFFF};  // 0x00RRGGBB
  bool topDown = false;
  std::uint32_t gap = 0;  // bytes between the palette and the pixels
};

// A 384-wide 1-bit bitmap of the picture, laid out as given; a pixel takes
// the darker palette colour where the picture is black.
std::string PictureBmpBytes(const Picture& black, int height, const BmpLayout& layout);
// The rows the printer gets for the picture: top row first, bit 1 a black
// dot, the leftmost dot in the high bit.
std::vector<std::uint8_t> PrinterRows(const Picture& black, int height);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// A fresh empty folder under the system's temporary folder.
std::filesystem::path TempFolder(const std::string& name);

// Runs a shell command; true when it exits 0.
bool Run(const std::string& command);

}  // namespace orvex::test
