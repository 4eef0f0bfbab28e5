// Logo files: the printer's limits, choosing and clearing slots, and the
// printer-paced download on the virtual clock with the simulated printer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>

#include "bitmaps.h"
#include "core/link/link_control.h"
#include "core/logos/logo_download.h"
#include "core/logos/logo_file.h"
#include "virtual_bench.h"

namespace orvex::core {
namespace {

namespace fs = std::filesystem;
using test::VirtualBench;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::uint8_t Stripes(int row, int column) {
  return static_cast<std::uint8_t>((row * 7 + column * 13) & 0xFF);
}

void Patch16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

class LogoFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { folder = test::TempFolder("logo-files"); }
  static fs::path folder;

  // A bitmap made by ImageMagick, an independent tool.
  static fs::path Convert(const std::string& name, const std::string& arguments) {
    const fs::path path = folder / name;
    // The arguments end in the output format, "BMP3:" or "PNG:".
    if (!test::Run("convert " + arguments + path.string() + " 2>/dev/null")) {
      ADD_FAILURE() << "convert failed for " << name;
    }
    return path;
  }
};
fs::path LogoFileTest::folder;

TEST_F(LogoFileTest, BitmapsMadeByImageMagick) {
  const auto ok = CheckLogoFile(Convert("ok.bmp", "-size 384x341 xc:white -monochrome BMP3:"));
  EXPECT_EQ(ok.result, LogoCheckResult::Accepted);
  EXPECT_EQ(ok.height, 341);
  EXPECT_EQ(CheckLogoFile(Convert("tall.bmp", "-size 384x342 xc:white -monochrome BMP3:")).result,
            LogoCheckResult::TooLarge);
  EXPECT_EQ(
      CheckLogoFile(Convert("c16.bmp", "-size 384x20 gradient: -colors 16 -type Palette BMP3:"))
          .result,
      LogoCheckResult::NotMono);
  EXPECT_EQ(
      CheckLogoFile(Convert("rgb.bmp", "-size 384x20 gradient:red-blue -type TrueColor BMP3:"))
          .result,
      LogoCheckResult::NotMono);
  EXPECT_EQ(CheckLogoFile(Convert("narrow.bmp", "-size 383x20 xc:white -monochrome BMP3:")).result,
            LogoCheckResult::WrongWidth);
  EXPECT_EQ(
      CheckLogoFile(Convert("narrowtall.bmp", "-size 383x400 xc:white -monochrome BMP3:")).result,
      LogoCheckResult::WrongWidth);
  const fs::path png = Convert("picture.png", "-size 384x20 xc:white PNG:");
  fs::rename(png, folder / "picture.bmp");
  EXPECT_EQ(CheckLogoFile(folder / "picture.bmp").result, LogoCheckResult::NotBmp);
}

TEST_F(LogoFileTest, HeaderFieldsTestedInOrder) {
  const fs::path source = Convert("base.bmp", "-size 384x2 xc:white -monochrome BMP3:");
  std::string bytes = test::ReadFile(source);
  ASSERT_GT(bytes.size(), 62u);

  // A top-down bitmap (negative height) is as large as its rows.
  std::string topDown = bytes;
  Patch16(topDown, 22, static_cast<std::uint16_t>(65536 - 2));
  Patch16(topDown, 24, 0xFFFF);
  test::WriteFile(folder / "topdown.bmp", topDown);
  const LogoCheck topDownCheck = CheckLogoFile(folder / "topdown.bmp");
  EXPECT_EQ(topDownCheck.result, LogoCheckResult::Accepted);
  EXPECT_EQ(topDownCheck.height, 2);

  std::string compressed = bytes;
  compressed[30] = 1;
  test::WriteFile(folder / "rle.bmp", compressed);
  EXPECT_EQ(CheckLogoFile(folder / "rle.bmp").result, LogoCheckResult::Compressed);

  // Width tested before compression and size.
  std::string both = compressed;
  Patch16(both, 18, 383);
  Patch16(both, 22, 1000);
  test::WriteFile(folder / "both.bmp", both);
  EXPECT_EQ(CheckLogoFile(folder / "both.bmp").result, LogoCheckResult::WrongWidth);

  // The upper halves of width and height are not looked at.
  std::string upper = bytes;
  Patch16(upper, 20, 7);
  Patch16(upper, 24, 7);
  test::WriteFile(folder / "upper.bmp", upper);
  EXPECT_EQ(CheckLogoFile(folder / "upper.bmp").result, LogoCheckResult::Accepted);
}

TEST_F(LogoFileTest, ShortEmptyAndMissingFiles) {
  test::WriteFile(folder / "empty.bmp", "");
  EXPECT_EQ(CheckLogoFile(folder / "empty.bmp").result, LogoCheckResult::NotBmp);
  const std::string full = test::MonoBmpBytes(384, 2, Stripes);
  test::WriteFile(folder / "short.bmp", full.substr(0, 33));
  EXPECT_EQ(CheckLogoFile(folder / "short.bmp").result, LogoCheckResult::Compressed);
  test::WriteFile(folder / "short2.bmp", full.substr(0, 34));
  EXPECT_EQ(CheckLogoFile(folder / "short2.bmp").result, LogoCheckResult::Accepted);
  EXPECT_EQ(CheckLogoFile(folder / "missing.bmp").result, LogoCheckResult::Unreadable);
  EXPECT_EQ(CheckLogoFile(folder.string()).result, LogoCheckResult::NotBmp);
}

TEST(LogoMessages, PerSlotWhenChoosingAndWhenLoading) {
  EXPECT_EQ(ChooseLogoMessage(LogoCheckResult::Unreadable, 1),
            "Open file error ! Please try again!");
  EXPECT_EQ(ChooseLogoMessage(LogoCheckResult::Unreadable, 3), "Open file error !");
  EXPECT_EQ(ChooseLogoMessage(LogoCheckResult::NotBmp, 2),
            "File not BMP format ! Please try again!");
  EXPECT_EQ(ChooseLogoMessage(LogoCheckResult::WrongWidth, 1),
            "BMP width not 384 pixel ! Please try again!");
  EXPECT_EQ(ChooseLogoMessage(LogoCheckResult::NotMono, 3),
            "BMP not mono color ! Please try again!");
  EXPECT_EQ(ChooseLogoMessage(LogoCheckResult::Compressed, 2),
            "BMP have compression ! Please try again!");
  EXPECT_EQ(ChooseLogoMessage(LogoCheckResult::TooLarge, 1),
            "Sizes too large over 16K ! Please try again!");
  EXPECT_EQ(ChooseLogoMessage(LogoCheckResult::TooLarge, 2), "Sizes too large over 16K .");
  EXPECT_EQ(LoadLogoMessage(LogoCheckResult::Unreadable, 2), "Can't find logo2 .");
  EXPECT_EQ(LoadLogoMessage(LogoCheckResult::TooLarge, 3), "Logo3 sizes too large over 16K .");
  EXPECT_EQ(LoadLogoMessage(LogoCheckResult::NotMono, 1), "Logo1 not mono color .");
}

class LogoSlotTest : public ::testing::Test {
 protected:
  LogoSlotTest() {
    folder = test::TempFolder("logo-slots");
    good = (folder / "good.bmp").string();
    test::WriteFile(good, test::MonoBmpBytes(384, 120, Stripes));
    wide = (folder / "wide.bmp").string();
    test::WriteFile(wide, test::MonoBmpBytes(400, 10, Stripes));
  }
  VirtualBench bench;
  Session& s = bench.session();
  fs::path folder;
  std::string good, wide;
};

TEST_F(LogoSlotTest, ChoosingAcceptedAndRejectedFiles) {
  bench.panel.openAnswers = {good};
  ChooseLogo2(s);
  EXPECT_EQ(s.setup.logos[1].path, good);
  EXPECT_EQ(s.setup.logos[1].height, 120);
  EXPECT_THAT(bench.view.shownLogos, ElementsAre(2));
  EXPECT_THAT(bench.panel.dialogFilters, ElementsAre("Bitmaps(*.bmp)|*.bmp"));
  EXPECT_TRUE(bench.panel.messages.empty());

  // A rejected file empties a slot that held a logo.
  bench.panel.openAnswers = {wide};
  ChooseLogo2(s);
  EXPECT_EQ(s.setup.logos[1].path, "");
  EXPECT_THAT(bench.view.blankedLogos, ElementsAre(2));
  EXPECT_THAT(bench.panel.messages, ElementsAre("BMP width not 384 pixel ! Please try again!"));

  // Cancelling the dialog changes nothing.
  bench.panel.openAnswers = {good};
  ChooseLogo1(s);
  ChooseLogo1(s);
  EXPECT_EQ(s.setup.logos[0].path, good);
}

TEST_F(LogoSlotTest, UndecodableBitmapLeavesTheSlotEmpty) {
  bench.view.logoDecodes = false;
  bench.panel.openAnswers = {good};
  ChooseLogo3(s);
  EXPECT_EQ(s.setup.logos[2].path, "");
  EXPECT_THAT(bench.view.blankedLogos, ElementsAre(3));
  EXPECT_EQ(bench.panel.messages.size(), 1u);
}

TEST_F(LogoSlotTest, ClearingNeedsTheIdentifiedPrinter) {
  s.setup.logos[1] = {good, 120};
  ClearLogo2(s);
  EXPECT_EQ(s.setup.logos[1].path, good);
  s.state.identified = true;
  ClearLogo2(s);
  EXPECT_EQ(s.setup.logos[1].path, "");
  EXPECT_EQ(s.setup.logos[1].height, 120);  // the height stays
  EXPECT_THAT(bench.view.blankedLogos, ElementsAre(2));
}

TEST_F(LogoSlotTest, ClearAllClearsWindowSlotsAndFormats) {
  s.state.identified = true;
  bench.memo.AppendLine("x");
  s.setup.logos[0] = {good, 120};
  s.setup.logos[2] = {good, 120};
  s.setup.Ticket(TicketKind::Payout)[4].kindItem = 6;
  ClearAll(s);
  EXPECT_TRUE(bench.memo.lines.empty());
  EXPECT_EQ(s.setup.logos[0].path, "");
  EXPECT_EQ(s.setup.logos[2].path, "");
  EXPECT_EQ(s.setup.Ticket(TicketKind::Payout)[4].kindItem, 0);
}

TEST(LogoPayload, RowsTopDownAndInverted) {
  const std::string file = test::MonoBmpBytes(384, 2, Stripes);
  const auto payload = ReadLogoPayload(file);
  ASSERT_TRUE(payload);
  EXPECT_EQ(payload->dataSize, 96u);
  ASSERT_EQ(payload->rows.size(), 96u);
  // The first row sent is the last row stored in the file, inverted.
  for (int c = 0; c < 48; ++c) {
    EXPECT_EQ(payload->rows[static_cast<std::size_t>(c)],
              static_cast<std::uint8_t>(~Stripes(1, c)));
    EXPECT_EQ(payload->rows[static_cast<std::size_t>(48 + c)],
              static_cast<std::uint8_t>(~Stripes(0, c)));
  }
  // A file shorter than its header says is refused.
  EXPECT_FALSE(ReadLogoPayload(file.substr(0, file.size() - 1)));
  EXPECT_FALSE(ReadLogoPayload(test::MonoBmpBytes(384, 342, Stripes)));
}

// ---- Bitmap layouts: whatever the layout, the printer gets the image ----

using test::BmpLayout;
using test::Picture;
using test::PrinterRows;
using Layout = BmpLayout;

bool Sample(int x, int y) {
  // Neither symmetric left to right nor top to bottom.
  return (x < 40 && y < 3) || x == 3 * y || (x / 8 + y) % 5 == 0;
}

std::string BitmapOf(const Picture& black, int height, const Layout& layout) {
  return test::PictureBmpBytes(black, height, layout);
}

void Put(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int k = 0; k < size; ++k) {
    bytes[at + static_cast<std::size_t>(k)] = static_cast<char>(value >> (8 * k));
  }
}

std::vector<std::uint8_t> Rows(const std::string& file) {
  const auto payload = ReadLogoPayload(file);
  if (!payload) return {};
  return payload->rows;
}

std::string DataFile(const std::string& name) {
  return test::ReadFile(fs::path(ORVEX_TEST_DATA_DIR) / "logos" / name);
}

TEST(LogoLayouts, ClassicFilesSendExactlyTheBytesTheyAlwaysSent) {
  for (const std::string name : {"classic_stripes", "classic_drawing"}) {
    SCOPED_TRACE(name);
    const std::string file = DataFile(name + ".bmp");
    const std::string golden = DataFile(name + ".rows");
    ASSERT_FALSE(golden.empty());
    const std::vector<std::uint8_t> rows = Rows(file);
    EXPECT_EQ(std::string(rows.begin(), rows.end()), golden);
  }
  // And what the classic layout means: bottom row first, colour 0 black.
  const std::string classic = BitmapOf(Sample, 5, Layout{});
  EXPECT_EQ(classic.substr(54, 8), std::string("\0\0\0\0\xFF\xFF\xFF\0", 8));
  EXPECT_EQ(Rows(classic), PrinterRows(Sample, 5));
}

TEST(LogoLayouts, EveryLayoutSendsTheSameImage) {
  const std::vector<std::uint8_t> expected = PrinterRows(Sample, 7);
  const struct {
    const char* what;
    Layout layout;
  } cases[] = {
      {"V4 header", {108}},
      {"V5 header", {124}},
      {"white as colour 0", {40, {0xFFFFFF, 0x000000}}},
      {"top-down", {40, {0x000000, 0xFFFFFF}, true}},
      {"V5, white first, top-down", {124, {0xFFFFFF, 0x000000}, true}},
      {"a gap before the pixels", {40, {0x000000, 0xFFFFFF}, false, 100}},
      {"dark blue and yellow", {40, {0x000080, 0xFFFF00}}},
      {"yellow and dark blue", {108, {0xFFFF00, 0x000080}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = BitmapOf(Sample, 7, c.layout);
    const LogoCheck check = CheckLogoBytes(file);
    EXPECT_EQ(check.result, LogoCheckResult::Accepted);
    EXPECT_EQ(check.height, 7);
    EXPECT_EQ(Rows(file), expected);
  }
}

TEST(LogoLayouts, FilesOfOrdinaryToolsSendTheirImage) {
  // ImageMagick wrote white as colour 0, and as BMP a 108-byte header.
  const std::string golden = DataFile("classic_drawing.rows");
  for (const std::string name : {"white_first_drawing.bmp", "v4_drawing.bmp"}) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> rows = Rows(DataFile(name));
    EXPECT_EQ(std::string(rows.begin(), rows.end()), golden);
  }
}

TEST(LogoLayouts, TopDownFilesAreAsLargeAsTheirRows) {
  for (const int rows : {1, 2, 341}) {
    const LogoCheck check = CheckLogoBytes(BitmapOf(Sample, rows, {40, {0, 0xFFFFFF}, true}));
    EXPECT_EQ(check.result, LogoCheckResult::Accepted) << rows;
    EXPECT_EQ(check.height, rows);
  }
  EXPECT_EQ(CheckLogoBytes(BitmapOf(Sample, 342, {40, {0, 0xFFFFFF}, true})).result,
            LogoCheckResult::TooLarge);
  const std::string full = BitmapOf(Sample, 341, {124, {0xFFFFFF, 0}, true});
  EXPECT_EQ(Rows(full), PrinterRows(Sample, 341));
}

TEST(LogoLayouts, PixelsOutsideTheFileAreRefused) {
  std::string file = BitmapOf(Sample, 4, Layout{108});
  EXPECT_EQ(Rows(file), PrinterRows(Sample, 4));
  // One byte short of the last row.
  EXPECT_FALSE(ReadLogoPayload(file.substr(0, file.size() - 1)));
  // A data offset past the end, or one that wraps around.
  for (const std::uint32_t offset :
       {static_cast<std::uint32_t>(file.size()), 0x7FFFFFFFu, 0xFFFFFFF0u}) {
    std::string moved = file;
    Put(moved, 10, offset, 4);
    EXPECT_FALSE(ReadLogoPayload(moved)) << offset;
  }
  // An offset inside the headers.
  Put(file, 10, 20, 4);
  EXPECT_FALSE(ReadLogoPayload(file));
}

TEST(LogoLayouts, PaletteThatIsNotThereCountsAsBlackFirst) {
  // A header that claims to run into the pixels: its palette is not read.
  std::string file = BitmapOf(Sample, 3, Layout{});
  for (std::size_t i = 62; i < file.size(); ++i) file[i] = static_cast<char>(~file[i]);
  Put(file, 54, 0xFFFFFF, 4);  // would say white first
  Put(file, 14, 5000, 4);
  EXPECT_EQ(CheckLogoBytes(file).result, LogoCheckResult::Accepted);
  std::vector<std::uint8_t> inverted = PrinterRows(Sample, 3);
  for (auto& b : inverted) b = static_cast<std::uint8_t>(~b);
  EXPECT_EQ(Rows(file), inverted);
}

TEST_F(LogoSlotTest, DownloadOfAV5WhiteFirstTopDownLogoPrintsItsImage) {
  const fs::path path = folder / "v5.bmp";
  test::WriteFile(path, BitmapOf(Sample, 20, {124, {0xFFFFFF, 0x000000}, true}));
  bench.Connect();
  bench.panel.openAnswers = {path.string()};
  ChooseLogo1(s);
  ASSERT_EQ(s.setup.logos[0].height, 20);
  DownloadLogo1(s);
  ASSERT_TRUE(bench.RunUntil([this] { return !s.state.busy; }, 60000));
  ASSERT_TRUE(bench.printer().logo(1));
  EXPECT_EQ(bench.printer().logo(1)->height, 20);
  EXPECT_EQ(bench.printer().logo(1)->rows, PrinterRows(Sample, 20));
}

}  // namespace
}  // namespace orvex::core
