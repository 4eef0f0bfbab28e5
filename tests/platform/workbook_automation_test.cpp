// The embedded spreadsheet's object model: instances, objects, members and
// the failures a caller gets for anything it does not offer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "workbook/embedded_spreadsheet.h"

namespace orvex {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kProgId = "Excel.Application";

AutoObject ObjectOf(const AutoResult& result) {
  EXPECT_TRUE(result.ok) << result.error;
  const auto* object = std::get_if<AutoObject>(&result.value);
  EXPECT_NE(object, nullptr);
  return object == nullptr ? AutoObject{} : *object;
}

class WorkbookAutomationTest : public ::testing::Test {
 protected:
  WorkbookAutomationTest() {
    char pattern[] = "/tmp/orvex-automation-XXXXXX";
    folder = mkdtemp(pattern);
  }
  ~WorkbookAutomationTest() override { fs::remove_all(folder); }

  // Application, workbook and its first sheet, as the period report takes them.
  void Open() {
    app = ObjectOf(excel.Create(kProgId));
    books = ObjectOf(excel.Get(app, "Workbooks", {}));
    book = ObjectOf(excel.Call(books, "Add", {}));
    sheets = ObjectOf(excel.Get(book, "Worksheets", {}));
    sheet = ObjectOf(excel.Get(sheets, "Item", {std::int32_t{1}}));
  }
  AutoObject Cell(int row, int column) {
    return ObjectOf(excel.Get(sheet, "Cells", {std::int32_t{row}, std::int32_t{column}}));
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
  AutoObject app, books, book, sheets, sheet;
};

TEST_F(WorkbookAutomationTest, CreateAndAttach) {
  const AutoResult none = excel.Attach(kProgId);
  EXPECT_FALSE(none.ok);
  EXPECT_THAT(none.error, HasSubstr("running"));
  EXPECT_FALSE(excel.Create("Word.Application").ok);
  EXPECT_FALSE(excel.Attach("Word.Application").ok);

  const AutoObject first = ObjectOf(excel.Create(kProgId));
  EXPECT_EQ(ObjectOf(excel.Attach(kProgId)), first);
  const AutoObject second = ObjectOf(excel.Create(kProgId));
  EXPECT_NE(second, first) << "Create starts a new instance";
  EXPECT_EQ(excel.RunningInstances(), 2u);
  EXPECT_EQ(ObjectOf(excel.Attach(kProgId)), second) << "the latest one started";

  EXPECT_TRUE(excel.Call(second, "Quit", {}).ok);
  EXPECT_EQ(ObjectOf(excel.Attach(kProgId)), first);
  EXPECT_TRUE(excel.Call(first, "Quit", {}).ok);
  EXPECT_EQ(excel.RunningInstances(), 0u);
  EXPECT_FALSE(excel.Attach(kProgId).ok) << "none runs after both quit";
}

TEST_F(WorkbookAutomationTest, ObjectsOfAQuitInstanceAreGone) {
  Open();
  const AutoObject cell = Cell(1, 1);
  const AutoObject other = ObjectOf(excel.Create(kProgId));
  ASSERT_TRUE(excel.Call(app, "Quit", {}).ok);
  for (const AutoObject gone : {app, books, book, sheets, sheet, cell}) {
    SCOPED_TRACE(gone.id);
    const AutoResult get = excel.Get(gone, "Name", {});
    EXPECT_FALSE(get.ok);
    EXPECT_THAT(get.error, HasSubstr("no longer exists"));
    EXPECT_FALSE(excel.Put(gone, "Value", {}, std::string("x")).ok);
    EXPECT_FALSE(excel.Call(gone, "Quit", {}).ok);
  }
  EXPECT_FALSE(excel.Call(app, "Quit", {}).ok) << "no second Quit";
  EXPECT_TRUE(excel.Get(other, "Workbooks", {}).ok) << "the other instance is untouched";
  EXPECT_FALSE(excel.Get(AutoObject{}, "Workbooks", {}).ok);
  EXPECT_FALSE(excel.Get(AutoObject{987654}, "Workbooks", {}).ok);
}

TEST_F(WorkbookAutomationTest, PropertiesReadBack) {
  Open();
  EXPECT_EQ(std::get<bool>(excel.Get(app, "Visible", {}).value), false);
  ASSERT_TRUE(excel.Put(app, "Visible", {}, true).ok);
  EXPECT_EQ(std::get<bool>(excel.Get(app, "Visible", {}).value), true);

  EXPECT_EQ(std::get<std::int32_t>(excel.Get(sheets, "Count", {}).value), 1);
  EXPECT_EQ(std::get<std::string>(excel.Get(sheet, "Name", {}).value), "Sheet1");
  ASSERT_TRUE(excel.Put(sheet, "Name", {}, std::string("PERIOD REPORT")).ok);
  EXPECT_EQ(std::get<std::string>(excel.Get(sheet, "Name", {}).value), "PERIOD REPORT");

  const AutoObject column = ObjectOf(excel.Get(sheet, "Columns", {std::int32_t{1}}));
  EXPECT_DOUBLE_EQ(std::get<double>(excel.Get(column, "ColumnWidth", {}).value), 8.43);
  ASSERT_TRUE(excel.Put(column, "ColumnWidth", {}, std::int32_t{30}).ok);
  EXPECT_DOUBLE_EQ(std::get<double>(excel.Get(column, "ColumnWidth", {}).value), 30);

  // The same cell is the same object, however often it is asked for.
  const AutoObject cell = Cell(4, 1);
  EXPECT_EQ(Cell(4, 1), cell);
  EXPECT_NE(Cell(1, 4), cell);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(excel.Get(cell, "Value", {}).value));
  ASSERT_TRUE(excel.Put(cell, "Value", {}, std::string("12.34")).ok);
  EXPECT_EQ(std::get<std::string>(excel.Get(Cell(4, 1), "Value", {}).value), "12.34");
  ASSERT_TRUE(excel.Put(cell, "Value", {}, std::string()).ok);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(excel.Get(cell, "Value", {}).value));

  // A second workbook has sheets of its own.
  const AutoObject book2 = ObjectOf(excel.Call(books, "Add", {}));
  const AutoObject sheets2 = ObjectOf(excel.Get(book2, "Worksheets", {}));
  const AutoObject sheet2 = ObjectOf(excel.Get(sheets2, "Item", {std::int32_t{1}}));
  EXPECT_NE(sheet2, sheet);
  EXPECT_EQ(std::get<std::string>(excel.Get(sheet2, "Name", {}).value), "Sheet1");
}

TEST_F(WorkbookAutomationTest, UnknownMembersFail) {
  Open();
  const AutoObject column = ObjectOf(excel.Get(sheet, "Columns", {std::int32_t{1}}));
  const AutoObject cell = Cell(1, 1);
  struct Case {
    const char* what;
    AutoResult result;
  };
  const std::vector<Case> cases = {
      {"application get", excel.Get(app, "Foo", {})},
      {"application put", excel.Put(app, "Workbooks", {}, true)},
      {"application call", excel.Call(app, "Visible", {})},
      {"workbooks get", excel.Get(books, "Add", {})},
      {"workbook get", excel.Get(book, "Sheets", {})},
      {"workbook call", excel.Call(book, "Save", {})},
      {"worksheets call", excel.Call(sheets, "Item", {std::int32_t{1}})},
      {"worksheet get", excel.Get(sheet, "Range", {std::string("A1")})},
      {"worksheet put", excel.Put(sheet, "Columns", {}, std::int32_t{1})},
      {"column put", excel.Put(column, "Width", {}, std::int32_t{30})},
      {"cell put", excel.Put(cell, "Formula", {}, std::string("=1"))},
      {"cell call", excel.Call(cell, "Value", {})},
      {"member names are exact", excel.Get(app, "workbooks", {})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(c.result.ok);
    EXPECT_THAT(c.result.error, ::testing::AnyOf(HasSubstr("no property"), HasSubstr("no method")));
  }
}

TEST_F(WorkbookAutomationTest, WrongArgumentsFail) {
  Open();
  const AutoObject column = ObjectOf(excel.Get(sheet, "Columns", {std::int32_t{1}}));
  const AutoObject cell = Cell(1, 1);
  struct Case {
    const char* what;
    AutoResult result;
    const char* says;
  };
  const std::vector<Case> cases = {
      {"Workbooks with an argument", excel.Get(app, "Workbooks", {std::int32_t{1}}), "argument"},
      {"Add with an argument", excel.Call(books, "Add", {std::string("x")}), "argument"},
      {"Quit with an argument", excel.Call(app, "Quit", {true}), "argument"},
      {"Item without index", excel.Get(sheets, "Item", {}), "argument"},
      {"Item past the sheets", excel.Get(sheets, "Item", {std::int32_t{2}}), "outside"},
      {"Item 0", excel.Get(sheets, "Item", {std::int32_t{0}}), "outside"},
      {"Item by text", excel.Get(sheets, "Item", {std::string("1")}), "whole number"},
      {"Cells with one index", excel.Get(sheet, "Cells", {std::int32_t{1}}), "argument"},
      {"Cells with three",
       excel.Get(sheet, "Cells", {std::int32_t{1}, std::int32_t{1}, std::int32_t{1}}), "argument"},
      {"Cells row 0", excel.Get(sheet, "Cells", {std::int32_t{0}, std::int32_t{1}}), "outside"},
      {"Cells row 65537", excel.Get(sheet, "Cells", {std::int32_t{65537}, std::int32_t{1}}),
       "outside"},
      {"Cells column 257", excel.Get(sheet, "Cells", {std::int32_t{1}, std::int32_t{257}}),
       "outside"},
      {"Cells fractional row", excel.Get(sheet, "Cells", {1.5, std::int32_t{1}}), "whole number"},
      {"Cells by boolean", excel.Get(sheet, "Cells", {true, std::int32_t{1}}), "whole number"},
      {"Columns 0", excel.Get(sheet, "Columns", {std::int32_t{0}}), "outside"},
      {"Visible as number", excel.Put(app, "Visible", {}, std::int32_t{0}), "boolean"},
      {"Visible with an index", excel.Put(app, "Visible", {std::int32_t{1}}, false), "argument"},
      {"Name as number", excel.Put(sheet, "Name", {}, std::int32_t{5}), "text"},
      {"ColumnWidth as text", excel.Put(column, "ColumnWidth", {}, std::string("30")), "number"},
      {"ColumnWidth too wide", excel.Put(column, "ColumnWidth", {}, 256.0), "0 to 255"},
      {"ColumnWidth negative", excel.Put(column, "ColumnWidth", {}, std::int32_t{-1}), "0 to 255"},
      {"Value as boolean", excel.Put(cell, "Value", {}, true), "text"},
      {"Value as object", excel.Put(cell, "Value", {}, cell), "text"},
      {"SaveAs without name", excel.Call(book, "SaveAs", {}), "argument"},
      {"SaveAs with a number as name", excel.Call(book, "SaveAs", {std::int32_t{1}}), "text"},
      {"SaveAs in another format",
       excel.Call(book, "SaveAs", {(folder / "a.xlsx").string(), std::int32_t{51}}), "format"},
      {"SaveAs with an empty name", excel.Call(book, "SaveAs", {std::string()}), "name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(c.result.ok);
    EXPECT_THAT(c.result.error, HasSubstr(c.says));
  }
  EXPECT_THAT(Files(), IsEmpty());
  // A failed put changes nothing.
  EXPECT_EQ(std::get<bool>(excel.Get(app, "Visible", {}).value), false);
  EXPECT_DOUBLE_EQ(std::get<double>(excel.Get(column, "ColumnWidth", {}).value), 8.43);
  // Whole-valued floating numbers serve as indexes.
  EXPECT_EQ(ObjectOf(excel.Get(sheet, "Cells", {1.0, 1.0})), cell);
}

TEST_F(WorkbookAutomationTest, SheetNamesAndCellTextsAreChecked) {
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
    EXPECT_FALSE(excel.Put(sheet, "Name", {}, bad).ok);
  }
  EXPECT_EQ(std::get<std::string>(excel.Get(sheet, "Name", {}).value), "Sheet1");
  EXPECT_TRUE(excel.Put(sheet, "Name", {}, std::string(31, 'n')).ok);
  EXPECT_TRUE(excel.Put(sheet, "Name", {}, std::string("Отчёт")).ok);

  const AutoObject cell = Cell(1, 1);
  const std::vector<std::string> badTexts = {"\xFF", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                             "ab\xE2\x82"};
  for (const std::string& bad : badTexts) {
    const AutoResult put = excel.Put(cell, "Value", {}, bad);
    EXPECT_FALSE(put.ok);
    EXPECT_THAT(put.error, HasSubstr("UTF-8"));
  }
  EXPECT_TRUE(excel.Put(cell, "Value", {}, std::string(32767, 'x')).ok);
  EXPECT_FALSE(excel.Put(cell, "Value", {}, std::string(32768, 'x')).ok);
  // Characters count as UTF-16 units: 16384 emoji are 32768 units.
  std::string emoji;
  for (int k = 0; k < 16384; ++k) emoji += "😀";
  EXPECT_FALSE(excel.Put(cell, "Value", {}, emoji).ok);
}

TEST_F(WorkbookAutomationTest, SaveAsKeepsExistingFilesAndWritesWholeFilesOnly) {
  Open();
  ASSERT_TRUE(excel.Put(Cell(1, 1), "Value", {}, std::string("saved")).ok);
  const fs::path file = folder / "report.xls";
  ASSERT_TRUE(excel.Call(book, "SaveAs", {file.string(), std::int32_t{-4143}}).ok);
  const auto firstSize = fs::file_size(file);
  // A name that is taken (two reports in one second) keeps its file; the
  // new one is numbered.
  ASSERT_TRUE(excel.Put(Cell(2, 1), "Value", {}, std::string("more")).ok);
  ASSERT_TRUE(excel.Call(book, "SaveAs", {file.string()}).ok) << "the format may be left out";
  ASSERT_TRUE(excel.Call(book, "SaveAs", {file.string()}).ok);
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
  ASSERT_TRUE(excel.Call(book, "SaveAs", {(folder / "taken.xls").string()}).ok);
  ASSERT_TRUE(excel.Call(book, "SaveAs", {(folder / "linked.xls").string()}).ok);
  EXPECT_TRUE(fs::is_directory(folder / "taken.xls"));
  EXPECT_TRUE(fs::is_symlink(folder / "linked.xls"));
  EXPECT_FALSE(fs::exists(folder / "nowhere"));
  EXPECT_TRUE(fs::is_regular_file(folder / "taken (2).xls"));
  EXPECT_TRUE(fs::is_regular_file(folder / "linked (2).xls"));

  // A folder that does not exist fails, and no temporary file is left behind.
  const AutoResult noFolder =
      excel.Call(book, "SaveAs", {(folder / "missing" / "x.xls").string(), std::int32_t{-4143}});
  EXPECT_FALSE(noFolder.ok);
  EXPECT_THAT(noFolder.error, HasSubstr("cannot create a file"));
  EXPECT_EQ(Files(), (std::vector<std::string>{"linked (2).xls", "linked.xls", "report (2).xls",
                                               "report (3).xls", "report.xls", "taken (2).xls",
                                               "taken.xls"}));
}

TEST_F(WorkbookAutomationTest, ClosingAWorkbookLetsGoOfItAndItsObjects) {
  Open();
  const std::size_t bare = excel.LiveObjects();
  for (int row = 1; row <= 100; ++row) {
    ASSERT_TRUE(excel.Put(Cell(row, 1), "Value", {}, std::string("day")).ok);
  }
  EXPECT_EQ(excel.OpenWorkbooks(), 1u);
  EXPECT_EQ(excel.LiveObjects(), bare + 100);

  EXPECT_FALSE(excel.Call(book, "Close", {true}).ok) << "no file of its own to save into";
  EXPECT_FALSE(excel.Call(book, "Close", {std::int32_t{0}}).ok);
  EXPECT_FALSE(excel.Call(book, "Close", {false, false}).ok);
  EXPECT_EQ(excel.OpenWorkbooks(), 1u);

  const AutoObject cell = Cell(1, 1);
  ASSERT_TRUE(excel.Call(book, "Close", {false}).ok);
  EXPECT_EQ(excel.OpenWorkbooks(), 0u);
  for (const AutoObject gone : {book, sheets, sheet, cell}) {
    SCOPED_TRACE(gone.id);
    EXPECT_THAT(excel.Get(gone, "Name", {}).error, HasSubstr("no longer exists"));
  }
  // The application stays, with room for the next workbook.
  EXPECT_EQ(excel.RunningInstances(), 1u);
  EXPECT_EQ(excel.LiveObjects(), 2u) << "the application and its workbooks";
  const AutoObject next = ObjectOf(excel.Call(books, "Add", {}));
  EXPECT_NE(next, book);
  EXPECT_TRUE(excel.Call(next, "Close", {}).ok);
  EXPECT_EQ(excel.OpenWorkbooks(), 0u);
}

TEST_F(WorkbookAutomationTest, SavedWorkbooksAreToldToTheListener) {
  std::vector<std::string> saved;
  excel.SetSavedListener([&saved](const std::string& path) { saved.push_back(path); });
  Open();
  const std::string first = (folder / "first.xls").string();
  ASSERT_TRUE(excel.Call(book, "SaveAs", {first, std::int32_t{-4143}}).ok);
  EXPECT_EQ(saved, std::vector<std::string>{first});

  // A save that fails, or one refused before writing, is not told.
  EXPECT_FALSE(excel.Call(book, "SaveAs", {(folder / "missing" / "a.xls").string()}).ok);
  EXPECT_FALSE(excel.Call(book, "SaveAs", {(folder / "b.xlsx").string(), std::int32_t{51}}).ok);
  EXPECT_EQ(saved, std::vector<std::string>{first});

  const std::string second = (folder / "second.xls").string();
  ASSERT_TRUE(excel.Call(book, "SaveAs", {second}).ok);
  EXPECT_EQ(saved, (std::vector<std::string>{first, second}));
  // A taken name is told by the name the workbook got.
  ASSERT_TRUE(excel.Call(book, "SaveAs", {first}).ok);
  EXPECT_EQ(saved, (std::vector<std::string>{first, second, (folder / "first (2).xls").string()}));
}

TEST_F(WorkbookAutomationTest, ReportFolderGivenEndsInSlash) {
  EXPECT_EQ(EmbeddedSpreadsheet("/srv/reports").ReportFolder(), "/srv/reports/");
  EXPECT_EQ(EmbeddedSpreadsheet("/srv/reports/").ReportFolder(), "/srv/reports/");
}

}  // namespace
}  // namespace orvex
