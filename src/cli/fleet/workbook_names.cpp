#include "cli/fleet/workbook_names.h"

#include <cstdio>
#include <map>

namespace orvex::cli::fleet {

namespace {

std::string Date(const core::CalendarDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

}  // namespace

std::string PortFileStem(const std::string& port) {
  std::string stem;
  for (char c : port) {
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-' || c == '_';
    stem += kept ? c : '_';
  }
  // A device path's leading '/' says nothing.
  while (!stem.empty() && stem.front() == '_') stem.erase(stem.begin());
  return stem.empty() ? "port" : stem;
}

std::string PeriodWorkbookFileName(const std::string& port, const core::SearchPeriod& period) {
  return PortFileStem(port) + "_" + Date(period.begin) + "_" + Date(period.end) +
         "_Orvex_Report.xls";
}

std::vector<std::string> WorkbookNameClashes(const std::vector<std::string>& ports) {
  std::vector<std::string> clashes;
  std::map<std::string, std::string> seen;  // stem -> first port
  for (const std::string& port : ports) {
    const auto [at, added] = seen.emplace(PortFileStem(port), port);
    if (!added) {
      clashes.push_back("the workbooks of " + at->second + " and " + port +
                        " would take one name (" + at->first + "_...): name one port otherwise");
    }
  }
  return clashes;
}

}  // namespace orvex::cli::fleet
