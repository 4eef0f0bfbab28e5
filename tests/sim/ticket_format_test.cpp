// Ticket format downloads: 268 bytes in, 0xAA out, lines read back.

#include <gtest/gtest.h>

#include "printer_harness.h"

namespace orvex::sim {
namespace {

using testing::Bytes;
using testing::Harness;

Bytes Line(std::uint8_t attribute, std::uint8_t second, const std::string& text = "") {
  Bytes record(26, 0x00);
  record[0] = attribute;
  record[1] = second;
  for (std::size_t i = 0; i < text.size() && i < 24; ++i) {
    record[2 + i] = static_cast<std::uint8_t>(text[i]);
  }
  return record;
}

Bytes Format(std::uint8_t code, std::uint8_t symbol, const std::vector<Bytes>& lines) {
  Bytes request = {0x1B, code, symbol, 0x00, 0x00};
  for (const Bytes& line : lines) request.insert(request.end(), line.begin(), line.end());
  request.insert(request.end(), {0x00, 0x00, 0x00});
  return request;
}

TEST(TicketFormatTest, EmptyTextLinesAreStoredAndAccepted) {
  Harness h;
  const Bytes request = Format(0xFD, 0x2A, std::vector<Bytes>(10, Line(0x01, 0x00)));
  ASSERT_EQ(request.size(), 268u);
  EXPECT_EQ(h.Ask(request), Bytes{0xAA});
  ASSERT_TRUE(h.printer.ticket(TicketKind::Coin));
  EXPECT_EQ(h.printer.ticket(TicketKind::Coin)->symbol, 0x2A);
  EXPECT_FALSE(h.printer.ticket(TicketKind::Note));
  const std::vector<LineDescription> lines = h.printer.DescribeTicket(TicketKind::Coin);
  ASSERT_EQ(lines.size(), 10u);
  for (const LineDescription& line : lines) {
    EXPECT_EQ(line.kind, LineKind::Text);
    EXPECT_EQ(line.size, 1);
    EXPECT_EQ(line.height, 1);
    EXPECT_EQ(line.text, "");
    EXPECT_EQ(line.problem, "");
  }
}

TEST(TicketFormatTest, EveryLineKindIsDescribed) {
  Harness h;
  const std::string full = "ABCDEFGHIJKLMNOPQRSTUVWX";  // 24 bytes, no terminator
  const std::vector<Bytes> lines = {
      Line(0x06, 0x02, "AB"), Line(0x05, 0x51),     Line(0x01, 0x54),
      Line(0x02, 0x55),       Line(0x02, 0x53),     Line(0x01, 0x50),
      Line(0x05, 0x52),       Line(0x04, 24, full), Line(0x03, 3, "\x1B\x1D\xE9"),
      Line(0x05, 0x54),
  };
  EXPECT_EQ(h.Ask(Format(0xFF, 0x24, lines)), Bytes{0xAA});
  const std::vector<LineDescription> got = h.printer.DescribeTicket(TicketKind::Payout);
  ASSERT_EQ(got.size(), 10u);

  EXPECT_EQ(got[0].kind, LineKind::Text);
  EXPECT_EQ(got[0].size, 3);
  EXPECT_EQ(got[0].height, 2);
  EXPECT_EQ(got[0].text, "AB");
  EXPECT_EQ(got[1].kind, LineKind::Logo2);
  EXPECT_EQ(got[1].height, 2);
  EXPECT_EQ(got[1].size, 0);
  EXPECT_EQ(got[2].kind, LineKind::NotUsed);
  EXPECT_EQ(got[2].height, 1);
  EXPECT_EQ(got[3].kind, LineKind::Security);
  EXPECT_EQ(got[3].size, 2);
  EXPECT_EQ(got[3].height, 1);
  EXPECT_EQ(got[4].kind, LineKind::Data);
  EXPECT_EQ(got[4].size, 2);
  EXPECT_EQ(got[5].kind, LineKind::Logo1);
  EXPECT_EQ(got[6].kind, LineKind::Logo3);
  EXPECT_EQ(got[6].height, 2);
  EXPECT_EQ(got[7].text, full);
  EXPECT_EQ(got[7].size, 1);
  EXPECT_EQ(got[7].height, 2);
  // Prefix bytes inside a text are data, not the start of a command.
  EXPECT_EQ(got[8].text, "\x1B\x1D\xE9");
  EXPECT_EQ(got[9].kind, LineKind::NotUsed);
  EXPECT_EQ(got[9].height, 2);
  for (const LineDescription& line : got) EXPECT_EQ(line.problem, "");
}

TEST(TicketFormatTest, EachCodeFillsItsOwnTicket) {
  Harness h;
  EXPECT_EQ(h.Ask(Format(0xFE, 0x31, std::vector<Bytes>(10, Line(0x02, 1, "N")))), Bytes{0xAA});
  EXPECT_EQ(h.Ask(Format(0xFD, 0x32, std::vector<Bytes>(10, Line(0x01, 1, "C")))), Bytes{0xAA});
  EXPECT_EQ(h.printer.DescribeTicket(TicketKind::Note)[0].text, "N");
  EXPECT_EQ(h.printer.DescribeTicket(TicketKind::Coin)[0].text, "C");
  EXPECT_FALSE(h.printer.ticket(TicketKind::Payout));
  EXPECT_EQ(h.printer.received().formatDownloads, (std::array<int, 3>{1, 1, 0}));
}

TEST(TicketFormatTest, MalformedRecordsAreStoredWithTheirProblem) {
  Harness h;
  std::vector<Bytes> lines(10, Line(0x01, 0x00));
  lines[0] = Line(0x07, 0x01, "A");    // attribute beyond size 3, height 2
  lines[1] = Line(0x01, 0x30);         // neither a length nor a kind code
  lines[2] = Line(0x02, 0x51);         // logo line attribute must be 1 or 5
  lines[3] = Line(0x01, 0x02, "ABC");  // a byte beyond the stated length
  EXPECT_EQ(h.Ask(Format(0xFD, 0x2A, lines)), Bytes{0xAA});
  const std::vector<LineDescription> got = h.printer.DescribeTicket(TicketKind::Coin);
  EXPECT_NE(got[0].problem, "");
  EXPECT_EQ(got[1].kind, LineKind::Invalid);
  EXPECT_NE(got[1].problem, "");
  EXPECT_NE(got[2].problem, "");
  EXPECT_NE(got[3].problem, "");
  EXPECT_EQ(got[4].problem, "");
}

TEST(TicketFormatTest, NoAnswerUntilAllBytesAreIn) {
  Harness h;
  Bytes request = Format(0xFD, 0x2A, std::vector<Bytes>(10, Line(0x01, 0x00)));
  request.pop_back();
  h.Send(request);
  EXPECT_TRUE(h.Drain().empty());
  h.Send({0x00});
  EXPECT_EQ(h.Drain().size(), 1u);
}

}  // namespace
}  // namespace orvex::sim
