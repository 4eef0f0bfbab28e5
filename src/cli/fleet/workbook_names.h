#pragma once
// Where orvex-fleet's period workbooks go and what they are called: one
// folder for the run, and a name per printer and period, so that neither
// two printers nor two periods ever meet in one file. The window's name (the
// moment of the export) would tell neither.

#include <string>
#include <vector>

#include "records/automation.h"
#include "records/record_search.h"

namespace orvex::fleet {

// The port as part of a file name: "COM3" stays, "/dev/ttyUSB0" becomes
// "dev_ttyUSB0"; anything but letters, digits, '.', '-' and '_' becomes '_'.
std::string PortFileStem(const std::string& port);
// "COM3_2005-03-01_2005-03-31_Orvex_Report.xls"
std::string PeriodWorkbookFileName(const std::string& port, const SearchPeriod& period);
// A line for each pair of ports whose workbooks would take one name.
std::vector<std::string> WorkbookNameClashes(const std::vector<std::string>& ports);

// The window's workbook writer, with its "SaveAs" given the fleet's name in
// the run's folder; every other call goes through as it came. The writer
// never replaces a file: a name that is taken gets " (2)" and so on.
class FleetWorkbook : public Automation {
 public:
  FleetWorkbook(Automation& writer, std::string folder, std::string fileName)
      : writer_(writer), folder_(std::move(folder)), fileName_(std::move(fileName)) {}

  AutoResult Create(const std::string& progId) override { return writer_.Create(progId); }
  AutoResult Attach(const std::string& progId) override { return writer_.Attach(progId); }
  AutoResult Get(AutoObject object, const std::string& member,
                 const std::vector<AutoValue>& args) override {
    return writer_.Get(object, member, args);
  }
  AutoResult Put(AutoObject object, const std::string& member, const std::vector<AutoValue>& args,
                 const AutoValue& value) override {
    return writer_.Put(object, member, args, value);
  }
  AutoResult Call(AutoObject object, const std::string& member,
                  const std::vector<AutoValue>& args) override;
  std::string ReportFolder() override { return folder_; }

 private:
  Automation& writer_;
  std::string folder_;  // ends in '/'
  std::string fileName_;
};

}  // namespace orvex::fleet
