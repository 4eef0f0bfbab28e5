// The embedded spreadsheet: instances and workbooks, what a step sets, and
// the failures a caller gets for anything it does not offer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/workbook/embedded_spreadsheet.h"

namespace orvex::platform::workbook {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

template <typename Handle>
Handle HandleOf(const core::Obtained<Handle>& obtained) {
  EXPECT_TRUE(obtained.done) << obtained.failure;
  return obtained.handle;
}

void ExpectDone(const core::SpreadsheetResult& result) {
  EXPECT_TRUE(result.done) << result.failure;
}

class WorkbookSpreadsheetTest : public ::testing::Test {
 protected:
  WorkbookSpreadsheetTest() {
    char pattern[] = "/tmp/orvex-spreadsheet-XXXXXX";
    folder = mkdtemp(pattern);
  }
  ~WorkbookSpreadsheetTest() override { fs::remove_all(folder); }

  // Application and workbook, as the period report takes them.
  void Open() {
    app = HandleOf(excel.Start());
    book = HandleOf(excel.AddWorkbook(app));
  }
  const SheetContent& Sheet() const {
    const SheetContent* sheet = excel.SheetOf(book);
    EXPECT_NE(sheet, nullptr);
    static const SheetContent none;
    return sheet != nullptr ? *sheet : none;
  }
  std::string CellText(int row, int column) const {
    const auto& cells = Sheet().cells;
    const auto it = cells.find(CellKey(row - 1, column - 1));
    return it == cells.end() ? "<empty>" : it->second;
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder;
  EmbeddedSpreadsheet excel{"/unused/"};
  core::SpreadsheetApp app;
  core::WorkbookId book;
};

TEST_F(WorkbookSpreadsheetTest, StartAndAttach) {
  const core::Obtained<core::SpreadsheetApp> none = excel.Attach();
  EXPECT_FALSE(none.done);
  EXPECT_THAT(none.failure, HasSubstr("running"));

  const core::SpreadsheetApp first = HandleOf(excel.Start());
  EXPECT_EQ(HandleOf(excel.Attach()), first);
  const core::SpreadsheetApp second = HandleOf(excel.Start());
  EXPECT_NE(second, first) << "Start starts a new instance";
  EXPECT_EQ(excel.RunningInstances(), 2u);
  EXPECT_EQ(HandleOf(excel.Attach()), second) << "the latest one started";

  ExpectDone(excel.Quit(second));
  EXPECT_EQ(HandleOf(excel.Attach()), first);
  ExpectDone(excel.Quit(first));
  EXPECT_EQ(excel.RunningInstances(), 0u);
  EXPECT_FALSE(excel.Attach().done) << "none runs after both quit";
}

TEST_F(WorkbookSpreadsheetTest, WorkbooksOfAQuitInstanceAreGone) {
  Open();
  ExpectDone(excel.SetCell(book, 1, 1, "x"));
  const core::SpreadsheetApp other = HandleOf(excel.Start());
  ExpectDone(excel.Quit(app));
  const std::vector<core::SpreadsheetResult> steps = {
      excel.NameSheet(book, "x"),     excel.SetColumnWidth(book, 1, 10),
      excel.SetCell(book, 1, 1, "x"), excel.SaveAs(book, (folder / "gone.xls").string()),
      excel.CloseWorkbook(book),      excel.SetVisible(app, false),
      excel.AddWorkbook(app),         excel.Quit(app),
  };
  for (const core::SpreadsheetResult& gone : steps) {
    EXPECT_FALSE(gone.done);
    EXPECT_THAT(gone.failure, HasSubstr("no longer exists"));
  }
  EXPECT_EQ(excel.SheetOf(book), nullptr);
  EXPECT_FALSE(excel.Quit(app).done) << "no second Quit";
  EXPECT_TRUE(excel.AddWorkbook(other).done) << "the other instance is untouched";
  EXPECT_FALSE(excel.AddWorkbook(core::SpreadsheetApp{}).done);
  EXPECT_FALSE(excel.AddWorkbook(core::SpreadsheetApp{987654}).done);
  EXPECT_THAT(Files(), IsEmpty());
}

TEST_F(WorkbookSpreadsheetTest, WhatIsSetReadsBack) {
  Open();
  EXPECT_EQ(excel.Visible(app), false);
  ExpectDone(excel.SetVisible(app, true));
  EXPECT_EQ(excel.Visible(app), true);
  ExpectDone(excel.SetVisible(app, false));
  EXPECT_EQ(excel.Visible(app), false);

  EXPECT_EQ(Sheet().name, "Sheet1");
  ExpectDone(excel.NameSheet(book, "PERIOD REPORT"));
  EXPECT_EQ(Sheet().name, "PERIOD REPORT");

  EXPECT_THAT(Sheet().columnWidths, IsEmpty()) << "the standard width until one is set";
  ExpectDone(excel.SetColumnWidth(book, 1, 30));
  EXPECT_EQ(Sheet().columnWidths, (std::map<int, std::uint16_t>{{0, 30 * 256}}));

  EXPECT_EQ(CellText(4, 1), "<empty>");
  ExpectDone(excel.SetCell(book, 4, 1, "12.34"));
  EXPECT_EQ(CellText(4, 1), "12.34");
  EXPECT_EQ(CellText(1, 4), "<empty>") << "row and column are not swapped";
  ExpectDone(excel.SetCell(book, 4, 1, ""));
  EXPECT_EQ(CellText(4, 1), "<empty>");
  EXPECT_THAT(Sheet().cells, IsEmpty());

  // A second workbook has a sheet of its own.
  const core::WorkbookId book2 = HandleOf(excel.AddWorkbook(app));
  EXPECT_NE(book2, book);
  ASSERT_NE(excel.SheetOf(book2), nullptr);
  EXPECT_EQ(excel.SheetOf(book2)->name, "Sheet1");
  EXPECT_EQ(excel.OpenWorkbooks(), 2u);
}

TEST_F(WorkbookSpreadsheetTest, HandlesOfTheOtherKindNameNothing) {
  // Applications and workbooks never share an id: a handle made from the
  // other kind's id is refused, not taken for some other object.
  Open();
  const core::SpreadsheetApp bookAsApp{book.id};
  const core::WorkbookId appAsBook{app.id};
  struct Case {
    const char* what;
    core::SpreadsheetResult result;
  };
  const std::vector<Case> cases = {
      {"workbook as application, visible", excel.SetVisible(bookAsApp, false)},
      {"workbook as application, add", excel.AddWorkbook(bookAsApp)},
      {"workbook as application, quit", excel.Quit(bookAsApp)},
      {"application as workbook, name", excel.NameSheet(appAsBook, "x")},
      {"application as workbook, width", excel.SetColumnWidth(appAsBook, 1, 10)},
      {"application as workbook, cell", excel.SetCell(appAsBook, 1, 1, "x")},
      {"application as workbook, save", excel.SaveAs(appAsBook, (folder / "a.xls").string())},
      {"application as workbook, close", excel.CloseWorkbook(appAsBook)},
      {"no workbook", excel.SetCell(core::WorkbookId{}, 1, 1, "x")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(c.result.done);
    EXPECT_THAT(c.result.failure,
                ::testing::AnyOf(HasSubstr("no longer exists"), HasSubstr("given")));
  }
  EXPECT_EQ(excel.RunningInstances(), 1u);
  EXPECT_EQ(excel.OpenWorkbooks(), 1u);
  EXPECT_THAT(Sheet().cells, IsEmpty());
  EXPECT_THAT(Files(), IsEmpty());
}

TEST_F(WorkbookSpreadsheetTest, PlacesWidthsAndNamesOutsideTheLimitsFail) {
  Open();
  struct Case {
    const char* what;
    core::SpreadsheetResult result;
    const char* says;
  };
  const std::vector<Case> cases = {
      {"cell row 0", excel.SetCell(book, 0, 1, "x"), "outside 1 to 65536"},
      {"cell row 65537", excel.SetCell(book, 65537, 1, "x"), "outside 1 to 65536"},
      {"cell column 0", excel.SetCell(book, 1, 0, "x"), "outside 1 to 256"},
      {"cell column 257", excel.SetCell(book, 1, 257, "x"), "outside 1 to 256"},
      {"width of column 0", excel.SetColumnWidth(book, 0, 30), "outside 1 to 256"},
      {"width of column 257", excel.SetColumnWidth(book, 257, 30), "outside 1 to 256"},
      {"width too wide", excel.SetColumnWidth(book, 1, 256), "0 to 255"},
      {"width negative", excel.SetColumnWidth(book, 1, -1), "0 to 255"},
      {"width not a number", excel.SetColumnWidth(book, 1, std::nan("")), "0 to 255"},
      {"SaveAs with an empty name", excel.SaveAs(book, ""), "name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(c.result.done);
    EXPECT_THAT(c.result.failure, HasSubstr(c.says));
  }
  EXPECT_THAT(Files(), IsEmpty());
  // A failed step changes nothing.
  EXPECT_THAT(Sheet().columnWidths, IsEmpty());
  EXPECT_THAT(Sheet().cells, IsEmpty());
  // The far corners are cells too.
  ExpectDone(excel.SetCell(book, 65536, 256, "last"));
  ExpectDone(excel.SetColumnWidth(book, 256, 255));
  ExpectDone(excel.SetColumnWidth(book, 1, 0));
}

TEST_F(WorkbookSpreadsheetTest, SheetNamesAndCellTextsAreChecked) {
  Open();
  const std::vector<std::string> badNames = {"",
                                             "a/b",
                                             "a:b",
                                             "what?",
                                             "[x]",
                                             "star*",
                                             "back\\slash",
                                             "'quoted'",
                                             std::string(32, 'n'),
                                             std::string("bad \xC3", 5)};
  for (const std::string& bad : badNames) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(excel.NameSheet(book, bad).done);
  }
  EXPECT_EQ(Sheet().name, "Sheet1");
  EXPECT_THAT(excel.NameSheet(book, std::string(32, 'n')).failure, HasSubstr("1 to 31 characters"));
  ExpectDone(excel.NameSheet(book, std::string(31, 'n')));
  ExpectDone(excel.NameSheet(book, "Отчёт"));

  const std::vector<std::string> badTexts = {"\xFF", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                             "ab\xE2\x82"};
  for (const std::string& bad : badTexts) {
    const core::SpreadsheetResult set = excel.SetCell(book, 1, 1, bad);
    EXPECT_FALSE(set.done);
    EXPECT_THAT(set.failure, HasSubstr("UTF-8"));
  }
  ExpectDone(excel.SetCell(book, 1, 1, std::string(32767, 'x')));
  const core::SpreadsheetResult tooLong = excel.SetCell(book, 1, 1, std::string(32768, 'x'));
  EXPECT_FALSE(tooLong.done);
  EXPECT_THAT(tooLong.failure, HasSubstr("at most 32767 characters"));
  // Characters count as UTF-16 units: 16384 emoji are 32768 units.
  std::string emoji;
  for (int k = 0; k < 16384; ++k) emoji += "😀";
  EXPECT_FALSE(excel.SetCell(book, 1, 1, emoji).done);
}

TEST_F(WorkbookSpreadsheetTest, SaveAsKeepsExistingFilesAndWritesWholeFilesOnly) {
  Open();
  ExpectDone(excel.SetCell(book, 1, 1, "saved"));
  const fs::path file = folder / "report.xls";
  ExpectDone(excel.SaveAs(book, file.string()));
  const auto firstSize = fs::file_size(file);
  // A name that is taken (two reports in one second) keeps its file; the
  // new one is numbered.
  ExpectDone(excel.SetCell(book, 2, 1, "more"));
  ExpectDone(excel.SaveAs(book, file.string()));
  ExpectDone(excel.SaveAs(book, file.string()));
  EXPECT_EQ(Files(), (std::vector<std::string>{"report (2).xls", "report (3).xls", "report.xls"}));
  EXPECT_EQ(fs::file_size(file), firstSize);

  // An OLE2 compound document.
  std::ifstream in(file, std::ios::binary);
  std::string magic(8, '\0');
  in.read(magic.data(), 8);
  EXPECT_EQ(magic, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
  EXPECT_EQ(fs::file_size(file) % 512, 0u);
  EXPECT_GE(fs::file_size(file), 4096u + 512u) << "the stream stays out of the mini stream";

  // Whatever holds the name stays as it is, a folder or a dangling link too.
  fs::create_directory(folder / "taken.xls");
  fs::create_symlink(folder / "nowhere", folder / "linked.xls");
  ExpectDone(excel.SaveAs(book, (folder / "taken.xls").string()));
  ExpectDone(excel.SaveAs(book, (folder / "linked.xls").string()));
  EXPECT_TRUE(fs::is_directory(folder / "taken.xls"));
  EXPECT_TRUE(fs::is_symlink(folder / "linked.xls"));
  EXPECT_FALSE(fs::exists(folder / "nowhere"));
  EXPECT_TRUE(fs::is_regular_file(folder / "taken (2).xls"));
  EXPECT_TRUE(fs::is_regular_file(folder / "linked (2).xls"));

  // A folder that does not exist fails, and no temporary file is left behind.
  const core::SpreadsheetResult noFolder =
      excel.SaveAs(book, (folder / "missing" / "x.xls").string());
  EXPECT_FALSE(noFolder.done);
  EXPECT_THAT(noFolder.failure, HasSubstr("cannot create a file"));
  EXPECT_EQ(Files(), (std::vector<std::string>{"linked (2).xls", "linked.xls", "report (2).xls",
                                               "report (3).xls", "report.xls", "taken (2).xls",
                                               "taken.xls"}));
}

TEST_F(WorkbookSpreadsheetTest, ClosingAWorkbookLetsGoOfItAndItsCells) {
  Open();
  for (int row = 1; row <= 100; ++row) ExpectDone(excel.SetCell(book, row, 1, "day"));
  EXPECT_EQ(excel.OpenWorkbooks(), 1u);
  EXPECT_EQ(Sheet().cells.size(), 100u);

  ExpectDone(excel.CloseWorkbook(book));
  EXPECT_EQ(excel.OpenWorkbooks(), 0u);
  EXPECT_EQ(excel.SheetOf(book), nullptr);
  EXPECT_THAT(excel.SetCell(book, 1, 1, "x").failure, HasSubstr("no longer exists"));
  EXPECT_FALSE(excel.CloseWorkbook(book).done) << "no second close";
  // The application stays, with room for the next workbook.
  EXPECT_EQ(excel.RunningInstances(), 1u);
  const core::WorkbookId next = HandleOf(excel.AddWorkbook(app));
  EXPECT_NE(next, book);
  ASSERT_NE(excel.SheetOf(next), nullptr);
  EXPECT_THAT(excel.SheetOf(next)->cells, IsEmpty());
  ExpectDone(excel.CloseWorkbook(next));
  EXPECT_EQ(excel.OpenWorkbooks(), 0u);
}

TEST_F(WorkbookSpreadsheetTest, SavedWorkbooksAreToldToTheListener) {
  std::vector<std::string> saved;
  excel.SetSavedListener([&saved](const std::string& path) { saved.push_back(path); });
  Open();
  const std::string first = (folder / "first.xls").string();
  ExpectDone(excel.SaveAs(book, first));
  EXPECT_EQ(saved, std::vector<std::string>{first});

  // A save that fails, or one refused before writing, is not told.
  EXPECT_FALSE(excel.SaveAs(book, (folder / "missing" / "a.xls").string()).done);
  EXPECT_FALSE(excel.SaveAs(book, "").done);
  EXPECT_EQ(saved, std::vector<std::string>{first});

  const std::string second = (folder / "second.xls").string();
  ExpectDone(excel.SaveAs(book, second));
  EXPECT_EQ(saved, (std::vector<std::string>{first, second}));
  // A taken name is told by the name the workbook got.
  ExpectDone(excel.SaveAs(book, first));
  EXPECT_EQ(saved, (std::vector<std::string>{first, second, (folder / "first (2).xls").string()}));
}

TEST_F(WorkbookSpreadsheetTest, ReportFolderGivenEndsInSlash) {
  EXPECT_EQ(EmbeddedSpreadsheet("/srv/reports").ReportFolder(), "/srv/reports/");
  EXPECT_EQ(EmbeddedSpreadsheet("/srv/reports/").ReportFolder(), "/srv/reports/");
}

}  // namespace
}  // namespace orvex::platform::workbook
