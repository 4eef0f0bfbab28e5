#pragma once
// Where orvex-fleet's period workbooks go and what they are called: one
// folder for the run, and a name per printer and period, so that neither
// two printers nor two periods ever meet in one file. The window's name (the
// moment of the export) would tell neither.

#include <string>
#include <utility>
#include <vector>

#include "core/records/record_search.h"
#include "core/records/spreadsheet.h"

namespace orvex::cli::fleet {

// The port as part of a file name: "COM3" stays, "/dev/ttyUSB0" becomes
// "dev_ttyUSB0"; anything but letters, digits, '.', '-' and '_' becomes '_'.
std::string PortFileStem(const std::string& port);
// "COM3_2005-03-01_2005-03-31_Orvex_Report.xls"
std::string PeriodWorkbookFileName(const std::string& port, const core::SearchPeriod& period);
// A line for each pair of ports whose workbooks would take one name.
std::vector<std::string> WorkbookNameClashes(const std::vector<std::string>& ports);

// The window's workbook writer, with its save given the fleet's name in the
// run's folder; every other step goes through as it came. The writer never
// replaces a file: a name that is taken gets " (2)" and so on.
class FleetWorkbook : public core::ForwardingSpreadsheet {
 public:
  FleetWorkbook(core::Spreadsheet& writer, std::string folder, std::string fileName)
      : writer_(writer), folder_(std::move(folder)), fileName_(std::move(fileName)) {}

  core::SpreadsheetResult SaveAs(core::WorkbookId book, const std::string&) override {
    return writer_.SaveAs(book, folder_ + fileName_);
  }
  std::string ReportFolder() override { return folder_; }

 private:
  core::Spreadsheet& Inner() override { return writer_; }

  core::Spreadsheet& writer_;
  std::string folder_;  // ends in '/'
  std::string fileName_;
};

}  // namespace orvex::cli::fleet
