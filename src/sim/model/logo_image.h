#pragma once
// A logo as the printer stores it: 384 dots wide, one 48-byte row per dot
// line, top row first, bit 1 = black dot, leftmost dot in the high bit.

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::sim {

inline constexpr int kLogoWidthDots = 384;

struct LogoImage {
  int height = 0;
  std::vector<std::uint8_t> rows;  // height * 48 bytes

  bool Dot(int x, int y) const;
  // Portable bitmap (P4): the same bit order and sense as the rows.
  std::string ToPbm() const;
};

// Writes the image as a PBM file; on failure returns false and sets *error.
bool WritePbmFile(const LogoImage& image, const std::string& path, std::string* error);

}  // namespace orvex::sim
