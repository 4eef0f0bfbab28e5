#pragma once
// A spreadsheet application inside the tool's own process. It keeps its
// instances and their workbooks in memory and saves genuine Excel 97-2003
// workbooks.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/records/spreadsheet.h"
#include "platform/workbook/sheet_content.h"

namespace orvex::platform::workbook {

class EmbeddedSpreadsheet : public core::Spreadsheet {
 public:
  // Reports go into the user's documents folder.
  EmbeddedSpreadsheet();
  // Reports go into the folder given.
  explicit EmbeddedSpreadsheet(std::string reportFolder);

  core::Obtained<core::SpreadsheetApp> Start() override;
  core::Obtained<core::SpreadsheetApp> Attach() override;
  core::SpreadsheetResult SetVisible(core::SpreadsheetApp app, bool visible) override;
  core::Obtained<core::WorkbookId> AddWorkbook(core::SpreadsheetApp app) override;
  core::SpreadsheetResult NameSheet(core::WorkbookId book, const std::string& name) override;
  core::SpreadsheetResult SetColumnWidth(core::WorkbookId book, int column, double width) override;
  core::SpreadsheetResult SetCell(core::WorkbookId book, int row, int column,
                                  const std::string& text) override;
  // A name that is taken keeps its file: the workbook takes the first free
  // name of "stem (2).ext", "stem (3).ext", ...
  core::SpreadsheetResult SaveAs(core::WorkbookId book, const std::string& path) override;
  core::SpreadsheetResult CloseWorkbook(core::WorkbookId book) override;
  core::SpreadsheetResult Quit(core::SpreadsheetApp app) override;
  std::string ReportFolder() override;

  // Told the full path of each workbook that SaveAs has written, so the
  // window can say where it went.
  void SetSavedListener(std::function<void(const std::string& path)> listener) {
    savedListener_ = std::move(listener);
  }

  // Application instances started and not yet quit.
  std::size_t RunningInstances() const { return instances_.size(); }
  // Workbooks added and neither closed nor gone with their application.
  std::size_t OpenWorkbooks() const { return workbooks_.size(); }
  // What is there to see: nullopt for an instance or a workbook that is gone.
  std::optional<bool> Visible(core::SpreadsheetApp app) const;
  const SheetContent* SheetOf(core::WorkbookId book) const;

 private:
  struct Instance {
    bool visible = false;
  };
  struct Workbook {
    std::int64_t instance = 0;
    std::vector<SheetContent> sheets;  // one
  };

  // The instance or workbook a handle names; nullptr with the reason when
  // it names none.
  Instance* Find(core::SpreadsheetApp app, std::string& why);
  Workbook* Find(core::WorkbookId book, std::string& why);

  std::optional<std::string> reportFolder_;  // unset: chosen at each save
  std::function<void(const std::string& path)> savedListener_;
  // Instances and workbooks draw their ids from one count, so a handle of
  // one kind never names an object of the other.
  std::int64_t nextId_ = 1;
  std::map<std::int64_t, Instance> instances_;
  std::map<std::int64_t, Workbook> workbooks_;
};

}  // namespace orvex::platform::workbook
