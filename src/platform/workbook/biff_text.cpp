#include "platform/workbook/biff_text.h"

#include <cstdint>

namespace orvex::platform::workbook {

namespace {

// Decodes one code point at text[pos]; nullopt for a malformed sequence,
// an overlong form, a surrogate or a value past U+10FFFF.
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<std::uint8_t>(text[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int extra = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    value = lead & 0x1Fu;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    value = lead & 0x0Fu;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    value = lead & 0x07u;
    minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  if (pos + static_cast<std::size_t>(extra) >= text.size()) return std::nullopt;
  for (int k = 1; k <= extra; ++k) {
    const auto next = static_cast<std::uint8_t>(text[pos + static_cast<std::size_t>(k)]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    value = (value << 6) | (next & 0x3Fu);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return std::nullopt;
  }
  pos += static_cast<std::size_t>(extra) + 1;
  return value;
}

}  // namespace

std::optional<BiffText> ToBiffText(std::string_view utf8) {
  BiffText text;
  text.units.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto cp = NextCodePoint(utf8, pos);
    if (!cp) return std::nullopt;
    if (*cp >= 0x10000) {
      const char32_t v = *cp - 0x10000;
      text.units.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      text.units.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
      text.compressed = false;
    } else {
      text.units.push_back(static_cast<char16_t>(*cp));
      if (*cp > 0xFF) text.compressed = false;
    }
  }
  return text;
}

}  // namespace orvex::platform::workbook
