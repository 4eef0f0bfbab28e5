#include "sim/model/logo_image.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace orvex::sim {

bool LogoImage::Dot(int x, int y) const {
  if (x < 0 || x >= kLogoWidthDots || y < 0 || y >= height) return false;
  const std::uint8_t byte = rows[static_cast<size_t>(y * (kLogoWidthDots / 8) + x / 8)];
  return (byte >> (7 - x % 8)) & 1;
}

std::string LogoImage::ToPbm() const {
  std::string out = "P4\n" + std::to_string(kLogoWidthDots) + " " + std::to_string(height) + "\n";
  out.append(rows.begin(), rows.end());
  return out;
}

bool WritePbmFile(const LogoImage& image, const std::string& path, std::string* error) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const std::string data = image.ToPbm();
  file.write(data.data(), static_cast<std::streamsize>(data.size()));
  file.close();
  if (!file) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace orvex::sim
