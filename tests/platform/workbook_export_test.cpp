// Period reports written by the embedded spreadsheet, read back by xlrd and
// checked record by record by read_xls.py.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/records/period_workbook.h"
#include "platform/workbook/embedded_spreadsheet.h"
#include "search_reply.h"
#include "virtual_bench.h"

namespace orvex::platform::workbook {
namespace {

namespace fs = std::filesystem;
using test::VirtualBench;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// What another program sees in a saved workbook.
struct ReadBack {
  std::vector<std::string> sheets;
  std::map<int, int> widths;                  // 1-based column -> 1/256 character
  std::map<int, std::string> cells;           // column 1, by 1-based row
  std::map<std::string, std::string> others;  // "row,column" -> text
  int uniqueStrings = -1;
  int continueRecords = -1;
  std::vector<std::string> problems;  // structure and xlrd's complaints
};

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char c = text[++i];
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
    } else {
      out += text[i];
    }
  }
  return out;
}

ReadBack ReadWorkbook(const fs::path& file) {
  // Debian's interpreter carries python3-xlrd.
  const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  const std::string command =
      python + " '" + ORVEX_TEST_SCRIPTS_DIR "/read_xls.py' '" + file.string() + "' 2>&1";
  ReadBack book;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    book.problems.push_back("cannot run " + command);
    return book;
  }
  std::string output;
  char chunk[65536];
  while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) output.append(chunk, n);
  const int status = pclose(pipe);
  if (status != 0) book.problems.push_back("read_xls.py failed:\n" + output);

  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    const std::string line = output.substr(start, end - start);
    start = end + 1;
    const auto tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const std::string tag = line.substr(0, tab);
    const std::string rest = line.substr(tab + 1);
    if (tag == "sheet") {
      book.sheets.push_back(Unescape(rest));
    } else if (tag == "width") {
      const auto second = rest.find('\t');
      book.widths[std::stoi(rest.substr(0, second))] = std::stoi(rest.substr(second + 1));
    } else if (tag == "strings") {
      const auto second = rest.find('\t');
      book.uniqueStrings = std::stoi(rest.substr(0, second));
      book.continueRecords = std::stoi(rest.substr(second + 1));
    } else if (tag == "problem" || tag == "log") {
      book.problems.push_back(line);
    } else if (tag.find(',') != std::string::npos) {
      book.others[tag] = Unescape(rest);
    } else {
      book.cells[std::stoi(tag)] = Unescape(rest);
    }
  }
  return book;
}

using test::Day;
using test::kSerial;
const auto Reply = test::SearchReply;
const std::string kSerialLine = "   -- Serial Number : 123456789012 --";

// The date `days` after the given one, as FakeClock shows dates.
std::string DateAfter(int year, unsigned month, unsigned day, int days) {
  using namespace std::chrono;
  const year_month_day date{
      sys_days{year_month_day{std::chrono::year{year}, std::chrono::month{month},
                              std::chrono::day{day}}} +
      std::chrono::days{days}};
  char text[16];
  std::snprintf(text, sizeof text, "%02u/%02u/%04d", static_cast<unsigned>(date.day()),
                static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
  return text;
}

// Expects the ten cells of day i's block.
void ExpectBlock(const ReadBack& book, int i, const std::string& date,
                 const std::array<std::string, 4>& values) {
  SCOPED_TRACE("block of day " + std::to_string(i));
  const int row = 11 * i + 1;
  auto at = [&](int r) { return book.cells.count(r) ? book.cells.at(r) : "<empty>"; };
  EXPECT_EQ(at(row), "Date & Time");
  EXPECT_EQ(at(row + 1), date);
  EXPECT_EQ(at(row + 2), "Coin-In");
  EXPECT_EQ(at(row + 3), values[0]);
  EXPECT_EQ(at(row + 4), "Note-In");
  EXPECT_EQ(at(row + 5), values[1]);
  EXPECT_EQ(at(row + 6), "Payout");
  EXPECT_EQ(at(row + 7), values[2]);
  EXPECT_EQ(at(row + 8), "Ticket-Out");
  EXPECT_EQ(at(row + 9), values[3]);
  EXPECT_EQ(book.cells.count(row + 10), 0u) << "row " << row + 10 << " stays empty";
}

class WorkbookExportTest : public ::testing::Test {
 protected:
  WorkbookExportTest() {
    char pattern[] = "/tmp/orvex-workbook-XXXXXX";
    folder = mkdtemp(pattern);
    spreadsheet.emplace(folder.string());
    VirtualBench::Options options;
    options.withPrinter = false;
    bench = std::make_unique<VirtualBench>(options);
    bench->UseSpreadsheet(*spreadsheet);
  }
  ~WorkbookExportTest() override { fs::remove_all(folder); }

  void Receive(const std::vector<std::uint8_t>& reply) {
    core::Session& s = bench->session();
    s.state.busy = true;
    s.pending.Set(core::Request::RecordSearch);
    bench->Deliver(reply);
  }

  std::vector<std::string> ExportLines() const {
    return bench->memo.From(bench->session().progressLine);
  }

  // The files in the folder: a finished export leaves its workbook and
  // nothing else.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder;
  std::optional<EmbeddedSpreadsheet> spreadsheet;
  std::unique_ptr<VirtualBench> bench;
  const std::string kFileName = "2015-06-30_14-05-09_Orvex_Report.xls";
};

TEST_F(WorkbookExportTest, WorkedExampleThreeDaysWithSerial) {
  Receive(Reply({5, 3, 1}, {5, 3, 3}, 2,
                {{1234, 50000, 5, 7}, {0, 100, 99999, 0}, {4294967295u, 1, 10, 65535}}, kSerial));

  EXPECT_THAT(bench->memo.lines, ElementsAre("The begining date Orvex selected :", "     2005/3/1",
                                             "The final date Orvex selected :", "     2005/3/3",
                                             "Finish outputing EXCEL file.", ""));
  ASSERT_THAT(Files(), ElementsAre(kFileName));
  const ReadBack book = ReadWorkbook(folder / kFileName);
  EXPECT_THAT(book.problems, IsEmpty());
  EXPECT_THAT(book.sheets, ElementsAre("PERIOD REPORT"));
  EXPECT_EQ(book.widths, (std::map<int, int>{{1, 30 * 256}}));
  ExpectBlock(book, 0, "01/03/2005", {"12.34", "500", "0.05", "7"});
  ExpectBlock(book, 1, "02/03/2005", {"0", "1", "999.99", "0"});
  ExpectBlock(book, 2, "03/03/2005", {"42949672.95", "0.01", "0.1", "65535"});
  EXPECT_EQ(book.cells.at(34), kSerialLine);
  EXPECT_EQ(book.cells.size(), 31u);
  EXPECT_THAT(book.others, IsEmpty());
  EXPECT_EQ(spreadsheet->RunningInstances(), 0u) << "the application quit";
  EXPECT_FALSE(bench->session().state.busy);
}

TEST_F(WorkbookExportTest, OneDayPeriod) {
  Receive(Reply({5, 3, 7}, {5, 3, 7}, 0, {{1234, 50000, 5, 7}}, kSerial));
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));
  const ReadBack book = ReadWorkbook(folder / kFileName);
  EXPECT_THAT(book.problems, IsEmpty());
  ExpectBlock(book, 0, "07/03/2005", {"1234", "50000", "5", "7"});
  EXPECT_EQ(book.cells.at(12), kSerialLine);
  EXPECT_EQ(book.cells.size(), 11u);
}

TEST_F(WorkbookExportTest, MoreThanTwoThousandDaysStopAtTwoThousand) {
  // 1 January 2003 to 31 December 2010: 2922 days, every one with its own
  // values, so that the shared strings run over several CONTINUE records.
  std::vector<Day> days;
  for (std::uint32_t i = 0; i <= 2000; ++i) {
    days.push_back({i * 101 + 3, i * 7, 1000000 + i, static_cast<std::uint16_t>(i)});
  }
  std::vector<std::uint8_t> reply = Reply({3, 1, 1}, {10, 12, 31}, 1, days, std::nullopt);
  // The serial record is looked for after block 1999, over day 2000's record.
  ASSERT_EQ(reply.size(), 8 + 14 * 2001u);
  reply[8 + 14 * 2000] = 1;
  for (std::size_t k = 1; k <= 12; ++k) reply[8 + 14 * 2000 + k] = kSerial[k - 1];

  Receive(reply);
  EXPECT_THAT(ExportLines(),
              ElementsAre("Finish outputing EXCEL file.", "Max 2000 days for EXCEL", ""));
  const ReadBack book = ReadWorkbook(folder / kFileName);
  EXPECT_THAT(book.problems, IsEmpty());
  EXPECT_EQ(book.cells.size(), 20001u);
  ExpectBlock(book, 0, "01/01/2003", {"0.3", "0", "100000", "0"});
  ExpectBlock(book, 1000, DateAfter(2003, 1, 1, 1000), {"10100.3", "700", "100100", "1000"});
  ExpectBlock(book, 1999, DateAfter(2003, 1, 1, 1999), {"20190.2", "1399.3", "100199.9", "1999"});
  EXPECT_EQ(book.cells.at(22001), kSerialLine);
  EXPECT_GE(book.continueRecords, 2);
  EXPECT_GT(book.uniqueStrings, 6000);
}

TEST_F(WorkbookExportTest, WrappedSpanWritesTwoThousandBlocks) {
  // The ending date lies before the beginning date: the span wraps around
  // and 2000 days are read, which the read must hold.
  std::vector<Day> days(2000, Day{0, 0, 0, 0});
  days[0] = {100, 200, 300, 4};
  days[1999] = {5, 6, 7, 8};
  Receive(Reply({5, 3, 3}, {5, 3, 1}, 2, days, std::nullopt));
  EXPECT_THAT(ExportLines(),
              ElementsAre("Finish outputing EXCEL file.", "Max 2000 days for EXCEL", ""));
  const ReadBack book = ReadWorkbook(folder / kFileName);
  EXPECT_THAT(book.problems, IsEmpty());
  ExpectBlock(book, 0, "03/03/2005", {"1", "2", "3", "4"});
  ExpectBlock(book, 1999, DateAfter(2005, 3, 3, 1999), {"0.05", "0.06", "0.07", "8"});
  EXPECT_EQ(book.cells.size(), 20000u);

  // With one day in the read, the other 1999 would come from older reads.
  std::filesystem::remove(folder / kFileName);
  Receive(Reply({5, 3, 3}, {5, 3, 1}, 2, {{100, 200, 300, 4}}, std::nullopt));
  EXPECT_THAT(ExportLines(), ElementsAre("", "Can't output EXCEL file.", ""));
  EXPECT_THAT(Files(), IsEmpty());
}

TEST_F(WorkbookExportTest, ReplyShorterThanItsSpanWritesNoWorkbook) {
  // An earlier, longer read left day records and a serial record behind.
  std::vector<Day> stale(6, Day{9900, 9800, 9700, 97});
  std::vector<std::uint8_t> old = Reply({5, 3, 1}, {5, 3, 6}, 0, stale, kSerial);
  bench->session().rx.Store(old.data(), old.size());

  // 1 to 5 March with only two records in the read.
  Receive(Reply({5, 3, 1}, {5, 3, 5}, 2, {{1, 2, 3, 4}, {5, 6, 7, 8}}, std::nullopt));
  EXPECT_THAT(bench->memo.lines, ElementsAre("The begining date Orvex selected :", "     2005/3/1",
                                             "The final date Orvex selected :", "     2005/3/5", "",
                                             "Can't output EXCEL file.", ""));
  EXPECT_THAT(Files(), IsEmpty());
  EXPECT_FALSE(bench->session().state.busy);
}

TEST_F(WorkbookExportTest, ProgressDotsEveryElevenDaysWhileWriting) {
  // Watches the progress line whenever a block's first cell is written.
  class Spy : public core::ForwardingSpreadsheet {
   public:
    Spy(core::Spreadsheet& inner, VirtualBench& bench) : inner_(inner), bench_(bench) {}
    core::SpreadsheetResult SetCell(core::WorkbookId book, int row, int column,
                                    const std::string& text) override {
      if (row % 11 == 1) {
        const auto line = static_cast<std::size_t>(bench_.session().progressLine);
        if (seen.empty() || seen.back() != bench_.memo.lines[line]) {
          seen.push_back(bench_.memo.lines[line]);
          atRow.push_back(row);
        }
      }
      return inner_.SetCell(book, row, column, text);
    }
    std::vector<std::string> seen;
    std::vector<int> atRow;

   private:
    core::Spreadsheet& Inner() override { return inner_; }

    core::Spreadsheet& inner_;
    VirtualBench& bench_;
  };
  Spy spy(*spreadsheet, *bench);
  bench->UseSpreadsheet(spy);
  // 2002-01-01 to 2002-05-01: span 120.
  Receive(Reply({2, 1, 1}, {2, 5, 1}, 2, std::vector<Day>(121), std::nullopt));

  const std::string base = "Output EXCEL file";
  EXPECT_THAT(spy.seen, ElementsAre(base, base + ".", base + "..", base + "...", base + "....",
                                    base + ".....", base + "......", base + ".......",
                                    base + "........", base + ".........", base));
  std::vector<int> rows;
  for (int day = 0; day <= 110; day += 11) rows.push_back(11 * day + 1);
  EXPECT_EQ(spy.atRow, rows);
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));
  EXPECT_EQ(ReadWorkbook(folder / kFileName).cells.size(), 1210u);
}

TEST_F(WorkbookExportTest, SecondExportInTheSameRunWorks) {
  Receive(Reply({5, 3, 1}, {5, 3, 1}, 2, {{100, 0, 0, 1}}, std::nullopt));
  bench->clock.now.second = 40;
  Receive(Reply({6, 4, 2}, {6, 4, 3}, 2, {{200, 0, 0, 2}, {300, 0, 0, 3}}, std::nullopt));
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));
  const std::string second = "2015-06-30_14-05-40_Orvex_Report.xls";
  ASSERT_THAT(Files(), ElementsAre(kFileName, second));
  EXPECT_EQ(ReadWorkbook(folder / kFileName).cells.size(), 10u);
  const ReadBack book = ReadWorkbook(folder / second);
  EXPECT_THAT(book.problems, IsEmpty());
  ExpectBlock(book, 0, "02/04/2006", {"2", "0", "0", "2"});
  ExpectBlock(book, 1, "03/04/2006", {"3", "0", "0", "3"});
  EXPECT_EQ(spreadsheet->RunningInstances(), 0u);
}

TEST_F(WorkbookExportTest, UnwritableFolderFailsAndTheNextExportRecovers) {
  const fs::path missing = folder / "reports";
  spreadsheet.emplace(missing.string());
  bench->UseSpreadsheet(*spreadsheet);
  Receive(Reply({5, 3, 1}, {5, 3, 1}, 2, {{100, 0, 0, 1}}, std::nullopt));
  EXPECT_THAT(ExportLines(), ElementsAre("", "Can't output EXCEL file.", ""));
  // The application keeps running, but the failed workbook is let go of.
  EXPECT_EQ(spreadsheet->RunningInstances(), 1u);
  EXPECT_EQ(spreadsheet->OpenWorkbooks(), 0u);
  EXPECT_THAT(Files(), IsEmpty());

  fs::create_directory(missing);
  Receive(Reply({5, 3, 2}, {5, 3, 2}, 2, {{200, 0, 0, 2}}, std::nullopt));
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));
  EXPECT_EQ(spreadsheet->RunningInstances(), 0u);
  const ReadBack book = ReadWorkbook(missing / kFileName);
  EXPECT_THAT(book.problems, IsEmpty());
  ExpectBlock(book, 0, "02/03/2005", {"2", "0", "0", "2"});
  EXPECT_EQ(book.cells.size(), 10u);
}

TEST_F(WorkbookExportTest, FailedExportsKeepNoWorkbooks) {
  spreadsheet.emplace((folder / "missing").string());
  bench->UseSpreadsheet(*spreadsheet);
  const std::vector<std::uint8_t> reply =
      Reply({5, 1, 1}, {5, 4, 10}, 2, std::vector<Day>(100, Day{1, 2, 3, 4}), std::nullopt);
  Receive(reply);
  // The progress line stands as it did at day 99.
  const std::string progress = "Output EXCEL file.........";
  ASSERT_THAT(ExportLines(), ElementsAre(progress, "Can't output EXCEL file.", ""));
  for (int run = 0; run < 40; ++run) Receive(reply);
  EXPECT_THAT(ExportLines(), ElementsAre(progress, "Can't output EXCEL file.", ""));
  EXPECT_EQ(spreadsheet->OpenWorkbooks(), 0u);
  EXPECT_EQ(spreadsheet->RunningInstances(), 1u);

  // A reply that cannot be written lets go of its workbook as well.
  Receive(Reply({5, 1, 1}, {5, 4, 10}, 2, {{1, 2, 3, 4}}, std::nullopt));
  EXPECT_EQ(spreadsheet->OpenWorkbooks(), 0u);
  Receive(Reply({5, 2, 30}, {5, 3, 1}, 2, {{1, 2, 3, 4}}, std::nullopt));
  EXPECT_EQ(spreadsheet->OpenWorkbooks(), 0u);
}

TEST_F(WorkbookExportTest, TwoExportsInOneSecondKeepBothWorkbooks) {
  Receive(Reply({5, 3, 1}, {5, 3, 1}, 2, {{100, 0, 0, 1}}, std::nullopt));
  Receive(Reply({6, 4, 2}, {6, 4, 2}, 2, {{200, 0, 0, 2}}, std::nullopt));
  Receive(Reply({7, 5, 3}, {7, 5, 3}, 2, {{300, 0, 0, 3}}, std::nullopt));
  EXPECT_THAT(ExportLines(), ElementsAre("Finish outputing EXCEL file.", ""));
  const std::string second = "2015-06-30_14-05-09_Orvex_Report (2).xls";
  const std::string third = "2015-06-30_14-05-09_Orvex_Report (3).xls";
  ASSERT_THAT(Files(), ElementsAre(second, third, kFileName));
  ExpectBlock(ReadWorkbook(folder / kFileName), 0, "01/03/2005", {"1", "0", "0", "1"});
  ExpectBlock(ReadWorkbook(folder / second), 0, "02/04/2006", {"2", "0", "0", "2"});
  ExpectBlock(ReadWorkbook(folder / third), 0, "03/05/2007", {"3", "0", "0", "3"});
}

// Texts straight through the spreadsheet's steps.
class WorkbookTextTest : public WorkbookExportTest {
 protected:
  core::WorkbookId Sheet() {
    const core::Obtained<core::SpreadsheetApp> app = spreadsheet->Start();
    EXPECT_TRUE(app.done) << app.failure;
    const core::Obtained<core::WorkbookId> added = spreadsheet->AddWorkbook(app.handle);
    EXPECT_TRUE(added.done) << added.failure;
    workbook = added.handle;
    return workbook;
  }
  void Write(core::WorkbookId sheet, int row, int column, const std::string& text) {
    const core::SpreadsheetResult set = spreadsheet->SetCell(sheet, row, column, text);
    ASSERT_TRUE(set.done) << set.failure;
  }
  ReadBack Save() {
    const fs::path file = folder / "texts.xls";
    const core::SpreadsheetResult saved = spreadsheet->SaveAs(workbook, file.string());
    EXPECT_TRUE(saved.done) << saved.failure;
    return ReadWorkbook(file);
  }
  core::WorkbookId workbook;
};

TEST_F(WorkbookTextTest, LatinAndWiderCharactersSurvive) {
  const core::WorkbookId sheet = Sheet();
  ASSERT_TRUE(spreadsheet->NameSheet(sheet, "Отчёт €").done);
  const std::vector<std::string> texts = {
      "Café ñ ß ÿ", "€ 100", "日本語のテキスト", "smile 😀 here", "tab\tand\nnew line", "A"};
  for (std::size_t i = 0; i < texts.size(); ++i) Write(sheet, static_cast<int>(i) + 1, 1, texts[i]);
  Write(sheet, 3, 5, "fifth column");
  Write(sheet, 2, 1, "Café ñ ß ÿ");  // a repeated string is shared
  const ReadBack book = Save();
  EXPECT_THAT(book.problems, IsEmpty());
  EXPECT_THAT(book.sheets, ElementsAre("Отчёт €"));
  EXPECT_EQ(book.cells, (std::map<int, std::string>{{1, texts[0]},
                                                    {2, texts[0]},
                                                    {3, texts[2]},
                                                    {4, texts[3]},
                                                    {5, texts[4]},
                                                    {6, texts[5]}}));
  EXPECT_EQ(book.others, (std::map<std::string, std::string>{{"3,5", "fifth column"}}));
  EXPECT_EQ(book.uniqueStrings, 6);
  EXPECT_THAT(book.widths, IsEmpty());
}

TEST_F(WorkbookTextTest, LongStringsSplitAcrossContinueRecords) {
  const core::WorkbookId sheet = Sheet();
  // Strings of both widths that straddle record boundaries at odd and even
  // places, and one as long as a cell may hold.
  std::vector<std::string> texts;
  for (int i = 0; i < 40; ++i) {
    std::string text;
    for (int k = 0; k < 500 + 37 * i; ++k) text += static_cast<char>('a' + (k + i) % 26);
    if (i % 3 == 1) text += "Ω";
    if (i % 5 == 2) text = "é" + text;
    texts.push_back(text);
  }
  std::string longest;
  for (int k = 0; k < 32767; ++k) longest += static_cast<char>('A' + k % 26);
  texts.push_back(longest);
  std::string wide;
  for (int k = 0; k < 9000; ++k) wide += "ж";
  texts.push_back(wide);
  for (std::size_t i = 0; i < texts.size(); ++i) Write(sheet, static_cast<int>(i) + 1, 1, texts[i]);
  const ReadBack book = Save();
  EXPECT_THAT(book.problems, IsEmpty());
  ASSERT_EQ(book.cells.size(), texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(book.cells.at(static_cast<int>(i) + 1), texts[i]) << "row " << i + 1;
  }
  EXPECT_GE(book.continueRecords, 10);
}

TEST_F(WorkbookTextTest, CharactersBeyondTheBasicPlaneStayWholeAcrossRecords) {
  const core::WorkbookId sheet = Sheet();
  // One two-byte character first puts every surrogate pair at an odd unit,
  // so the first record ends between the two halves of one of them.
  std::string text = "ж";
  for (int k = 0; k < 5000; ++k) text += k % 2 ? "😀" : "𝄞";
  Write(sheet, 1, 1, text);
  Write(sheet, 2, 1, "after");
  const ReadBack book = Save();
  EXPECT_THAT(book.problems, IsEmpty());
  EXPECT_EQ(book.cells, (std::map<int, std::string>{{1, text}, {2, "after"}}));
  EXPECT_GE(book.continueRecords, 1);
}

TEST_F(WorkbookTextTest, EmptyWorkbookSaves) {
  Sheet();
  const ReadBack book = Save();
  EXPECT_THAT(book.problems, IsEmpty());
  EXPECT_THAT(book.sheets, ElementsAre("Sheet1"));
  EXPECT_THAT(book.cells, IsEmpty());
  EXPECT_EQ(book.uniqueStrings, 0);
}

TEST_F(WorkbookTextTest, CellsOnRowsFarApartAndManyColumns) {
  const core::WorkbookId sheet = Sheet();
  Write(sheet, 65536, 256, "last cell");
  Write(sheet, 1, 1, "first");
  Write(sheet, 33, 2, "second block");
  Write(sheet, 33, 1, "row 33");
  ASSERT_TRUE(spreadsheet->SetColumnWidth(sheet, 256, 12.5).done);
  const ReadBack book = Save();
  EXPECT_THAT(book.problems, IsEmpty());
  EXPECT_EQ(book.cells, (std::map<int, std::string>{{1, "first"}, {33, "row 33"}}));
  EXPECT_EQ(book.others, (std::map<std::string, std::string>{{"33,2", "second block"},
                                                             {"65536,256", "last cell"}}));
  EXPECT_EQ(book.widths, (std::map<int, int>{{256, 3200}}));
}

}  // namespace
}  // namespace orvex::platform::workbook
