// The format file: the exact lines a save writes, loading them back with the
// side effects of a hand edit, the load's failures, and a save that never
// loses the old file.
#include "core/formatfile/format_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <csignal>
#include <filesystem>

#include "bitmaps.h"
#include "core/formats/settings.h"
#include "special_files.h"
#include "virtual_bench.h"

namespace orvex::core {
namespace {

namespace fs = std::filesystem;
using test::VirtualBench;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::uint8_t Blank(int, int) {
  return 0xFF;
}

std::string Logo(int rows) {
  return test::MonoBmpBytes(384, rows, Blank);
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += line + "\r\n";
  return bytes;
}

// The lines of a file saved right after start-up, written out by hand.
std::vector<std::string> StartUpLines() {
  std::vector<std::string> lines = {"0", "1", "1", "1", "0", "1", "1", "1", "1"};
  lines.resize(42);
  lines.resize(132, "0");
  return lines;
}

// Line numbers (1-based) of the three radio lines of a ticket line.
int SizeLine(int ticket, int line) {
  return 43 + ticket * 30 + (line - 1) * 3;
}
int HeightLine(int ticket, int line) {
  return SizeLine(ticket, line) + 1;
}
int KindLine(int ticket, int line) {
  return SizeLine(ticket, line) + 2;
}

class FormatFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = test::TempFolder(std::string("format-file-") +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override { fs::remove_all(folder); }

  Session& session() { return bench.session(); }
  TicketSetup& setup() { return bench.session().setup; }

  void Save(const fs::path& path) {
    bench.panel.saveAnswers.push_back(path.string());
    SaveFormatFile(session());
  }
  void Load(const fs::path& path) {
    bench.panel.openAnswers.push_back(path.string());
    LoadFormatFile(session());
  }
  // Writes the lines with CR LF and loads them.
  void LoadLines(const std::vector<std::string>& lines) {
    const fs::path path = folder / "hand.orx";
    test::WriteFile(path, JoinCrLf(lines));
    Load(path);
  }

  fs::path folder;
  VirtualBench bench;
};

TEST_F(FormatFileTest, SaveRightAfterStartUpWritesTheGoldenLines) {
  const fs::path path = folder / "start.orx";
  Save(path);

  EXPECT_THAT(bench.panel.messages, ElementsAre("Save finished."));
  EXPECT_THAT(bench.panel.dialogFilters, ElementsAre("Orvex Files(*.orx)|*.orx"));
  const std::string saved = test::ReadFile(path);
  EXPECT_EQ(saved, JoinCrLf(StartUpLines()));
  EXPECT_EQ(saved, test::ReadFile(fs::path(ORVEX_TEST_DATA_DIR) / "format_file_defaults.orx"));
  // No printer needed, and nothing left beside the file.
  EXPECT_FALSE(session().state.identified);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(FormatFileTest, SaveCancelledDoesNothing) {
  SaveFormatFile(session());
  LoadFormatFile(session());
  EXPECT_THAT(bench.panel.messages, IsEmpty());
  EXPECT_EQ(bench.view.refreshes, 0);
}

// Whether the setup is now what a file holds: the window asks before
// closing when it is not.
TEST_F(FormatFileTest, SaveAndLoadTellWhetherTheSetupIsAFilesNow) {
  const fs::path saved = folder / "saved.orx";
  EXPECT_FALSE(SaveFormatFile(session()));  // cancelled
  bench.panel.saveAnswers.push_back(saved.string());
  EXPECT_TRUE(SaveFormatFile(session()));
  bench.panel.saveAnswers.push_back((folder / "no-such-folder" / "x.orx").string());
  EXPECT_FALSE(SaveFormatFile(session()));  // "Cannot create file ..."

  EXPECT_FALSE(LoadFormatFile(session()));  // cancelled
  bench.panel.openAnswers.push_back(saved.string());
  EXPECT_TRUE(LoadFormatFile(session()));
  std::vector<std::string> shortLines = StartUpLines();
  shortLines.resize(100);
  test::WriteFile(folder / "short.orx", JoinCrLf(shortLines));
  bench.panel.openAnswers.push_back((folder / "short.orx").string());
  EXPECT_FALSE(LoadFormatFile(session()));  // stopped at its line 101
  EXPECT_FALSE(LoadFormatFileAt(session(), (folder / "missing.orx").string()));

  // A file named on the command line loads as the chosen one does, and
  // asks for no file.
  bench.panel.messages.clear();
  const std::size_t asked = bench.panel.dialogFilters.size();
  const int refreshes = bench.view.refreshes;
  setup().multipliers.coin = "77";
  EXPECT_TRUE(LoadFormatFileAt(session(), saved.string()));
  EXPECT_EQ(setup().multipliers.coin, "1");
  EXPECT_THAT(bench.panel.messages, ElementsAre("Load finished."));
  EXPECT_EQ(bench.panel.dialogFilters.size(), asked);
  EXPECT_EQ(bench.view.refreshes, refreshes + 1);
}

// A setup in which every field differs from its start value.
void FillEveryField(TicketSetup& s, const fs::path& folder) {
  s.symbolItemWide = 19;
  s.multipliers = {"1000", "-1", "9999", "2"};
  s.printStatus.coin = false;
  s.printStatus.note = true;
  s.printStatus.payout = false;
  s.printStatus.symbol = false;
  const int rows[3] = {120, 341, 7};
  for (int slot = 0; slot < 3; ++slot) {
    const fs::path logo = folder / ("logo" + std::to_string(slot + 1) + ".bmp");
    test::WriteFile(logo, Logo(rows[slot]));
    s.logos[static_cast<std::size_t>(slot)] = {logo.string(), rows[slot]};
  }
  for (int t = 0; t < 3; ++t) {
    for (int l = 0; l < kLinesPerTicket; ++l) {
      FormatLine& line = s.tickets[static_cast<std::size_t>(t)][static_cast<std::size_t>(l)];
      line.text = "T" + std::to_string(t) + "L" + std::to_string(l) + " \xE9";
      line.kindItem = (t * 10 + l) % kKindItems;
      line.sizeItem = (t + l) % kSizeItems;
      line.heightItem = (t + l + 1) % kHeightItems;
    }
  }
}

void ExpectSameSetup(const TicketSetup& a, const TicketSetup& b) {
  EXPECT_EQ(a.symbolItemWide, b.symbolItemWide);
  EXPECT_EQ(a.symbolItemNarrow, b.symbolItemNarrow);
  EXPECT_EQ(a.multipliers.coin, b.multipliers.coin);
  EXPECT_EQ(a.multipliers.note, b.multipliers.note);
  EXPECT_EQ(a.multipliers.payout, b.multipliers.payout);
  EXPECT_EQ(a.multipliers.decimals, b.multipliers.decimals);
  EXPECT_EQ(a.printStatus.Byte(), b.printStatus.Byte());
  for (std::size_t slot = 0; slot < 3; ++slot) {
    EXPECT_EQ(a.logos[slot].path, b.logos[slot].path) << "slot " << slot + 1;
    EXPECT_EQ(a.logos[slot].height, b.logos[slot].height) << "slot " << slot + 1;
  }
  for (std::size_t t = 0; t < 3; ++t) {
    for (std::size_t l = 0; l < 10; ++l) {
      const FormatLine& x = a.tickets[t][l];
      const FormatLine& y = b.tickets[t][l];
      EXPECT_EQ(x.text, y.text) << "ticket " << t << " line " << l + 1;
      EXPECT_EQ(x.kindItem, y.kindItem) << "ticket " << t << " line " << l + 1;
      EXPECT_EQ(x.sizeItem, y.sizeItem) << "ticket " << t << " line " << l + 1;
      EXPECT_EQ(x.heightItem, y.heightItem) << "ticket " << t << " line " << l + 1;
    }
  }
}

TEST_F(FormatFileTest, SaveThenLoadRestoresEveryControl) {
  FillEveryField(setup(), folder);
  // Note line 1 height (RadioGroup41) set on its own, as it once went missing.
  setup().tickets[1][0].heightItem = 1;
  const TicketSetup saved = setup();
  const fs::path path = folder / "all.orx";
  Save(path);

  const std::string bytes = test::ReadFile(path);
  const std::vector<std::string> lines = FormatFile::Parse(bytes).lines;
  ASSERT_EQ(lines.size(), 132u);
  EXPECT_EQ(lines[0], "19");
  EXPECT_EQ(lines[1], "1000");
  EXPECT_EQ(lines[2], "-1");
  EXPECT_EQ(lines[4], "2");
  EXPECT_EQ(lines[5], "0");
  EXPECT_EQ(lines[6], "1");
  EXPECT_EQ(lines[8], "0");
  EXPECT_EQ(lines[9], (folder / "logo1.bmp").string());
  EXPECT_EQ(lines[22], "T1L0 \xE9");            // Edit15
  EXPECT_EQ(lines[HeightLine(1, 1) - 1], "1");  // RadioGroup41
  EXPECT_EQ(lines[KindLine(2, 10) - 1], std::to_string((20 + 9) % 7));

  // Load into a session that starts from the defaults.
  VirtualBench other;
  other.session().setup.printStatus.recordSearch = false;  // not in the file
  other.session().setup.symbolItemNarrow = 5;              // not in the file
  other.panel.openAnswers.push_back(path.string());
  LoadFormatFile(other.session());

  EXPECT_THAT(other.panel.messages, ElementsAre("Load finished."));
  EXPECT_THAT(other.view.shownLogos, ElementsAre(1, 2, 3));
  EXPECT_EQ(other.view.refreshes, 1);
  EXPECT_FALSE(other.session().setup.printStatus.recordSearch);
  TicketSetup expected = saved;
  expected.printStatus.recordSearch = false;
  expected.symbolItemNarrow = 5;
  ExpectSameSetup(other.session().setup, expected);
  EXPECT_EQ(other.session().setup.tickets[1][0].heightItem, 1);
}

TEST_F(FormatFileTest, ShortFileAppliesItsLinesThenReportsTheMissingOne) {
  std::vector<std::string> lines = StartUpLines();
  lines[SizeLine(0, 1) - 1] = "2";
  lines[HeightLine(2, 10) - 1] = "1";  // line 131, the last one present
  lines.pop_back();
  LoadLines(lines);

  EXPECT_THAT(bench.panel.messages, ElementsAre("List index out of bounds (131)"));
  EXPECT_EQ(setup().tickets[0][0].sizeItem, 2);
  EXPECT_EQ(setup().tickets[2][9].heightItem, 1);
  EXPECT_EQ(bench.view.refreshes, 1);

  bench.panel.messages.clear();
  LoadLines({});
  EXPECT_THAT(bench.panel.messages, ElementsAre("List index out of bounds (0)"));
}

TEST_F(FormatFileTest, RadioLinesAreClampedToTheirGroups) {
  std::vector<std::string> lines = StartUpLines();
  lines[0] = "25";                      // 20 symbols: the last one
  lines[SizeLine(0, 1) - 1] = "7";      // 3 items: the last one
  lines[SizeLine(0, 2) - 1] = "-5";     // no item
  lines[HeightLine(0, 3) - 1] = "-1";   // no item
  lines[HeightLine(1, 4) - 1] = "2";    // 2 items: the last one
  lines[KindLine(2, 5) - 1] = " +6";    // leading blank and sign
  lines[KindLine(2, 6) - 1] = "99999";  // 7 items: the last one
  LoadLines(lines);

  EXPECT_THAT(bench.panel.messages, ElementsAre("Load finished."));
  EXPECT_EQ(setup().symbolItemWide, 19);
  EXPECT_EQ(setup().tickets[0][0].sizeItem, 2);
  EXPECT_EQ(setup().tickets[0][1].sizeItem, -1);
  EXPECT_EQ(setup().tickets[0][2].heightItem, -1);
  EXPECT_EQ(setup().tickets[1][3].heightItem, 1);
  EXPECT_EQ(setup().tickets[2][4].kindItem, 6);
  EXPECT_EQ(setup().tickets[2][5].kindItem, 6);
}

TEST_F(FormatFileTest, RadioLineThatIsNoNumberStopsTheLoad) {
  for (const std::string bad : {"abc", "", "1.5", "3x", "99999999999"}) {
    SCOPED_TRACE(bad);
    VirtualBench fresh;
    std::vector<std::string> lines = StartUpLines();
    lines[SizeLine(0, 1) - 1] = "1";  // before the bad line: applied
    lines[KindLine(0, 1) - 1] = bad;
    lines[SizeLine(0, 2) - 1] = "2";  // after it: not applied
    const fs::path path = folder / "bad.orx";
    test::WriteFile(path, JoinCrLf(lines));
    fresh.panel.openAnswers.push_back(path.string());
    LoadFormatFile(fresh.session());

    EXPECT_THAT(fresh.panel.messages, ElementsAre("'" + bad + "' is not a valid integer value"));
    EXPECT_EQ(fresh.session().setup.tickets[0][0].sizeItem, 1);
    EXPECT_EQ(fresh.session().setup.tickets[0][0].kindItem, 0);
    EXPECT_EQ(fresh.session().setup.tickets[0][1].sizeItem, 0);
    EXPECT_EQ(fresh.view.refreshes, 1);
  }
}

TEST_F(FormatFileTest, CheckBoxIsCheckedOnlyByExactlyOne) {
  std::vector<std::string> lines = StartUpLines();
  lines[5] = " 1";
  lines[6] = "1 ";
  lines[7] = "true";
  lines[8] = "1";
  setup().printStatus.symbol = false;
  LoadLines(lines);

  EXPECT_THAT(bench.panel.messages, ElementsAre("Load finished."));
  EXPECT_FALSE(setup().printStatus.coin);
  EXPECT_FALSE(setup().printStatus.note);
  EXPECT_FALSE(setup().printStatus.payout);
  EXPECT_TRUE(setup().printStatus.symbol);
}

TEST_F(FormatFileTest, LinesAfterTheLastAreIgnoredAndAnyLineEndIsTaken) {
  std::vector<std::string> lines = StartUpLines();
  lines[KindLine(2, 10) - 1] = "5";
  lines.push_back("abc");
  lines.push_back("not a number");
  LoadLines(lines);
  EXPECT_THAT(bench.panel.messages, ElementsAre("Load finished."));
  EXPECT_EQ(setup().tickets[2][9].kindItem, 5);

  // The same file with lone LFs, and with lone CRs.
  for (const char* end : {"\n", "\r"}) {
    VirtualBench fresh;
    std::string bytes;
    for (const auto& line : lines) bytes += line + end;
    const fs::path path = folder / "ends.orx";
    test::WriteFile(path, bytes);
    fresh.panel.openAnswers.push_back(path.string());
    LoadFormatFile(fresh.session());
    EXPECT_THAT(fresh.panel.messages, ElementsAre("Load finished."));
    EXPECT_EQ(fresh.session().setup.tickets[2][9].kindItem, 5);
  }
}

TEST_F(FormatFileTest, ParseSplitsOnEveryKindOfLineEnd) {
  EXPECT_THAT(FormatFile::Parse("").lines, IsEmpty());
  EXPECT_THAT(FormatFile::Parse("\r\n").lines, ElementsAre(""));
  EXPECT_THAT(FormatFile::Parse("a\r\nb").lines, ElementsAre("a", "b"));
  EXPECT_THAT(FormatFile::Parse("a\r\r\nb\n\nc\r").lines, ElementsAre("a", "", "b", "", "c"));
  EXPECT_THAT(FormatFile::Parse("a\n\r").lines, ElementsAre("a", ""));
}

TEST_F(FormatFileTest, TextsKeepTheirWindows1252Bytes) {
  std::vector<std::string> lines = StartUpLines();
  lines[2] =
      "\xA3"
      "5";                                       // Edit12: pound sign
  lines[12] = "M\xFCnze 5 \x80";                 // Edit1
  lines[41] = "  padded  ";                      // Edit34, not trimmed
  lines[13] = "123456789012345678901234567890";  // Edit2, too long
  LoadLines(lines);

  EXPECT_THAT(bench.panel.messages, ElementsAre("Load finished."));
  EXPECT_EQ(setup().multipliers.note,
            "\xC2\xA3"
            "5");
  EXPECT_EQ(setup().tickets[0][0].text, "M\xFCnze 5 \x80");
  EXPECT_EQ(setup().tickets[2][9].text, "  padded  ");
  EXPECT_EQ(setup().tickets[0][1].text, "123456789012345678901234");

  // Saved again, the same bytes come back.
  const fs::path again = folder / "again.orx";
  Save(again);
  const auto saved = FormatFile::Parse(test::ReadFile(again)).lines;
  EXPECT_EQ(saved[2],
            "\xA3"
            "5");
  EXPECT_EQ(saved[12], "M\xFCnze 5 \x80");
  EXPECT_EQ(saved[41], "  padded  ");
}

TEST_F(FormatFileTest, DecimalLineRunsItsRangeCheckWhenItChanges) {
  std::vector<std::string> lines = StartUpLines();
  lines[4] = "7";
  LoadLines(lines);
  EXPECT_THAT(bench.panel.messages,
              ElementsAre("The floating-point too large (0~3).", "Load finished."));
  EXPECT_EQ(setup().multipliers.decimals, "7");

  // Unchanged text: no change event, no message.
  bench.panel.messages.clear();
  LoadLines(lines);
  EXPECT_THAT(bench.panel.messages, ElementsAre("Load finished."));

  // A text that is no number is reported by the check and the load goes on.
  lines[4] = "x";
  lines[KindLine(0, 1) - 1] = "4";
  bench.panel.messages.clear();
  LoadLines(lines);
  EXPECT_THAT(bench.panel.messages,
              ElementsAre("'x' is not a valid integer value", "Load finished."));
  EXPECT_EQ(setup().tickets[0][0].kindItem, 4);
}

TEST_F(FormatFileTest, EmptyLogoLineLeavesAChosenLogoAlone) {
  const fs::path logo = folder / "chosen.bmp";
  test::WriteFile(logo, Logo(64));
  setup().logos[0] = {logo.string(), 64};
  LoadLines(StartUpLines());

  EXPECT_THAT(bench.panel.messages, ElementsAre("Load finished."));
  EXPECT_EQ(setup().logos[0].path, logo.string());
  EXPECT_EQ(setup().logos[0].height, 64);
  EXPECT_THAT(bench.view.shownLogos, IsEmpty());
  EXPECT_THAT(bench.view.blankedLogos, IsEmpty());
}

TEST_F(FormatFileTest, LogoThatGrewTooLargeKeepsTheEarlierLogo) {
  const fs::path logo = folder / "grows.bmp";
  test::WriteFile(logo, Logo(100));
  setup().logos[1] = {logo.string(), 100};
  const fs::path path = folder / "with-logo.orx";
  Save(path);
  test::WriteFile(logo, Logo(342));
  bench.panel.messages.clear();
  Load(path);

  EXPECT_THAT(bench.panel.messages,
              ElementsAre("Logo2 sizes too large over 16K .", "Load finished."));
  EXPECT_EQ(setup().logos[1].path, logo.string());
  EXPECT_EQ(setup().logos[1].height, 100);
  EXPECT_THAT(bench.view.shownLogos, IsEmpty());
}

TEST_F(FormatFileTest, EachRejectedLogoGetsItsMessageAndTheLoadGoesOn) {
  const fs::path good = folder / "good.bmp";
  test::WriteFile(good, Logo(200));
  const fs::path narrow = folder / "narrow.bmp";
  test::WriteFile(narrow, test::MonoBmpBytes(383, 10, Blank));
  std::vector<std::string> lines = StartUpLines();
  lines[9] = (folder / "gone.bmp").string();
  lines[10] = narrow.string();
  lines[11] = good.string();
  lines[KindLine(2, 10) - 1] = "3";
  LoadLines(lines);

  EXPECT_THAT(bench.panel.messages,
              ElementsAre("Can't find logo1 .", "Logo2 width not 384 pixel .", "Load finished."));
  EXPECT_EQ(setup().logos[0].path, "");
  EXPECT_EQ(setup().logos[1].path, "");
  EXPECT_EQ(setup().logos[2].path, good.string());
  EXPECT_EQ(setup().logos[2].height, 200);
  EXPECT_THAT(bench.view.shownLogos, ElementsAre(3));
  EXPECT_EQ(setup().tickets[2][9].kindItem, 3);
}

TEST_F(FormatFileTest, LogoThatCannotBeShownLeavesTheSlotAsItWas) {
  const fs::path good = folder / "good.bmp";
  test::WriteFile(good, Logo(200));
  setup().logos[0] = {"/earlier/logo.bmp", 50};
  bench.view.logoDecodes = false;
  std::vector<std::string> lines = StartUpLines();
  lines[9] = good.string();
  LoadLines(lines);

  EXPECT_THAT(bench.panel.messages, ElementsAre("Logo1 cannot be displayed .", "Load finished."));
  EXPECT_EQ(setup().logos[0].path, "/earlier/logo.bmp");
  EXPECT_EQ(setup().logos[0].height, 50);
}

TEST_F(FormatFileTest, LogoPathsOutsideWindows1252SurviveTheRoundTrip) {
  const fs::path latin = folder / "M\xC3\xBCnze.bmp";                // Münze: in Windows-1252
  const fs::path foreign = folder / "\xE6\x97\xA5\xE6\x9C\xAC.bmp";  // 日本: not
  test::WriteFile(latin, Logo(10));
  test::WriteFile(foreign, Logo(20));
  setup().logos[0] = {latin.string(), 10};
  setup().logos[1] = {foreign.string(), 20};
  const fs::path path = folder / "paths.orx";
  Save(path);

  const auto lines = FormatFile::Parse(test::ReadFile(path)).lines;
  EXPECT_EQ(lines[9], folder.string() + "/M\xFCnze.bmp");
  EXPECT_EQ(lines[10], "\xEF\xBB\xBF" + foreign.string());

  VirtualBench other;
  other.panel.openAnswers.push_back(path.string());
  LoadFormatFile(other.session());
  EXPECT_THAT(other.panel.messages, ElementsAre("Load finished."));
  EXPECT_EQ(other.session().setup.logos[0].path, latin.string());
  EXPECT_EQ(other.session().setup.logos[1].path, foreign.string());
  EXPECT_EQ(other.session().setup.logos[1].height, 20);

  // A path that starts like the marker is marked too, so it reads back whole.
  EXPECT_EQ(LogoPathFromLine(LogoPathToLine("\xC3\xAF\xC2\xBB\xC2\xBF"
                                            "a.bmp")),
            "\xC3\xAF\xC2\xBB\xC2\xBF"
            "a.bmp");
}

TEST_F(FormatFileTest, UnreadableFileIsReportedAndNothingChanges) {
  setup().multipliers.coin = "5";
  Load(folder / "missing.orx");
  Load(folder);  // a folder is no file
  EXPECT_THAT(bench.panel.messages,
              ElementsAre("Cannot open file " + (folder / "missing.orx").string(),
                          "Cannot open file " + folder.string()));
  EXPECT_EQ(setup().multipliers.coin, "5");
  EXPECT_EQ(bench.view.refreshes, 0);
}

TEST_F(FormatFileTest, HugeFileIsRefusedUnlessItsFirstLinesAreComplete) {
  const std::string tail(17 * 1024 * 1024, 'x');
  std::vector<std::string> lines = StartUpLines();
  lines[KindLine(0, 1) - 1] = "4";
  const fs::path trailing = folder / "trailing.orx";
  test::WriteFile(trailing, JoinCrLf(lines) + tail);
  Load(trailing);
  EXPECT_THAT(bench.panel.messages, ElementsAre("Load finished."));
  EXPECT_EQ(setup().tickets[0][0].kindItem, 4);

  const fs::path oneLine = folder / "one-line.orx";
  test::WriteFile(oneLine, "0\r\n" + tail);
  bench.panel.messages.clear();
  Load(oneLine);
  EXPECT_THAT(bench.panel.messages, ElementsAre("Cannot open file " + oneLine.string() +
                                                " : too large for a format file."));
  EXPECT_EQ(setup().tickets[0][0].kindItem, 4);
}

TEST_F(FormatFileTest, SaveReplacesAnExistingFileAndKeepsItsPermissions) {
  const fs::path path = folder / "old.orx";
  test::WriteFile(path, "old contents\r\n");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  Save(path);

  EXPECT_THAT(bench.panel.messages, ElementsAre("Save finished."));
  EXPECT_EQ(test::ReadFile(path), JoinCrLf(StartUpLines()));
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(FormatFileTest, SaveThroughALinkWritesTheLinkedFile) {
  const fs::path real = folder / "real.orx";
  const fs::path link = folder / "link.orx";
  test::WriteFile(real, "old\r\n");
  fs::create_symlink(real, link);
  Save(link);

  EXPECT_THAT(bench.panel.messages, ElementsAre("Save finished."));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  EXPECT_EQ(test::ReadFile(real), JoinCrLf(StartUpLines()));
}

TEST_F(FormatFileTest, SaveThatCannotWriteKeepsTheOldFile) {
  const fs::path file = folder / "plain.txt";
  test::WriteFile(file, "x");
  const fs::path underFile = file / "x.orx";
  const fs::path noFolder = folder / "none" / "x.orx";
  Save(underFile);
  Save(noFolder);
  Save(folder);  // a folder cannot be replaced by a file
  EXPECT_THAT(bench.panel.messages, ElementsAre("Cannot create file " + underFile.string(),
                                                "Cannot create file " + noFolder.string(),
                                                "Cannot create file " + folder.string()));

  // A write that fails half way (file size limit, which holds for root too).
  const fs::path old = folder / "old.orx";
  test::WriteFile(old, "OLD");
  bench.panel.messages.clear();
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Save(old);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_THAT(bench.panel.messages, ElementsAre("Cannot create file " + old.string()));
  EXPECT_EQ(test::ReadFile(old), "OLD");
  // The half-written temporary file is gone.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_THAT(names, ::testing::UnorderedElementsAre("plain.txt", "old.orx"));
}

TEST_F(FormatFileTest, SaveRefusesAValueThatHoldsALineBreak) {
  setup().tickets[0][0].text = "two\r\nlines";
  const fs::path path = folder / "broken.orx";
  Save(path);
  EXPECT_THAT(bench.panel.messages, ElementsAre("Cannot save line 13 : it holds a line break."));
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(FormatFileTest, MultiplierOutsideWindows1252IsWrittenWithQuestionMarks) {
  setup().multipliers.coin = "1\xE6\x97\xA5";  // 1日
  const fs::path path = folder / "foreign.orx";
  Save(path);
  EXPECT_EQ(FormatFile::Parse(test::ReadFile(path)).lines[1], "1?");
}

TEST_F(FormatFileTest, FifoOrDeviceIsNoFormatFile) {
  setup().multipliers.coin = "5";
  test::FifoWatchdog fifo(folder / "fifo.orx");
  const fs::path link = folder / "link-to-fifo.orx";
  fs::create_symlink(fifo.path(), link);
  for (const fs::path& path : {fifo.path(), link, fs::path("/dev/null"), fs::path("/dev/zero")}) {
    SCOPED_TRACE(path.string());
    bench.panel.messages.clear();
    Load(path);
    EXPECT_THAT(bench.panel.messages, ElementsAre("Cannot open file " + path.string()));
  }
  EXPECT_FALSE(fifo.HadToRescue()) << "the load waited on the FIFO";
  EXPECT_EQ(setup().multipliers.coin, "5");
  EXPECT_EQ(bench.view.refreshes, 0);
}

TEST_F(FormatFileTest, LogoNamedAsFifoOrDeviceIsNotFound) {
  test::FifoWatchdog fifo(folder / "fifo.bmp");
  std::vector<std::string> lines = StartUpLines();
  lines[9] = fifo.path().string();
  lines[10] = "/dev/zero";
  LoadLines(lines);
  EXPECT_THAT(bench.panel.messages,
              ElementsAre("Can't find logo1 .", "Can't find logo2 .", "Load finished."));
  EXPECT_FALSE(fifo.HadToRescue()) << "the logo test waited on the FIFO";
  EXPECT_EQ(setup().logos[0].path, "");
  EXPECT_EQ(setup().logos[1].path, "");
}

TEST_F(FormatFileTest, FileOverSixtyFourKilobytesLoadsOnlyWhenItsLinesLieWithin) {
  // A real file is about 2 KB; anything after line 132 is never read.
  std::vector<std::string> lines = StartUpLines();
  lines[KindLine(0, 1) - 1] = "4";
  const std::string bytes = JoinCrLf(lines);
  const fs::path trailing = folder / "trailing.orx";
  test::WriteFile(trailing, bytes + std::string(64 * 1024 - bytes.size() + 1, 'x'));
  Load(trailing);
  EXPECT_THAT(bench.panel.messages, ElementsAre("Load finished."));
  EXPECT_EQ(setup().tickets[0][0].kindItem, 4);

  // 64 KB and one byte with the last line cut off at 64 KB.
  std::vector<std::string> padded = StartUpLines();
  padded[131] = "0";
  std::string big = JoinCrLf(padded);
  big.insert(big.size() - 3, std::string(64 * 1024 + 1 - big.size(), ' '));
  ASSERT_EQ(big.size(), 64u * 1024 + 1);
  const fs::path cut = folder / "cut.orx";
  test::WriteFile(cut, big);
  bench.panel.messages.clear();
  Load(cut);
  EXPECT_THAT(bench.panel.messages,
              ElementsAre("Cannot open file " + cut.string() + " : too large for a format file."));
  EXPECT_EQ(bench.view.refreshes, 1) << "nothing applied";
}

TEST_F(FormatFileTest, LineOverTwoHundredFiftySixBytesRefusesTheFile) {
  std::vector<std::string> lines = StartUpLines();
  lines[1] = "7";
  lines[12] = std::string(256, 'a');  // the longest a line may be
  lines[13] = std::string(257, 'b');
  const fs::path path = folder / "long.orx";
  test::WriteFile(path, JoinCrLf(lines));
  Load(path);
  EXPECT_THAT(bench.panel.messages, ElementsAre("Cannot open file " + path.string() +
                                                " : line 14 is longer than 256 bytes."));
  EXPECT_EQ(setup().multipliers.coin, "1") << "nothing applied";
  EXPECT_EQ(bench.view.refreshes, 0);

  // 256 bytes are fine; lines after the last are not looked at.
  lines[13] = std::string(256, 'b');
  lines.push_back(std::string(100000, 'c'));
  test::WriteFile(path, JoinCrLf(lines));
  bench.panel.messages.clear();
  Load(path);
  EXPECT_THAT(bench.panel.messages, ElementsAre("Load finished."));
  EXPECT_EQ(setup().multipliers.coin, "7");
  EXPECT_EQ(setup().tickets[0][0].text, std::string(24, 'a'));
}

TEST_F(FormatFileTest, SaveRefusesALineOverTwoHundredFiftySixBytes) {
  // Only a logo path can be that long; the file could not be loaded again.
  setup().logos[1].path = "/" + std::string(255, 'd');
  setup().logos[1].height = 1;
  const fs::path path = folder / "long.orx";
  Save(path);
  EXPECT_THAT(bench.panel.messages, ElementsAre("Save finished."));
  setup().logos[1].path += "d";
  bench.panel.messages.clear();
  fs::remove(path);
  Save(path);
  EXPECT_THAT(bench.panel.messages,
              ElementsAre("Cannot save line 11 : it is longer than 256 bytes."));
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(FormatFileTest, BadValueIsQuotedByItsFirstFortyCharacters) {
  const std::string forty = "0123456789abcdefghij0123456789ABCDEFGHIJ";
  EXPECT_EQ(NotAnIntegerMessage(forty), "'" + forty + "' is not a valid integer value");
  EXPECT_EQ(NotAnIntegerMessage(forty + "K"), "'" + forty + "...' is not a valid integer value");
  // Characters, not bytes: a wide character is never cut in two.
  std::string wide;
  for (int i = 0; i < 50; ++i) wide += "\xC3\xA9";  // é
  std::string fortyWide;
  for (int i = 0; i < 40; ++i) fortyWide += "\xC3\xA9";
  EXPECT_EQ(NotAnIntegerMessage(wide), "'" + fortyWide + "...' is not a valid integer value");

  std::vector<std::string> lines = StartUpLines();
  lines[KindLine(0, 1) - 1] = std::string(200, 'z');
  LoadLines(lines);
  EXPECT_THAT(bench.panel.messages,
              ElementsAre("'" + std::string(40, 'z') + "...' is not a valid integer value"));
}

TEST_F(FormatFileTest, SaveOntoADeviceOrAFifoLeavesItAlone) {
  // A save renames a new file over what the name reaches: a FIFO or a device
  // (/dev/null, when run as root) would be replaced by a regular file.
  const fs::path fifo = folder / "fifo.orx";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const fs::path fifoLink = folder / "fifo-link.orx";
  fs::create_symlink(fifo, fifoLink);
  std::vector<fs::path> targets = {fifo, fifoLink};
  const fs::path device = folder / "null.orx";
  if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) targets.push_back(device);
  for (const fs::path& target : targets) Save(target);

  std::vector<std::string> refused;
  for (const fs::path& target : targets) refused.push_back("Cannot create file " + target.string());
  EXPECT_EQ(bench.panel.messages, refused);
  EXPECT_EQ(fs::symlink_status(fifo).type(), fs::file_type::fifo);
  EXPECT_EQ(fs::read_symlink(fifoLink), fifo);
  if (targets.size() == 3) {
    EXPECT_EQ(fs::symlink_status(device).type(), fs::file_type::character);
  }
}

TEST_F(FormatFileTest, SaveOnADanglingLinkWritesTheFileItNames) {
  // The link is kept and the file it names is made, as writing through the
  // link would; relative links are taken from the link's own folder.
  fs::create_directory(folder / "setups");
  const fs::path absolute = folder / "absolute.orx";
  fs::create_symlink(folder / "setups" / "a.orx", absolute);
  const fs::path relative = folder / "relative.orx";
  fs::create_symlink(fs::path("setups") / "r.orx", relative);
  const fs::path chained = folder / "chained.orx";
  fs::create_symlink("relative.orx", chained);
  Save(absolute);
  Save(chained);
  EXPECT_THAT(bench.panel.messages, ElementsAre("Save finished.", "Save finished."));
  EXPECT_TRUE(fs::is_symlink(absolute));
  EXPECT_TRUE(fs::is_symlink(relative));
  EXPECT_TRUE(fs::is_symlink(chained));
  EXPECT_EQ(test::ReadFile(folder / "setups" / "a.orx"), JoinCrLf(StartUpLines()));
  EXPECT_EQ(test::ReadFile(folder / "setups" / "r.orx"), JoinCrLf(StartUpLines()));

  // A link into a folder that does not exist, or a loop, cannot be saved
  // through; the link stays as it was.
  const fs::path nowhere = folder / "nowhere.orx";
  fs::create_symlink(folder / "missing" / "n.orx", nowhere);
  const fs::path loop = folder / "loop.orx";
  fs::create_symlink("loop.orx", loop);
  bench.panel.messages.clear();
  Save(nowhere);
  Save(loop);
  EXPECT_THAT(bench.panel.messages, ElementsAre("Cannot create file " + nowhere.string(),
                                                "Cannot create file " + loop.string()));
  EXPECT_EQ(fs::read_symlink(nowhere), folder / "missing" / "n.orx");
  EXPECT_EQ(fs::read_symlink(loop), "loop.orx");
}

}  // namespace
}  // namespace orvex::core
