#include "core/text/escaped_text.h"

#include <cstdint>

#include "core/text/cp1252.h"

namespace orvex::core {

namespace {

void AppendEscape(std::string& out, unsigned value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "\\x";
  out += kDigits[(value >> 4) & 0x0F];
  out += kDigits[value & 0x0F];
}

// The length of the valid UTF-8 sequence at the start of `text`, 0 when it
// is none (a stray continuation byte, a cut or overlong sequence).
std::size_t SequenceLength(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  // Overlong three- and four-byte forms, surrogates and code points past
  // U+10FFFF.
  if (lead == 0xE0 && byte(1) < 0xA0) return 0;
  if (lead == 0xED && byte(1) >= 0xA0) return 0;
  if (lead == 0xF0 && byte(1) < 0x90) return 0;
  if (lead == 0xF4 && byte(1) >= 0x90) return 0;
  return length;
}

}  // namespace

std::string EscapeControls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    const auto lead = static_cast<std::uint8_t>(utf8[0]);
    const std::size_t length = SequenceLength(utf8);
    if (length == 0) {
      AppendEscape(out, lead);
      utf8.remove_prefix(1);
      continue;
    }
    if (length == 1 && (lead < 0x20 || lead == 0x7F)) {
      AppendEscape(out, lead);
    } else if (length == 2 && lead == 0xC2 && static_cast<std::uint8_t>(utf8[1]) < 0xA0) {
      AppendEscape(out, static_cast<std::uint8_t>(utf8[1]));  // U+0080..U+009F
    } else {
      out.append(utf8.substr(0, length));
    }
    utf8.remove_prefix(length);
  }
  return out;
}

std::string LineTextToUtf8(std::string_view cp1252) {
  return EscapeControls(Cp1252ToUtf8(cp1252));
}

}  // namespace orvex::core
