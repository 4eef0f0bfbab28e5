#include "platform/workbook/embedded_spreadsheet.h"

#include <cmath>

#include "platform/workbook/biff_text.h"
#include "platform/workbook/compound_file.h"
#include "platform/workbook/report_folder.h"
#include "platform/workbook/workbook_stream.h"

namespace orvex::platform::workbook {

namespace {

constexpr std::size_t kMaxCellUnits = 32767;
constexpr std::size_t kMaxSheetNameUnits = 31;
constexpr int kMaxColumnWidth = 255;
constexpr double kWidthUnitsPerCharacter = 256;

core::SpreadsheetResult Fail(std::string why) {
  return core::SpreadsheetResult::Failed(std::move(why));
}

// A row or column from 1 to limit.
std::optional<std::string> PlaceProblem(const char* what, int place, int limit) {
  if (place >= 1 && place <= limit) return std::nullopt;
  return std::string(what) + " " + std::to_string(place) + " is outside 1 to " +
         std::to_string(limit);
}

std::optional<std::string> SheetNameProblem(const std::string& name) {
  const auto text = ToBiffText(name);
  if (!text) return "the sheet name is not valid UTF-8";
  if (text->units.empty() || text->units.size() > kMaxSheetNameUnits) {
    return "a sheet name has 1 to " + std::to_string(kMaxSheetNameUnits) + " characters";
  }
  for (const char16_t c : text->units) {
    if (c == u':' || c == u'\\' || c == u'/' || c == u'?' || c == u'*' || c == u'[' || c == u']') {
      return "a sheet name cannot contain : \\ / ? * [ or ]";
    }
  }
  if (text->units.front() == u'\'' || text->units.back() == u'\'') {
    return "a sheet name cannot begin or end with an apostrophe";
  }
  return std::nullopt;
}

std::optional<std::string> CellTextProblem(const std::string& text) {
  const auto units = ToBiffText(text);
  if (!units) return "the cell text is not valid UTF-8";
  if (units->units.size() > kMaxCellUnits) {
    return "a cell holds at most " + std::to_string(kMaxCellUnits) + " characters";
  }
  return std::nullopt;
}

}  // namespace

EmbeddedSpreadsheet::EmbeddedSpreadsheet() = default;

EmbeddedSpreadsheet::EmbeddedSpreadsheet(std::string reportFolder) {
  if (reportFolder.empty() || reportFolder.back() != '/') reportFolder += '/';
  reportFolder_ = std::move(reportFolder);
}

std::string EmbeddedSpreadsheet::ReportFolder() {
  if (reportFolder_) return *reportFolder_;
  return DocumentsFolder(ProcessEnvironment());
}

EmbeddedSpreadsheet::Instance* EmbeddedSpreadsheet::Find(core::SpreadsheetApp app,
                                                         std::string& why) {
  if (app.empty()) {
    why = "no application given";
    return nullptr;
  }
  const auto it = instances_.find(app.id);
  if (it == instances_.end()) {
    why = "the application no longer exists";
    return nullptr;
  }
  return &it->second;
}

EmbeddedSpreadsheet::Workbook* EmbeddedSpreadsheet::Find(core::WorkbookId book, std::string& why) {
  if (book.empty()) {
    why = "no workbook given";
    return nullptr;
  }
  const auto it = workbooks_.find(book.id);
  if (it == workbooks_.end()) {
    why = "the workbook no longer exists";
    return nullptr;
  }
  return &it->second;
}

core::Obtained<core::SpreadsheetApp> EmbeddedSpreadsheet::Start() {
  const std::int64_t id = nextId_++;
  instances_[id] = Instance{};
  return core::SpreadsheetApp{id};
}

core::Obtained<core::SpreadsheetApp> EmbeddedSpreadsheet::Attach() {
  // The most recently started instance, as the running-object table has it.
  if (instances_.empty()) return Fail("no instance of the spreadsheet is running");
  return core::SpreadsheetApp{instances_.rbegin()->first};
}

core::SpreadsheetResult EmbeddedSpreadsheet::SetVisible(core::SpreadsheetApp app, bool visible) {
  std::string why;
  Instance* instance = Find(app, why);
  if (instance == nullptr) return Fail(why);
  instance->visible = visible;
  return core::SpreadsheetResult::Done();
}

core::Obtained<core::WorkbookId> EmbeddedSpreadsheet::AddWorkbook(core::SpreadsheetApp app) {
  std::string why;
  if (Find(app, why) == nullptr) return Fail(why);
  const std::int64_t id = nextId_++;
  workbooks_[id] = Workbook{app.id, {SheetContent{"Sheet1", {}, {}}}};
  return core::WorkbookId{id};
}

core::SpreadsheetResult EmbeddedSpreadsheet::NameSheet(core::WorkbookId book,
                                                       const std::string& name) {
  std::string why;
  Workbook* workbook = Find(book, why);
  if (workbook == nullptr) return Fail(why);
  if (const auto problem = SheetNameProblem(name)) return Fail(*problem);
  workbook->sheets.front().name = name;
  return core::SpreadsheetResult::Done();
}

core::SpreadsheetResult EmbeddedSpreadsheet::SetColumnWidth(core::WorkbookId book, int column,
                                                            double width) {
  std::string why;
  Workbook* workbook = Find(book, why);
  if (workbook == nullptr) return Fail(why);
  if (const auto problem = PlaceProblem("the column", column, kMaxColumns)) {
    return Fail(*problem);
  }
  if (!std::isfinite(width) || width < 0 || width > kMaxColumnWidth) {
    return Fail("a column width is 0 to " + std::to_string(kMaxColumnWidth));
  }
  workbook->sheets.front().columnWidths[column - 1] =
      static_cast<std::uint16_t>(std::lround(width * kWidthUnitsPerCharacter));
  return core::SpreadsheetResult::Done();
}

core::SpreadsheetResult EmbeddedSpreadsheet::SetCell(core::WorkbookId book, int row, int column,
                                                     const std::string& text) {
  std::string why;
  Workbook* workbook = Find(book, why);
  if (workbook == nullptr) return Fail(why);
  if (const auto problem = PlaceProblem("the row", row, kMaxRows)) return Fail(*problem);
  if (const auto problem = PlaceProblem("the column", column, kMaxColumns)) {
    return Fail(*problem);
  }
  if (const auto problem = CellTextProblem(text)) return Fail(*problem);
  auto& cells = workbook->sheets.front().cells;
  const auto key = CellKey(row - 1, column - 1);
  if (text.empty()) {
    cells.erase(key);
  } else {
    cells[key] = text;
  }
  return core::SpreadsheetResult::Done();
}

core::SpreadsheetResult EmbeddedSpreadsheet::SaveAs(core::WorkbookId book,
                                                    const std::string& path) {
  std::string why;
  const Workbook* workbook = Find(book, why);
  if (workbook == nullptr) return Fail(why);
  if (path.empty()) return Fail("no file name given");
  const auto stream = BuildWorkbookStream(workbook->sheets);
  if (!stream) return Fail("the workbook could not be laid out");
  // A taken name gets a number: the listener hears the name it got.
  std::string savedAs;
  if (const auto problem = WriteCompoundFile(path, "Workbook", *stream, &savedAs)) {
    return Fail(*problem);
  }
  if (savedListener_) savedListener_(savedAs);
  return core::SpreadsheetResult::Done();
}

core::SpreadsheetResult EmbeddedSpreadsheet::CloseWorkbook(core::WorkbookId book) {
  std::string why;
  if (Find(book, why) == nullptr) return Fail(why);
  workbooks_.erase(book.id);
  return core::SpreadsheetResult::Done();
}

core::SpreadsheetResult EmbeddedSpreadsheet::Quit(core::SpreadsheetApp app) {
  std::string why;
  if (Find(app, why) == nullptr) return Fail(why);
  // Unsaved workbooks go with the application.
  instances_.erase(app.id);
  std::erase_if(workbooks_, [&app](const auto& entry) { return entry.second.instance == app.id; });
  return core::SpreadsheetResult::Done();
}

std::optional<bool> EmbeddedSpreadsheet::Visible(core::SpreadsheetApp app) const {
  const auto it = instances_.find(app.id);
  if (it == instances_.end()) return std::nullopt;
  return it->second.visible;
}

const SheetContent* EmbeddedSpreadsheet::SheetOf(core::WorkbookId book) const {
  const auto it = workbooks_.find(book.id);
  return it == workbooks_.end() ? nullptr : &it->second.sheets.front();
}

}  // namespace orvex::platform::workbook
