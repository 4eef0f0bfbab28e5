#include "core/text/cp1252.h"

#include <cstdint>

namespace orvex::core {

namespace {

// Code points of 0x80 .. 0x9F.
constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::optional<char> EncodeCodePoint(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == cp) return static_cast<char>(0x80 + i);
  }
  return std::nullopt;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b < 0x80) {
      out += c;
    } else if (b < 0xA0) {
      AppendUtf8(out, kHigh[b - 0x80]);
    } else {
      AppendUtf8(out, b);
    }
  }
  return out;
}

std::optional<std::string> Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto b0 = static_cast<std::uint8_t>(utf8[i]);
    char32_t cp = 0;
    std::size_t extra = 0;
    if (b0 < 0x80) {
      cp = b0;
    } else if ((b0 & 0xE0) == 0xC0) {
      cp = b0 & 0x1F;
      extra = 1;
    } else if ((b0 & 0xF0) == 0xE0) {
      cp = b0 & 0x0F;
      extra = 2;
    } else if ((b0 & 0xF8) == 0xF0) {
      cp = b0 & 0x07;
      extra = 3;
    } else {
      return std::nullopt;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
      if (i + k >= utf8.size()) return std::nullopt;
      const auto b = static_cast<std::uint8_t>(utf8[i + k]);
      if ((b & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (b & 0x3F);
    }
    constexpr char32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra]) return std::nullopt;  // overlong form
    const auto encoded = EncodeCodePoint(cp);
    if (!encoded) return std::nullopt;
    out += *encoded;
    i += extra + 1;
  }
  return out;
}

}  // namespace orvex::core
