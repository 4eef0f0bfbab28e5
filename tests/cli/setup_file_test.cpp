// Reading the setup to apply: what the tool would load, and what it would
// only warn about and orvex-provision refuses.
#include "cli/provision/setup_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bitmaps.h"
#include "core/formatfile/format_file.h"
#include "virtual_bench.h"

namespace orvex::cli::provision {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::uint8_t Solid(int, int) {
  return 0x00;
}

class SetupFileTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = test::TempFolder("provision-setup"); }
  void TearDown() override { fs::remove_all(folder_); }

  // Writes the setup as the tool saves it, with line `index` (0-based)
  // replaced when given.
  std::string Write(const core::TicketSetup& setup, int index = -1, const std::string& line = "") {
    core::FormatFile file = core::FormatFile::FromSetup(setup);
    if (index >= 0) file.lines[static_cast<std::size_t>(index)] = line;
    const fs::path path = folder_ / "shop.orx";
    test::WriteFile(path, file.Bytes());
    return path.string();
  }
  std::string Logo(const std::string& name, int width, int height) {
    const fs::path path = folder_ / name;
    test::WriteFile(path, test::MonoBmpBytes(width, height, Solid));
    return path.string();
  }

  fs::path folder_;
};

TEST_F(SetupFileTest, ASavedSetupComesBackWhole) {
  core::TicketSetup setup;
  setup.multipliers = {"25", "100", "5", "2"};
  setup.printStatus.payout = false;
  setup.Ticket(core::TicketKind::Note)[3].text = "THANK YOU";
  setup.Ticket(core::TicketKind::Note)[3].sizeItem = 2;
  setup.logos[2] = {Logo("logo3.bmp", 384, 20), 20};
  const SetupLoad load = LoadSetup(Write(setup));
  ASSERT_TRUE(load.setup.has_value()) << ::testing::PrintToString(load.problems);
  EXPECT_TRUE(load.problems.empty());
  EXPECT_EQ(load.setup->multipliers.payout, "5");
  EXPECT_FALSE(load.setup->printStatus.payout);
  EXPECT_EQ(load.setup->Ticket(core::TicketKind::Note)[3].text, "THANK YOU");
  EXPECT_EQ(load.setup->Ticket(core::TicketKind::Note)[3].sizeItem, 2);
  EXPECT_EQ(load.setup->logos[2].path, setup.logos[2].path);
  EXPECT_EQ(load.setup->logos[2].height, 20);
  EXPECT_TRUE(load.setup->logos[0].path.empty());
}

TEST_F(SetupFileTest, AMissingFile) {
  const std::string path = (folder_ / "none.orx").string();
  const SetupLoad load = LoadSetup(path);
  EXPECT_FALSE(load.setup);
  EXPECT_THAT(load.problems, ElementsAre(path + ": Cannot open file " + path));
}

TEST_F(SetupFileTest, AShortOrBrokenFile) {
  const fs::path path = folder_ / "short.orx";
  test::WriteFile(path, "0\r\n1\r\n1\r\n");
  const SetupLoad shortLoad = LoadSetup(path.string());
  EXPECT_FALSE(shortLoad.setup);
  EXPECT_THAT(
      shortLoad.problems,
      ElementsAre(path.string() + ": List index out of bounds (3) (not a complete format file)"));

  const SetupLoad broken = LoadSetup(Write(core::TicketSetup{}, 43, "big"));
  EXPECT_FALSE(broken.setup);
  EXPECT_THAT(broken.problems, Contains(HasSubstr("'big' is not a valid integer value")));
}

TEST_F(SetupFileTest, TheWindowsLimitsHoldHereToo) {
  // A text line the window's load refuses (too long for a line; cut off at
  // 64 KB) is refused here too, in the same words.
  struct Case {
    std::size_t length;
    std::string why;
  };
  const Case cases[] = {{300, " : line 14 is longer than 256 bytes."},
                        {70 * 1024, " : too large for a format file."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const std::string path = Write(core::TicketSetup{}, 13, std::string(c.length, 'A'));
    test::VirtualBench window;
    window.panel.openAnswers.push_back(path);
    core::LoadFormatFile(window.session());
    const std::string refusal = "Cannot open file " + path + c.why;
    EXPECT_THAT(window.panel.messages, ElementsAre(refusal));
    const SetupLoad load = LoadSetup(path);
    EXPECT_FALSE(load.setup.has_value());
    EXPECT_THAT(load.problems, ElementsAre(path + ": " + refusal));
  }
}

TEST_F(SetupFileTest, ALogoThatNoLongerPassesTheTest) {
  core::TicketSetup setup;
  setup.logos[1] = {Logo("logo2.bmp", 384, 20), 20};
  const std::string file = Write(setup);
  // Replaced since it was saved: now 400 pixels wide.
  Logo("logo2.bmp", 400, 20);
  const SetupLoad load = LoadSetup(file);
  EXPECT_FALSE(load.setup);
  EXPECT_THAT(load.problems, ElementsAre(file + ": Logo2 width not 384 pixel .",
                                         file + ": logo 2 is " + setup.logos[1].path));

  fs::remove(setup.logos[1].path);
  EXPECT_THAT(LoadSetup(file).problems, Contains(file + ": Can't find logo2 ."));
}

TEST_F(SetupFileTest, MultipliersThatCannotBeSent) {
  core::TicketSetup setup;
  setup.multipliers.note = "12a";
  const SetupLoad load = LoadSetup(Write(setup));
  EXPECT_FALSE(load.setup);
  EXPECT_THAT(load.problems, ElementsAre(HasSubstr("'12a' is not a valid integer value")));

  setup.multipliers.note = "12";
  setup.multipliers.decimals = "7";
  const SetupLoad decimals = LoadSetup(Write(setup));
  EXPECT_FALSE(decimals.setup);
  EXPECT_THAT(decimals.problems, ElementsAre(HasSubstr("The floating-point too large (0~3).")));

  setup.multipliers.decimals = "";
  const SetupLoad empty = LoadSetup(Write(setup));
  EXPECT_FALSE(empty.setup);
  EXPECT_THAT(empty.problems, ElementsAre(HasSubstr("'' is not a valid integer value")));
}

}  // namespace
}  // namespace orvex::cli::provision
