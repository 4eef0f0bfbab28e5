#pragma once
// The --json report.

#include <string>
#include <vector>

#include "printer_report.h"

namespace orvex::provision {

struct RunReport {
  std::string version;
  std::string setupPath;
  std::string started;  // local time, YYYY-MM-DDTHH:MM:SS
  bool eraseRecords = false;
  bool setClock = true;
  bool probe = false;
  bool interrupted = false;
  int exitStatus = 0;
  std::vector<PrinterReport> printers;
};

std::string ReportJson(const RunReport& run);
// A JSON string literal: quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& text);

}  // namespace orvex::provision
