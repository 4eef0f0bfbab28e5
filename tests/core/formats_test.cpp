// Ticket layouts: line records, the format request, the settings requests
// and the Clear commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/formats/clear_formats.h"
#include "core/formats/format_download.h"
#include "core/formats/settings.h"
#include "virtual_bench.h"
#include "wire_test.h"

namespace orvex::core {
namespace {

using test::VirtualBench;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::uint8_t> Record(std::initializer_list<std::uint8_t> head) {
  std::vector<std::uint8_t> record(head);
  record.resize(kLineRecordSize, 0);
  return record;
}

std::vector<std::uint8_t> AsVector(const std::array<std::uint8_t, kLineRecordSize>& a) {
  return {a.begin(), a.end()};
}

FormatLine Line(int kind, int size, int height, std::string text = "") {
  FormatLine line;
  line.kindItem = kind;
  line.sizeItem = size - 1;
  line.heightItem = height - 1;
  line.text = std::move(text);
  return line;
}

TEST(LineRecord, TextLinesCarryAttributeLengthAndBytes) {
  EXPECT_EQ(AsVector(EncodeLineRecord(Line(0, 3, 2, "AB"))), Record({0x06, 0x02, 0x41, 0x42}));
  EXPECT_EQ(AsVector(EncodeLineRecord(Line(0, 1, 1))), Record({0x01, 0x00}));
  const std::uint8_t attributes[3][2] = {{1, 4}, {2, 5}, {3, 6}};
  for (int size = 1; size <= 3; ++size) {
    for (int height = 1; height <= 2; ++height) {
      EXPECT_EQ(EncodeLineRecord(Line(0, size, height))[0], attributes[size - 1][height - 1]);
    }
  }
}

TEST(LineRecord, TwentyFourByteTextFillsTheFieldWithoutTerminator) {
  const std::string text(24, 'Z');
  const auto record = EncodeLineRecord(Line(0, 1, 1, text));
  EXPECT_EQ(record[1], 24);
  EXPECT_EQ(record[25], 'Z');
}

TEST(LineRecord, WindowsTextBytesGoOutUnchanged) {
  const auto record = EncodeLineRecord(Line(0, 1, 1, "M\xFCnze 5 \x80"));
  EXPECT_THAT(std::vector<std::uint8_t>(record.begin(), record.begin() + 11),
              ElementsAre(0x01, 9, 'M', 0xFC, 'n', 'z', 'e', ' ', '5', ' ', 0x80));
}

TEST(LineRecord, OtherKindsSendTheirCodeAndNoText) {
  EXPECT_EQ(AsVector(EncodeLineRecord(Line(2, 3, 2, "hidden"))), Record({0x05, 0x51}));
  EXPECT_EQ(AsVector(EncodeLineRecord(Line(1, 2, 1))), Record({0x01, 0x50}));
  EXPECT_EQ(AsVector(EncodeLineRecord(Line(3, 1, 2))), Record({0x05, 0x52}));
  EXPECT_EQ(AsVector(EncodeLineRecord(Line(5, 3, 1))), Record({0x01, 0x54}));
  EXPECT_EQ(AsVector(EncodeLineRecord(Line(6, 2, 1))), Record({0x02, 0x55}));
  EXPECT_EQ(AsVector(EncodeLineRecord(Line(4, 2, 1, "ABC"))), Record({0x02, 0x53}));
}

TEST(LineRecord, TextLongerThanTheFieldIsCut) {
  FormatLine line;
  line.SetText(std::string(30, 'x'));
  EXPECT_EQ(line.text.size(), 24u);
  // Even a text put in directly never writes past the record.
  FormatLine direct;
  direct.text = std::string(40, 'y');
  const auto record = EncodeLineRecord(direct);
  EXPECT_EQ(record[1], 24);
}

TEST(SymbolCodes, ItemsOfBothGroups) {
  EXPECT_EQ(SymbolCodeForItem(0, true), 42);
  EXPECT_EQ(SymbolCodeForItem(17, true), 131);
  EXPECT_EQ(SymbolCodeForItem(17, false), 43);
  EXPECT_EQ(SymbolCodeForItem(18, true), 43);
  EXPECT_EQ(SymbolCodeForItem(19, true), 224);
  EXPECT_EQ(SymbolCodeForItem(18, false), 0);
  EXPECT_EQ(SymbolCodeForItem(-1, true), 0);
  const std::uint8_t expected[17] = {42, 47, 36, 61,  37, 34, 35, 59, 64,
                                     63, 33, 62, 126, 60, 94, 58, 45};
  for (int i = 0; i < 17; ++i) {
    EXPECT_EQ(SymbolCodeForItem(i, true), expected[i]);
    EXPECT_EQ(SymbolCodeForItem(i, false), expected[i]);
  }
  TicketSetup setup;
  setup.symbolItemWide = 19;
  setup.symbolItemNarrow = -1;
  EXPECT_EQ(SymbolCode(setup, true), 224);
  EXPECT_EQ(SymbolCode(setup, false), 0);
}

TEST(FormatRequest, AllDefaultCoinFormat) {
  const TicketSetup setup;
  const auto request = EncodeFormatRequest(TicketKind::Coin, setup.Ticket(TicketKind::Coin),
                                           SymbolCode(setup, true));
  std::vector<std::uint8_t> expected{0x1B, 0xFD, 0x2A, 0x00, 0x00};
  for (int i = 0; i < 10; ++i) {
    const auto record = Record({0x01, 0x00});
    expected.insert(expected.end(), record.begin(), record.end());
  }
  expected.insert(expected.end(), {0, 0, 0});
  EXPECT_EQ(request, expected);
  EXPECT_EQ(request.size(), kFormatRequestSize);
  EXPECT_EQ(EncodeFormatRequest(TicketKind::Note, setup.Ticket(TicketKind::Note), 0)[1], 0xFE);
  EXPECT_EQ(EncodeFormatRequest(TicketKind::Payout, setup.Ticket(TicketKind::Payout), 0)[1], 0xFF);
}

TEST(KindRule, AppearanceByKind) {
  EXPECT_TRUE(KindRule(0).textVisible);
  const auto logo = KindRule(2);
  EXPECT_FALSE(logo.textVisible);
  EXPECT_FALSE(logo.sizeEnabled);
  EXPECT_TRUE(logo.heightEnabled);
  EXPECT_EQ(logo.caption, "Print Logo2");
  EXPECT_EQ(KindRule(4).caption, "Print Data");
  EXPECT_TRUE(KindRule(4).sizeEnabled);
  const auto notUsed = KindRule(5);
  EXPECT_FALSE(notUsed.sizeEnabled);
  EXPECT_FALSE(notUsed.heightEnabled);
  EXPECT_EQ(notUsed.caption, "Not used");
  EXPECT_EQ(KindRule(6).caption, "Security");
}

using DownloadTest = test::WireTest;

TEST_F(DownloadTest, FormatDownloadPacesEveryByteAndStepsTheGauge) {
  s.setup.Ticket(TicketKind::Payout)[0] = Line(0, 3, 2, "AB");
  s.setup.symbolItemWide = 17;
  DownloadPayoutFormat(s);
  const auto sent = bench.SentBytes();
  ASSERT_EQ(sent.size(), kFormatRequestSize);
  EXPECT_THAT(std::vector<std::uint8_t>(sent.begin(), sent.begin() + 9),
              ElementsAre(0x1B, 0xFF, 0x83, 0, 0, 0x06, 0x02, 0x41, 0x42));
  for (std::size_t i = 1; i < bench.sent().size(); ++i) {
    ASSERT_EQ(bench.sent()[i].atMs - bench.sent()[i - 1].atMs, 10);
  }
  EXPECT_EQ(bench.now() - bench.sent().back().atMs, 10);  // after the last byte too
  EXPECT_THAT(bench.panel.gauge, ElementsAre(0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100));
  EXPECT_TRUE(Lines().empty());
  EXPECT_TRUE(s.pending.Has(Request::PayoutFormat));
  EXPECT_TRUE(bench.TimerEnabled(TimerId::ReplyTimeout));
}

TEST_F(DownloadTest, FormatReplyMustBeginWithAA) {
  DownloadCoinFormat(s);
  bench.Deliver({0x00, 0xAA});
  EXPECT_TRUE(s.pending.Has(Request::CoinFormat));
  EXPECT_TRUE(Lines().empty());
  bench.Deliver({0xAA});
  EXPECT_THAT(Lines(), ElementsAre("Download coin format finished .", ""));
  EXPECT_FALSE(s.state.busy);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
  EXPECT_EQ(bench.panel.gauge.back(), 100);
  mark = bench.memo.LineCount();
  bench.Deliver({0xAA});  // no download pending: nothing
  EXPECT_TRUE(Lines().empty());
}

TEST_F(DownloadTest, FormatDownloadRefusals) {
  DownloadNoteFormat(s);
  bench.ForgetSent();
  mark = bench.memo.LineCount();
  DownloadCoinFormat(s);
  EXPECT_THAT(Lines(), ElementsAre("Printer is busy right now .", ""));
  EXPECT_TRUE(bench.SentBytes().empty());
  bench.RunFor(90000);  // the note format never answered
  mark = bench.memo.LineCount();
  DownloadCoinFormat(s);
  EXPECT_THAT(Lines(), ElementsAre("Can't detect printer, please check it .", ""));
}

TEST_F(DownloadTest, MultiplierSaveWithDefaultsAndEdges) {
  SendMultiplierSettings(s);
  EXPECT_THAT(bench.SentBytes(), ElementsAre(0x1D, 0xF6, 1, 0, 1, 0, 1, 0, 0));
  EXPECT_EQ(bench.now(), bench.sent().back().atMs);  // no pause after the last byte
  EXPECT_THAT(Lines(), ElementsAre("Set data mutiplier & floating-point finished .", ""));
  EXPECT_FALSE(s.state.busy);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));

  EXPECT_THAT(EncodeMultiplierRequest(1000, 9999, -1, 7),
              ElementsAre(0x1D, 0xF6, 0xE8, 0x03, 0x0F, 0x27, 0xFF, 0x00, 0x07));
}

TEST_F(DownloadTest, MultiplierSaveWithABadBoxSendsNothing) {
  s.setup.multipliers.payout = "1x";
  SendMultiplierSettings(s);
  EXPECT_THAT(bench.panel.messages, ElementsAre("'1x' is not a valid integer value"));
  EXPECT_TRUE(bench.SentBytes().empty());
  EXPECT_FALSE(s.state.busy);
  s.setup.multipliers.payout = "";
  SendMultiplierSettings(s);
  EXPECT_EQ(bench.panel.messages.back(), "'' is not a valid integer value");
  s.setup.multipliers.payout = "-";
  SendMultiplierSettings(s);
  EXPECT_EQ(bench.panel.messages.back(), "'-' is not a valid integer value");
  EXPECT_TRUE(bench.SentBytes().empty());
}

TEST_F(DownloadTest, PrintStatusBytes) {
  SendPrintStatus(s);
  EXPECT_THAT(bench.SentBytes(), ElementsAre(0x1B, 0xF7, 0x67));
  EXPECT_THAT(Lines(), ElementsAre("Set print status finished .", ""));
  PrintStatus onlyCoinAndSymbol{true, false, false, true, false};
  EXPECT_EQ(onlyCoinAndSymbol.Byte(), 0x21);
  EXPECT_EQ((PrintStatus{false, false, false, false, false}.Byte()), 0x00);
}

TEST_F(DownloadTest, SettingsSaveWhileLostButNotWhileBusy) {
  s.state.linkState = LinkState::Lost;
  SendPrintStatus(s);
  EXPECT_THAT(Lines(), ElementsAre("Set print status finished .", ""));
  s.state.busy = true;
  mark = bench.memo.LineCount();
  SendMultiplierSettings(s);
  EXPECT_THAT(Lines(), ElementsAre("Printer is busy right now .", ""));
}

TEST_F(DownloadTest, DecimalBoxRangeCheck) {
  s.setup.multipliers.decimals = "7";
  CheckDecimalPlaces(s);
  EXPECT_THAT(bench.panel.messages, ElementsAre("The floating-point too large (0~3)."));
  s.setup.multipliers.decimals = "";
  CheckDecimalPlaces(s);
  s.setup.multipliers.decimals = "3";
  CheckDecimalPlaces(s);
  EXPECT_EQ(bench.panel.messages.size(), 1u);
  s.setup.multipliers.decimals = "7";
  SendMultiplierSettings(s);
  EXPECT_EQ(bench.SentBytes().back(), 0x07);
}

TEST(WholeNumbers, ParseLikeTheEditBoxes) {
  EXPECT_EQ(ParseWholeNumber("12"), 12);
  EXPECT_EQ(ParseWholeNumber("-1"), -1);
  EXPECT_EQ(ParseWholeNumber("+5"), 5);
  EXPECT_EQ(ParseWholeNumber("  7"), 7);
  EXPECT_EQ(ParseWholeNumber("2147483647"), 2147483647);
  EXPECT_EQ(ParseWholeNumber("-2147483648"), -2147483647 - 1);
  EXPECT_FALSE(ParseWholeNumber("2147483648"));
  EXPECT_FALSE(ParseWholeNumber(""));
  EXPECT_FALSE(ParseWholeNumber("-"));
  EXPECT_FALSE(ParseWholeNumber("7 "));
  EXPECT_FALSE(ParseWholeNumber("a"));
}

TEST_F(DownloadTest, ClearResetsOneTicketOnly) {
  for (auto& ticket : s.setup.tickets) {
    for (auto& line : ticket) line = Line(5, 3, 2, "keep");
  }
  s.setup.symbolItemWide = 4;
  ClearNoteFormat(s);
  for (const FormatLine& line : s.setup.Ticket(TicketKind::Note)) {
    EXPECT_EQ(line.kindItem, 0);
    EXPECT_EQ(line.sizeItem, 0);
    EXPECT_EQ(line.heightItem, 0);
    EXPECT_EQ(line.text, "");
  }
  EXPECT_EQ(s.setup.Ticket(TicketKind::Coin)[3].text, "keep");
  EXPECT_EQ(s.setup.Ticket(TicketKind::Payout)[9].kindItem, 5);
  EXPECT_EQ(s.setup.symbolItemWide, 4);
  EXPECT_GE(bench.view.refreshes, 1);
  EXPECT_TRUE(Lines().empty());
}

TEST(ClearBeforeIdentification, DoesNothing) {
  VirtualBench::Options options;
  options.withPrinter = false;
  VirtualBench bench(options);
  bench.session().setup.Ticket(TicketKind::Coin)[0].text = "x";
  ClearCoinFormat(bench.session());
  EXPECT_EQ(bench.session().setup.Ticket(TicketKind::Coin)[0].text, "x");
  EXPECT_EQ(bench.view.refreshes, 0);
}

}  // namespace
}  // namespace orvex::core
