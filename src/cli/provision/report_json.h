#pragma once
// The --json report.

#include <string>
#include <vector>

#include "cli/json_writer.h"
#include "cli/provision/printer_report.h"

namespace orvex::cli::provision {

using cli::JsonString;

struct RunReport {
  std::string version;
  std::string setupPath;  // absolute
  std::string started;    // local time with its UTC offset, ISO 8601
  bool eraseRecords = false;
  bool setClock = true;
  bool probe = false;
  bool interrupted = false;
  int exitStatus = 0;
  std::vector<PrinterReport> printers;
};

std::string ReportJson(const RunReport& run);

}  // namespace orvex::cli::provision
