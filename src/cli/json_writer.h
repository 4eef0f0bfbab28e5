#pragma once
// The JSON of both programs' reports: indented two blanks a level, one
// field or element per line where that reads well, and every string valid
// UTF-8 with its control characters escaped, whatever came from outside.

#include <string>
#include <vector>

#include "cli/printer_record.h"

namespace orvex::cli {

// A JSON string literal: quotes, backslashes and control characters
// escaped; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(const std::string& text);
// "name": value, where value is JSON already.
std::string JsonField(const char* name, const std::string& jsonValue);
// A number with three decimals.
std::string JsonNumber(double value);
const char* JsonBool(bool value);

class JsonWriter {
 public:
  void Line(int depth, const std::string& text);
  // "name": [ "a", "b" ], one string a line; `last` leaves the comma out.
  void Strings(int depth, const char* name, const std::vector<std::string>& items, bool last);
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

// The fields every printer has, at `depth`: port, device, online, variant
// and firmware first; result, reason, seconds and log last (log closes it).
void WritePrinterHead(JsonWriter& w, int depth, const PrinterRecord& p);
void WritePrinterTail(JsonWriter& w, int depth, const PrinterRecord& p);

}  // namespace orvex::cli
