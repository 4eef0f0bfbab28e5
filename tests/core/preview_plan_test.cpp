// The ticket preview: where each strip goes and what it shows, the missing
// and unreadable logos, and the Preview menu items.
#include "core/preview/preview_plan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "bitmaps.h"
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

FormatLine Line(LineKind kind, int size = 1, int height = 1, std::string text = {}) {
  FormatLine line;
  line.kindItem = static_cast<int>(kind);
  line.sizeItem = size - 1;
  line.heightItem = height - 1;
  line.text = std::move(text);
  return line;
}

// A ticket of NotUsed lines with the given lines on top.
TicketFormat Ticket(std::vector<FormatLine> top) {
  TicketFormat ticket;
  for (FormatLine& line : ticket) line = Line(LineKind::NotUsed);
  for (std::size_t k = 0; k < top.size(); ++k) ticket[k] = top[k];
  return ticket;
}

void ExpectTextStrip(const PreviewStrip& strip, int top, const std::string& text, int textX,
                     int pointSize) {
  EXPECT_TRUE(strip.visible);
  EXPECT_TRUE(strip.laidOut);
  EXPECT_TRUE(strip.isText);
  EXPECT_EQ(strip.top, top);
  EXPECT_EQ(strip.left, 10);
  EXPECT_EQ(strip.width, 220);
  EXPECT_EQ(strip.height, 25);
  EXPECT_EQ(strip.text, text);
  EXPECT_EQ(strip.textX, textX);
  EXPECT_EQ(strip.pointSize, pointSize);
}

class PreviewPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = test::TempFolder(std::string("preview-") +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    bench.session().state.identified = true;
  }
  void TearDown() override { fs::remove_all(folder); }

  TicketSetup& setup() { return bench.session().setup; }

  // Puts a 384-pixel-wide bitmap of the given rows into a slot (1..3).
  std::string GiveLogo(int slot, int rows) {
    const fs::path path = folder / ("logo" + std::to_string(slot) + ".bmp");
    test::WriteFile(path, test::MonoBmpBytes(384, rows, Blank));
    setup().logos[static_cast<std::size_t>(slot - 1)] = {path.string(), rows};
    return path.string();
  }

  fs::path folder;
  VirtualBench bench;
};

TEST_F(PreviewPlanTest, WorkedExample) {
  const std::string logo = GiveLogo(1, 120);
  setup().multipliers.decimals = "2";
  setup().Ticket(TicketKind::Coin) =
      Ticket({Line(LineKind::Logo1, 1, 1), Line(LineKind::Text, 2, 1, "ABCDEFGHI"),
              Line(LineKind::Data, 3)});
  PreviewCoinTicket(bench.session());

  EXPECT_THAT(bench.panel.messages, IsEmpty());
  ASSERT_EQ(bench.preview.shown.size(), 1u);
  const PreviewPlan& plan = bench.preview.shown[0];
  EXPECT_FALSE(plan.stopped);
  const PreviewStrip& first = plan.strips[0];
  EXPECT_TRUE(first.visible);
  EXPECT_TRUE(first.laidOut);
  EXPECT_FALSE(first.isText);
  EXPECT_EQ(first.top, 10);
  EXPECT_EQ(first.left, 10);
  EXPECT_EQ(first.width, 220);
  EXPECT_EQ(first.height, 60);
  EXPECT_EQ(first.bitmapPath, logo);
  ExpectTextStrip(plan.strips[1], 70, "ABCDEFGHI", 68, 10);
  ExpectTextStrip(plan.strips[2], 95, "X.XX", 82, 14);
  for (std::size_t k = 3; k < 10; ++k) EXPECT_FALSE(plan.strips[k].visible) << k;
  EXPECT_EQ(plan.panelHeight, 140);
  EXPECT_EQ(PreviewPanelLeft(264), 12);
}

TEST_F(PreviewPlanTest, SameLayoutGivesSameStripsOnEveryTicket) {
  GiveLogo(3, 100);
  const TicketFormat layout = Ticket({Line(LineKind::Logo3, 1, 2), Line(LineKind::Security, 2),
                                      Line(LineKind::Text, 1, 2, "Thanks")});
  for (TicketKind kind : {TicketKind::Coin, TicketKind::Note, TicketKind::Payout}) {
    setup().Ticket(kind) = layout;
  }
  PreviewNoteTicket(bench.session());
  PreviewPayoutTicket(bench.session());
  ASSERT_EQ(bench.preview.shown.size(), 2u);
  const PreviewPlan coin = PlanTicketPreview(setup(), TicketKind::Coin);
  for (const PreviewPlan& plan : bench.preview.shown) {
    EXPECT_EQ(plan.panelHeight, coin.panelHeight);
    EXPECT_EQ(plan.strips[0].height, 100);  // a logo on line 1 honours height 2
    for (std::size_t k = 0; k < 10; ++k) {
      EXPECT_EQ(plan.strips[k].visible, coin.strips[k].visible);
      EXPECT_EQ(plan.strips[k].top, coin.strips[k].top);
      EXPECT_EQ(plan.strips[k].height, coin.strips[k].height);
      EXPECT_EQ(plan.strips[k].text, coin.strips[k].text);
      EXPECT_EQ(plan.strips[k].textX, coin.strips[k].textX);
    }
  }
  ExpectTextStrip(coin.strips[1], 110, "XXXX", 86, 10);  // decimals "0"
  ExpectTextStrip(coin.strips[2], 135, "Thanks", 82, 8);
  EXPECT_EQ(coin.panelHeight, 180);
}

TEST_F(PreviewPlanTest, AllNotUsedGivesAnEmptyPanel) {
  setup().Ticket(TicketKind::Payout) = Ticket({});
  const PreviewPlan plan = PlanTicketPreview(setup(), TicketKind::Payout);
  for (const PreviewStrip& strip : plan.strips) EXPECT_FALSE(strip.visible);
  EXPECT_EQ(plan.panelHeight, 30);
  // A line with no kind selected prints nothing either.
  setup().Ticket(TicketKind::Payout)[0].kindItem = -1;
  EXPECT_EQ(PlanTicketPreview(setup(), TicketKind::Payout).panelHeight, 30);
}

TEST_F(PreviewPlanTest, TextIsCentredByItsSizeAndLongSize3TextIsCut) {
  const std::string fifteen = "ABCDEFGHIJKLMNO";
  const std::string sixteen = "ABCDEFGHIJKLMNOP";
  const std::string full = "ABCDEFGHIJKLMNOPQRSTUVWX";
  setup().Ticket(TicketKind::Coin) = Ticket({
      Line(LineKind::Text, 3, 1, fifteen),
      Line(LineKind::Text, 3, 1, sixteen),
      Line(LineKind::Text, 3, 2, full),
      Line(LineKind::Text, 1, 1, ""),
      Line(LineKind::Text, 1, 1, full),
      Line(LineKind::Text, 2, 1, full),
      Line(LineKind::Text, 1, 1, "M\xFCnze \x80"),
  });
  const PreviewPlan plan = PlanTicketPreview(setup(), TicketKind::Coin);
  ExpectTextStrip(plan.strips[0], 10, fifteen, 32, 14);
  ExpectTextStrip(plan.strips[1], 35, sixteen, 25, 14);
  ExpectTextStrip(plan.strips[2], 60, sixteen, 25, 14);  // height plays no part
  ExpectTextStrip(plan.strips[3], 85, "", 100, 8);
  ExpectTextStrip(plan.strips[4], 110, full, 28, 8);  // sizes 1 and 2 are not cut
  ExpectTextStrip(plan.strips[5], 135, full, 16, 10);
  // Windows-1252 bytes are shown as their characters, one byte one character.
  ExpectTextStrip(plan.strips[6], 160, "M\xC3\xBCnze \xE2\x82\xAC", 79, 8);
  EXPECT_EQ(plan.panelHeight, 205);
}

TEST_F(PreviewPlanTest, PlaceholdersFollowTheDecimalSetting) {
  setup().Ticket(TicketKind::Coin) =
      Ticket({Line(LineKind::Data, 1), Line(LineKind::Security, 2), Line(LineKind::Data, 3)});
  const std::pair<std::string, std::string> cases[] = {
      {"0", "XXXX"}, {"1", "XX.X"}, {"2", "X.XX"}, {"3", ""}, {"-1", ""}, {" 1", "XX.X"}};
  for (const auto& [decimals, placeholder] : cases) {
    SCOPED_TRACE(decimals);
    setup().multipliers.decimals = decimals;
    const PreviewPlan plan = PlanTicketPreview(setup(), TicketKind::Coin);
    EXPECT_FALSE(plan.stopped);
    ExpectTextStrip(plan.strips[0], 10, placeholder, 88, 8);
    ExpectTextStrip(plan.strips[1], 35, placeholder, 86, 10);
    ExpectTextStrip(plan.strips[2], 60, placeholder, 82, 14);
    EXPECT_EQ(plan.panelHeight, 105);
  }
}

TEST_F(PreviewPlanTest, DecimalsThatAreNoNumberStopThePreview) {
  setup().Ticket(TicketKind::Coin) = Ticket({Line(LineKind::Logo1), Line(LineKind::Text, 1, 1, "A"),
                                             Line(LineKind::Data), Line(LineKind::Logo2)});
  for (const std::string bad : {"", "x", "-"}) {
    SCOPED_TRACE(bad);
    bench.panel.messages.clear();
    setup().multipliers.decimals = bad;
    const PreviewPlan plan = PlanTicketPreview(setup(), TicketKind::Coin);
    EXPECT_TRUE(plan.stopped);
    EXPECT_EQ(plan.stopMessage, "'" + bad + "' is not a valid integer value");
    PreviewCoinTicket(bench.session());
    // The missing logo before the bad line is reported; the one after is not reached.
    EXPECT_THAT(bench.panel.messages, ElementsAre("Can't find logo1, please Check it.",
                                                  "'" + bad + "' is not a valid integer value"));
    EXPECT_THAT(bench.preview.shown, IsEmpty());
  }
  // The box is read only when a data or security line is met.
  setup().Ticket(TicketKind::Coin)[2] = Line(LineKind::Text);
  EXPECT_FALSE(PlanTicketPreview(setup(), TicketKind::Coin).stopped);
}

TEST_F(PreviewPlanTest, MissingLogosAreReportedAndTheStripsMoveUp) {
  GiveLogo(1, 80);
  setup().Ticket(TicketKind::Note) =
      Ticket({Line(LineKind::Logo2), Line(LineKind::Logo3, 1, 2), Line(LineKind::Text, 1, 1, "A"),
              Line(LineKind::Logo2), Line(LineKind::Logo1)});
  PreviewNoteTicket(bench.session());

  EXPECT_THAT(bench.panel.messages, ElementsAre("Can't find logo2, please Check it.",
                                                "Can't find logo3, please Check it.",
                                                "Can't find logo2, please Check it."));
  ASSERT_EQ(bench.preview.shown.size(), 1u);
  const PreviewPlan& plan = bench.preview.shown[0];
  for (std::size_t k : {0u, 1u, 3u}) {
    EXPECT_TRUE(plan.strips[k].visible) << k;
    EXPECT_FALSE(plan.strips[k].laidOut) << k;
  }
  ExpectTextStrip(plan.strips[2], 10, "A", 97, 8);
  EXPECT_EQ(plan.strips[4].top, 35);
  EXPECT_EQ(plan.strips[4].height, 40);
  EXPECT_EQ(plan.panelHeight, 95);
}

TEST_F(PreviewPlanTest, LogoStripIsTheSlotHeightOrHalfOfIt) {
  GiveLogo(2, 341);
  setup().Ticket(TicketKind::Coin) =
      Ticket({Line(LineKind::Logo2, 3, 2), Line(LineKind::Logo2, 3, 1)});
  const PreviewPlan plan = PlanTicketPreview(setup(), TicketKind::Coin);
  EXPECT_EQ(plan.strips[0].top, 10);
  EXPECT_EQ(plan.strips[0].height, 341);
  EXPECT_EQ(plan.strips[1].top, 351);
  EXPECT_EQ(plan.strips[1].height, 170);
  EXPECT_EQ(plan.strips[1].width, 220);
  EXPECT_EQ(plan.panelHeight, 541);
}

TEST_F(PreviewPlanTest, UnreadableLogoBitmapStopsThePreview) {
  const std::string logo = GiveLogo(3, 50);
  fs::remove(logo);
  setup().Ticket(TicketKind::Payout) = Ticket({Line(LineKind::Text), Line(LineKind::Logo3)});
  const PreviewPlan plan = PlanTicketPreview(setup(), TicketKind::Payout);
  EXPECT_TRUE(plan.stopped);
  EXPECT_EQ(plan.stopMessage, "Can't read logo3 file " + logo + " .");

  PreviewPayoutTicket(bench.session());
  EXPECT_THAT(bench.panel.messages, ElementsAre("Can't read logo3 file " + logo + " ."));
  EXPECT_THAT(bench.preview.shown, IsEmpty());

  // A file that is no bitmap at all cannot be shown either.
  test::WriteFile(logo, "not a bitmap");
  EXPECT_TRUE(PlanTicketPreview(setup(), TicketKind::Payout).stopped);
}

TEST_F(PreviewPlanTest, NothingHappensBeforeThePrinterIsIdentified) {
  bench.session().state.identified = false;
  setup().Ticket(TicketKind::Coin) = Ticket({Line(LineKind::Logo1)});
  setup().multipliers.decimals = "";
  PreviewCoinTicket(bench.session());
  PreviewNoteTicket(bench.session());
  PreviewPayoutTicket(bench.session());
  EXPECT_THAT(bench.panel.messages, IsEmpty());
  EXPECT_THAT(bench.preview.shown, IsEmpty());
}

}  // namespace
}  // namespace orvex::core
