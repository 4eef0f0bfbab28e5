#pragma once
// The spreadsheet application that period reports are written with, as the
// report uses it: an application instance, a workbook in it with one
// worksheet, the sheet's name, column widths and cell texts, and saving.
// Every step can fail.

#include <cstdint>
#include <string>
#include <utility>

namespace orvex::core {

// Handles; id 0 is none.
struct SpreadsheetApp {
  std::int64_t id = 0;
  bool empty() const { return id == 0; }
  friend bool operator==(const SpreadsheetApp&, const SpreadsheetApp&) = default;
};
struct WorkbookId {
  std::int64_t id = 0;
  bool empty() const { return id == 0; }
  friend bool operator==(const WorkbookId&, const WorkbookId&) = default;
};

// How a step went: done, or failed with the reason (for logs and tests).
struct SpreadsheetResult {
  bool done = true;
  std::string failure;

  static SpreadsheetResult Done() { return {}; }
  static SpreadsheetResult Failed(std::string why) { return {false, std::move(why)}; }
};

// A step that gives a handle: the handle when done.
template <typename Handle>
struct Obtained : SpreadsheetResult {
  Handle handle{};

  Obtained() : SpreadsheetResult(Failed("nothing obtained yet")) {}
  // Implicit, so that a step returns its handle or its failure as it is.
  // A step that says it is done but gives no handle has failed.
  Obtained(Handle obtained)
      : SpreadsheetResult(obtained.empty() ? Failed("no handle given") : Done()),
        handle(obtained) {}
  Obtained(SpreadsheetResult failed)
      : SpreadsheetResult(failed.done ? Failed("no handle given") : std::move(failed)) {}
};

class Spreadsheet {
 public:
  virtual ~Spreadsheet() = default;

  // A new instance of the application.
  virtual Obtained<SpreadsheetApp> Start() = 0;
  // The instance that runs at this moment (the latest one started); fails
  // when none runs.
  virtual Obtained<SpreadsheetApp> Attach() = 0;
  virtual SpreadsheetResult SetVisible(SpreadsheetApp app, bool visible) = 0;
  // A new workbook of one worksheet.
  virtual Obtained<WorkbookId> AddWorkbook(SpreadsheetApp app) = 0;

  // The workbook's worksheet: its name, a column's width in characters, a
  // cell's text (an empty text empties it). Rows and columns count from 1.
  virtual SpreadsheetResult NameSheet(WorkbookId book, const std::string& name) = 0;
  virtual SpreadsheetResult SetColumnWidth(WorkbookId book, int column, double width) = 0;
  virtual SpreadsheetResult SetCell(WorkbookId book, int row, int column,
                                    const std::string& text) = 0;

  // Saves the workbook as an Excel 97-2003 workbook file under the path given.
  virtual SpreadsheetResult SaveAs(WorkbookId book, const std::string& path) = 0;
  // Closes the workbook without saving it.
  virtual SpreadsheetResult CloseWorkbook(WorkbookId book) = 0;
  // Ends the application instance; its workbooks go with it.
  virtual SpreadsheetResult Quit(SpreadsheetApp app) = 0;

  // The folder, ending in '/', that saved reports go into.
  virtual std::string ReportFolder() = 0;
};

// Passes every step to another spreadsheet, the one Inner() names; a
// subclass overrides only the steps it changes or watches.
class ForwardingSpreadsheet : public Spreadsheet {
 public:
  Obtained<SpreadsheetApp> Start() override { return Inner().Start(); }
  Obtained<SpreadsheetApp> Attach() override { return Inner().Attach(); }
  SpreadsheetResult SetVisible(SpreadsheetApp app, bool visible) override {
    return Inner().SetVisible(app, visible);
  }
  Obtained<WorkbookId> AddWorkbook(SpreadsheetApp app) override { return Inner().AddWorkbook(app); }
  SpreadsheetResult NameSheet(WorkbookId book, const std::string& name) override {
    return Inner().NameSheet(book, name);
  }
  SpreadsheetResult SetColumnWidth(WorkbookId book, int column, double width) override {
    return Inner().SetColumnWidth(book, column, width);
  }
  SpreadsheetResult SetCell(WorkbookId book, int row, int column,
                            const std::string& text) override {
    return Inner().SetCell(book, row, column, text);
  }
  SpreadsheetResult SaveAs(WorkbookId book, const std::string& path) override {
    return Inner().SaveAs(book, path);
  }
  SpreadsheetResult CloseWorkbook(WorkbookId book) override { return Inner().CloseWorkbook(book); }
  SpreadsheetResult Quit(SpreadsheetApp app) override { return Inner().Quit(app); }
  std::string ReportFolder() override { return Inner().ReportFolder(); }

 protected:
  virtual Spreadsheet& Inner() = 0;
};

// A spreadsheet on which every step fails, as on a machine with no
// spreadsheet application (orvex-provision, which exports nothing).
class NoSpreadsheet : public Spreadsheet {
 public:
  Obtained<SpreadsheetApp> Start() override { return Fail(); }
  Obtained<SpreadsheetApp> Attach() override { return Fail(); }
  SpreadsheetResult SetVisible(SpreadsheetApp, bool) override { return Fail(); }
  Obtained<WorkbookId> AddWorkbook(SpreadsheetApp) override { return Fail(); }
  SpreadsheetResult NameSheet(WorkbookId, const std::string&) override { return Fail(); }
  SpreadsheetResult SetColumnWidth(WorkbookId, int, double) override { return Fail(); }
  SpreadsheetResult SetCell(WorkbookId, int, int, const std::string&) override { return Fail(); }
  SpreadsheetResult SaveAs(WorkbookId, const std::string&) override { return Fail(); }
  SpreadsheetResult CloseWorkbook(WorkbookId) override { return Fail(); }
  SpreadsheetResult Quit(SpreadsheetApp) override { return Fail(); }
  std::string ReportFolder() override { return "/nonexistent/"; }

 private:
  static SpreadsheetResult Fail() {
    return SpreadsheetResult::Failed("no spreadsheet application");
  }
};

}  // namespace orvex::core
