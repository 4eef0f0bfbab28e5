#pragma once
// Windows-1252, the code page that printers and format files set up from a
// Windows PC use for their texts.

#include <optional>
#include <string>
#include <string_view>

namespace orvex::core {

// Every byte maps to a character; the five bytes that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the
// same value, as Windows does.
std::string Cp1252ToUtf8(std::string_view bytes);

// nullopt when the text holds a character Windows-1252 cannot represent or is
// not valid UTF-8.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

}  // namespace orvex::core
