#include "report_json.h"

#include <cstdio>

namespace orvex::provision {

namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

const char* Bool(bool value) {
  return value ? "true" : "false";
}

class Writer {
 public:
  void Line(int depth, const std::string& text) {
    out_.append(static_cast<std::size_t>(depth) * 2, ' ');
    out_ += text;
    out_ += '\n';
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

std::string Field(const char* name, const std::string& jsonValue) {
  return JsonString(name) + ": " + jsonValue;
}

void WriteStrings(Writer& w, int depth, const char* name, const std::vector<std::string>& items,
                  bool last) {
  if (items.empty()) {
    w.Line(depth, Field(name, "[]") + (last ? "" : ","));
    return;
  }
  w.Line(depth, JsonString(name) + ": [");
  for (std::size_t i = 0; i < items.size(); ++i) {
    w.Line(depth + 1, JsonString(items[i]) + (i + 1 < items.size() ? "," : ""));
  }
  w.Line(depth, std::string("]") + (last ? "" : ","));
}

void WritePrinter(Writer& w, const PrinterReport& p, bool last) {
  w.Line(2, "{");
  w.Line(3, Field("port", JsonString(p.port)) + ",");
  w.Line(3, Field("device", JsonString(p.device)) + ",");
  w.Line(3, Field("online", Bool(p.online)) + ",");
  w.Line(3, Field("variant", p.variant.empty() ? "null" : JsonString(p.variant)) + ",");
  if (p.firmware) {
    w.Line(3,
           Field("firmware", "{" + Field("version", JsonString(p.firmware->version)) + ", " +
                                 Field("checksums", "[" + JsonString(p.firmware->checksum1) + ", " +
                                                        JsonString(p.firmware->checksum2) + "]") +
                                 "}") +
               ",");
  } else {
    w.Line(3, Field("firmware", "null") + ",");
  }
  w.Line(3, "\"steps\": [");
  for (std::size_t i = 0; i < p.steps.size(); ++i) {
    const StepRecord& s = p.steps[i];
    w.Line(4, "{" + Field("step", std::to_string(s.number)) + ", " +
                  Field("name", JsonString(s.name)) + ", " + Field("result", JsonString(s.result)) +
                  ", " + Field("detail", JsonString(s.detail)) + ", " +
                  Field("seconds", Number(s.seconds)) + "}" + (i + 1 < p.steps.size() ? "," : ""));
  }
  w.Line(3, "],");
  if (p.checks.empty()) {
    w.Line(3, "\"verification\": [],");
  } else {
    w.Line(3, "\"verification\": [");
    for (std::size_t i = 0; i < p.checks.size(); ++i) {
      const CheckRecord& c = p.checks[i];
      w.Line(4, "{" + Field("item", JsonString(c.item)) + ", " +
                    Field("result", JsonString(c.result)) + ", " +
                    Field("sent", JsonString(c.sent)) + ", " + Field("read", JsonString(c.read)) +
                    "}" + (i + 1 < p.checks.size() ? "," : ""));
    }
    w.Line(3, "],");
  }
  w.Line(3, Field("result", JsonString(OutcomeName(p.outcome))) + ",");
  w.Line(3, Field("reason", JsonString(p.reason)) + ",");
  w.Line(3, Field("seconds", Number(p.seconds)) + ",");
  WriteStrings(w, 3, "log", p.log, true);
  w.Line(2, std::string("}") + (last ? "" : ","));
}

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

std::string ReportJson(const RunReport& run) {
  Writer w;
  w.Line(0, "{");
  w.Line(1, Field("program", JsonString("orvex-provision")) + ",");
  w.Line(1, Field("version", JsonString(run.version)) + ",");
  w.Line(1, Field("setup", JsonString(run.setupPath)) + ",");
  w.Line(1, Field("started", JsonString(run.started)) + ",");
  w.Line(1, Field("options", "{" + Field("erase_records", Bool(run.eraseRecords)) + ", " +
                                 Field("set_clock", Bool(run.setClock)) + ", " +
                                 Field("probe", Bool(run.probe)) + "}") +
                ",");
  w.Line(1, Field("interrupted", Bool(run.interrupted)) + ",");
  w.Line(1, Field("exit_status", std::to_string(run.exitStatus)) + ",");
  w.Line(1, "\"printers\": [");
  for (std::size_t i = 0; i < run.printers.size(); ++i) {
    WritePrinter(w, run.printers[i], i + 1 == run.printers.size());
  }
  w.Line(1, "]");
  w.Line(0, "}");
  return w.Take();
}

}  // namespace orvex::provision
