#include "bitmaps.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace orvex::test {

namespace {
void Put16(std::string& s, std::size_t at, std::uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  Put16(s, at, v & 0xFFFF);
  Put16(s, at + 2, v >> 16);
}
}  // namespace

std::string MonoBmpBytes(int width, int height, std::uint8_t (*pattern)(int, int)) {
  const int rowBytes = ((width + 31) / 32) * 4;
  const std::uint32_t dataSize = static_cast<std::uint32_t>(rowBytes * height);
  std::string bytes(62 + dataSize, '\0');
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
  Put32(bytes, 10, 62);
  Put32(bytes, 14, 40);
  Put32(bytes, 18, static_cast<std::uint32_t>(width));
  Put32(bytes, 22, static_cast<std::uint32_t>(height));
  Put16(bytes, 26, 1);
  Put16(bytes, 28, 1);
  Put32(bytes, 34, dataSize);
  Put32(bytes, 46, 2);
  // Palette: index 0 black, index 1 white.
  Put32(bytes, 58, 0x00FFFFFF);
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < rowBytes; ++column) {
      bytes[static_cast<std::size_t>(62 + row * rowBytes + column)] =
          static_cast<char>(pattern(row, column));
    }
  }
  return bytes;
}

std::string PictureBmpBytes(const Picture& black, int height, const BmpLayout& layout) {
  const std::uint32_t offset = 14 + layout.headerSize + 8 + layout.gap;
  std::string bytes(offset + static_cast<std::size_t>(48 * height), '\0');
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
  Put32(bytes, 10, offset);
  Put32(bytes, 14, layout.headerSize);
  Put32(bytes, 18, 384);
  Put32(bytes, 22, static_cast<std::uint32_t>(layout.topDown ? -height : height));
  Put16(bytes, 26, 1);
  Put16(bytes, 28, 1);
  Put32(bytes, 34, static_cast<std::uint32_t>(48 * height));
  Put32(bytes, 46, 2);
  if (layout.headerSize >= 108) Put32(bytes, 70, 0x73524742);  // "sRGB"
  const std::size_t palette = 14 + layout.headerSize;
  Put32(bytes, palette, layout.palette[0]);
  Put32(bytes, palette + 4, layout.palette[1]);
  auto luma = [](std::uint32_t c) {
    return 299 * ((c >> 16) & 0xFF) + 587 * ((c >> 8) & 0xFF) + 114 * (c & 0xFF);
  };
  const bool blackIsOne = luma(layout.palette[1]) < luma(layout.palette[0]);
  for (int y = 0; y < height; ++y) {
    const int stored = layout.topDown ? y : height - 1 - y;
    for (int x = 0; x < 384; ++x) {
      if (black(x, y) == blackIsOne) {
        bytes[offset + static_cast<std::size_t>(stored * 48 + x / 8)] |=
            static_cast<char>(0x80 >> (x % 8));
      }
    }
  }
  return bytes;
}

std::vector<std::uint8_t> PrinterRows(const Picture& black, int height) {
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(48 * height), 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < 384; ++x) {
      auto& byte = rows[static_cast<std::size_t>(y * 48 + x / 8)];
      if (black(x, y)) byte = static_cast<std::uint8_t>(byte | (0x80 >> (x % 8)));
    }
  }
  return rows;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path TempFolder(const std::string& name) {
  auto folder =
      std::filesystem::temp_directory_path() / ("orvex-" + name + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

bool Run(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

}  // namespace orvex::test
