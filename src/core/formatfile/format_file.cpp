#include "core/formatfile/format_file.h"

#include <algorithm>
#include <cstdint>

#include "core/text/cp1252.h"

namespace orvex::core {

namespace {

// Marks a logo line whose path is stored as UTF-8 (see LogoPathToLine). In
// Windows-1252 these bytes read "ï»¿", which no real path starts with.
constexpr std::string_view kUtf8Marker = "\xEF\xBB\xBF";

// Length of the UTF-8 sequence that starts with this byte; 1 for a stray byte.
std::size_t SequenceLength(std::uint8_t lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

// A multiplier or decimal text outside Windows-1252 is no whole number
// anyway; its foreign characters are written as '?', as Windows does, and
// it stays no whole number when read back.
std::string MultiplierToLine(const std::string& utf8) {
  if (auto exact = Utf8ToCp1252(utf8)) return *exact;
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t length = SequenceLength(static_cast<std::uint8_t>(utf8[i]));
    const auto one = Utf8ToCp1252(std::string_view(utf8).substr(i, length));
    out += one ? *one : "?";
    i += length;
  }
  return out;
}

}  // namespace

std::string LogoPathToLine(const std::string& path) {
  // A path that Windows-1252 can spell is written in it, so that the file
  // reads the same on a Windows PC. Any other path (a Linux file name may
  // hold any character, or bytes that are no UTF-8 at all) is written as its
  // raw bytes behind the UTF-8 byte order mark; on a Windows PC such a line
  // names no file and gives "Can't find logo .." instead of a wrong logo.
  if (auto line = Utf8ToCp1252(path); line && !line->starts_with(kUtf8Marker)) return *line;
  return std::string(kUtf8Marker) + path;
}

std::string LogoPathFromLine(const std::string& line) {
  if (line.starts_with(kUtf8Marker)) return line.substr(kUtf8Marker.size());
  return Cp1252ToUtf8(line);
}

FormatFile FormatFile::FromSetup(const TicketSetup& setup) {
  // FieldAt hands out pointers for writing; a copy keeps the caller's setup
  // untouched by construction.
  TicketSetup copy = setup;
  FormatFile file;
  file.lines.reserve(kFormatFileLines);
  for (int index = 0; index < kFormatFileLines; ++index) {
    const FormatField field = FieldAt(copy, index);
    switch (field.type) {
      case FieldType::Radio:
        file.lines.push_back(std::to_string(*field.item));
        break;
      case FieldType::Check:
        file.lines.push_back(*field.check ? "1" : "0");
        break;
      case FieldType::Multiplier:
        file.lines.push_back(MultiplierToLine(*field.multiplier));
        break;
      case FieldType::TicketText:
        file.lines.push_back(field.line->text);
        break;
      case FieldType::Logo:
        file.lines.push_back(LogoPathToLine(copy.logos[field.slot - 1].path));
        break;
    }
  }
  return file;
}

FormatFile FormatFile::Parse(std::string_view bytes) {
  FormatFile file;
  std::string current;
  bool afterCr = false;
  for (char c : bytes) {
    if (afterCr) {
      afterCr = false;
      if (c == '\n') continue;  // the LF of a CR LF
    }
    if (c == '\r' || c == '\n') {
      file.lines.push_back(std::move(current));
      current.clear();
      afterCr = c == '\r';
    } else {
      current += c;
    }
  }
  if (!current.empty()) file.lines.push_back(std::move(current));
  return file;
}

std::string FormatFile::Bytes() const {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

std::optional<int> FormatFile::LineWithBreak() const {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find_first_of("\r\n") != std::string::npos) return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

std::optional<int> FormatFile::LineOverLimit() const {
  const std::size_t read = std::min(lines.size(), static_cast<std::size_t>(kFormatFileLines));
  for (std::size_t i = 0; i < read; ++i) {
    if (lines[i].size() > kMaxFormatLineBytes) return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

}  // namespace orvex::core
