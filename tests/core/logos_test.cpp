// Logo files: the printer's limits, choosing and clearing slots, and the
// printer-paced download on the virtual clock with the simulated printer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "bitmaps.h"
#include "link/link_control.h"
#include "logos/logo_download.h"
#include "logos/logo_file.h"
#include "virtual_bench.h"

namespace orvex {
namespace {

namespace fs = std::filesystem;
using test::VirtualBench;
using ::testing::ElementsAre;

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

  std::string topDown = bytes;
  Patch16(topDown, 22, static_cast<std::uint16_t>(65536 - 2));
  Patch16(topDown, 24, 0xFFFF);
  test::WriteFile(folder / "topdown.bmp", topDown);
  EXPECT_EQ(CheckLogoFile(folder / "topdown.bmp").result, LogoCheckResult::TooLarge);

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

}  // namespace
}  // namespace orvex
