#include "cli/json_writer.h"

#include <cstdio>

namespace orvex::cli {

namespace {

// Length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t Utf8Length(const std::string& text, std::size_t i) {
  const auto at = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = at(i);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (at(i + 1) < low || at(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      // Port names and file names come from outside and may be any bytes.
      const std::size_t length = Utf8Length(text, i);
      if (length == 0) {
        out += "\xEF\xBF\xBD";  // U+FFFD
        ++i;
      } else {
        out.append(text, i, length);
        i += length;
      }
      continue;
    }
    ++i;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string JsonField(const char* name, const std::string& jsonValue) {
  return JsonString(name) + ": " + jsonValue;
}

std::string JsonNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

const char* JsonBool(bool value) {
  return value ? "true" : "false";
}

void JsonWriter::Line(int depth, const std::string& text) {
  out_.append(static_cast<std::size_t>(depth) * 2, ' ');
  out_ += text;
  out_ += '\n';
}

void JsonWriter::Strings(int depth, const char* name, const std::vector<std::string>& items,
                         bool last) {
  if (items.empty()) {
    Line(depth, JsonField(name, "[]") + (last ? "" : ","));
    return;
  }
  Line(depth, JsonString(name) + ": [");
  for (std::size_t i = 0; i < items.size(); ++i) {
    Line(depth + 1, JsonString(items[i]) + (i + 1 < items.size() ? "," : ""));
  }
  Line(depth, std::string("]") + (last ? "" : ","));
}

void WritePrinterHead(JsonWriter& w, int depth, const PrinterRecord& p) {
  w.Line(depth, JsonField("port", JsonString(p.port)) + ",");
  w.Line(depth, JsonField("device", JsonString(p.device)) + ",");
  w.Line(depth, JsonField("online", JsonBool(p.online)) + ",");
  w.Line(depth, JsonField("variant", JsonString(VariantName(p.variant))) + ",");
  if (p.firmware) {
    w.Line(depth,
           JsonField("firmware",
                     "{" + JsonField("version", JsonString(p.firmware->version)) + ", " +
                         JsonField("checksums", "[" + JsonString(p.firmware->checksum1) + ", " +
                                                    JsonString(p.firmware->checksum2) + "]") +
                         "}") +
               ",");
  } else {
    w.Line(depth, JsonField("firmware", "null") + ",");
  }
}

void WritePrinterTail(JsonWriter& w, int depth, const PrinterRecord& p) {
  w.Line(depth, JsonField("result", JsonString(OutcomeName(p.outcome))) + ",");
  w.Line(depth, JsonField("reason", JsonString(p.reason)) + ",");
  w.Line(depth, JsonField("seconds", JsonNumber(p.seconds)) + ",");
  w.Strings(depth, "log", p.log, true);
}

}  // namespace orvex::cli
