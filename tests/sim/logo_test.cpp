// Logo downloads paced by the printer: "B" after the header and each row,
// 0xAB as a read of its own at the end.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "printer_harness.h"

namespace orvex::sim {
namespace {

using testing::Bytes;
using testing::Harness;

Bytes Row(std::uint8_t fill) {
  return Bytes(48, fill);
}

// Sends a row the way the tool does once the previous "B" has been read.
std::vector<Burst> SendRow(Harness& h, const Bytes& row) {
  h.Send(row);
  return h.Advance(60);
}

TEST(LogoTest, HeaderAndRowsAcknowledgedThenDone) {
  Harness h;
  h.Send({0x1D, 0xF4, 0x60, 0x00});  // 96 bytes: two rows
  const std::int64_t headerAt = h.nowMs;
  std::vector<Burst> bursts = h.Advance(60);
  ASSERT_EQ(bursts.size(), 1u);
  EXPECT_EQ(bursts[0].bytes, Bytes{0x42});
  EXPECT_LE(bursts[0].atMs - headerAt, 20);

  Bytes first = Row(0x00);
  first[0] = 0x80;  // top-left dot
  bursts = SendRow(h, first);
  ASSERT_EQ(bursts.size(), 1u);
  EXPECT_EQ(bursts[0].bytes, Bytes{0x42});
  EXPECT_FALSE(h.printer.logo(1));

  Bytes second = Row(0x00);
  second[47] = 0x01;  // bottom-right dot
  h.Send(second);
  const std::vector<Burst> tail = h.Drain();
  ASSERT_EQ(tail.size(), 2u);
  EXPECT_EQ(tail[0].bytes, Bytes{0x42});
  EXPECT_EQ(tail[1].bytes, Bytes{0xAB});
  EXPECT_GT(tail[1].atMs - tail[0].atMs, 50);

  const std::optional<LogoImage>& logo = h.printer.logo(1);
  ASSERT_TRUE(logo);
  EXPECT_EQ(logo->height, 2);
  EXPECT_TRUE(logo->Dot(0, 0));
  EXPECT_FALSE(logo->Dot(1, 0));
  EXPECT_TRUE(logo->Dot(383, 1));
  EXPECT_FALSE(logo->Dot(383, 0));
  EXPECT_EQ(logo->ToPbm(), std::string("P4\n384 2\n") + std::string(first.begin(), first.end()) +
                               std::string(second.begin(), second.end()));
  EXPECT_EQ(h.printer.logoVersion(1), 1u);
  EXPECT_EQ(h.printer.received().logoRows, 2);
}

TEST(LogoTest, CodesSelectTheSlots) {
  const std::pair<std::uint8_t, int> slots[] = {{0xF4, 1}, {0xF8, 2}, {0xFA, 3}};
  for (const auto& [code, slot] : slots) {
    Harness h;
    h.Send({0x1D, code, 0x30, 0x00});
    h.Advance(60);
    h.Send(Row(0xFF));
    h.Drain();
    for (int other = 1; other <= 3; ++other) {
      EXPECT_EQ(h.printer.logo(other).has_value(), other == slot) << "code " << int{code};
    }
    EXPECT_EQ(h.printer.received().logoHeaders[static_cast<size_t>(slot - 1)], 1);
  }
}

TEST(LogoTest, EmptyLogoIsDoneRightAfterTheHeader) {
  Harness h;
  h.Send({0x1D, 0xF8, 0x00, 0x00});
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 2u);
  EXPECT_EQ(bursts[0].bytes, Bytes{0x42});
  EXPECT_EQ(bursts[1].bytes, Bytes{0xAB});
  EXPECT_GT(bursts[1].atMs - bursts[0].atMs, 50);
  ASSERT_TRUE(h.printer.logo(2));
  EXPECT_EQ(h.printer.logo(2)->height, 0);
  // The next command is parsed as a command again.
  EXPECT_EQ(h.Ask({0x1B, 0xA0}), Bytes{0x0A});
}

TEST(LogoTest, OnlyWholeRowsTravel) {
  Harness h;
  h.Send({0x1D, 0xFA, 0x61, 0x00});  // 97 bytes: two whole rows
  h.Advance(60);
  SendRow(h, Row(0x11));
  h.Send(Row(0x22));
  const std::vector<Burst> tail = h.Drain();
  ASSERT_EQ(tail.size(), 2u);
  EXPECT_EQ(tail[1].bytes, Bytes{0xAB});
  EXPECT_EQ(h.printer.logo(3)->height, 2);
}

TEST(LogoTest, StopsAcknowledgingAfterTheGivenRow) {
  PrinterOptions options;
  options.stopAckAfterRow = 1;
  Harness h(options);
  h.Send({0x1D, 0xF4, 0x90, 0x00});  // three rows
  EXPECT_EQ(h.Advance(60).size(), 1u);
  EXPECT_EQ(SendRow(h, Row(0x01)).size(), 1u);
  EXPECT_TRUE(SendRow(h, Row(0x02)).empty());
  h.Send(Row(0x03));
  EXPECT_TRUE(h.Drain().empty()) << "neither a B nor 0xAB after row 1";
}

TEST(LogoTest, StopAfterRowZeroLeavesEvenTheHeaderUnanswered) {
  PrinterOptions options;
  options.stopAckAfterRow = 0;
  Harness h(options);
  h.Send({0x1D, 0xF4, 0x30, 0x00});
  EXPECT_TRUE(h.Drain().empty());
  EXPECT_EQ(h.printer.received().logoHeaders[0], 1);
}

TEST(LogoTest, StalledDownloadIsDroppedAndCommandsWorkAgain) {
  Harness h;
  h.Send({0x1D, 0xF4, 0x90, 0x00});
  h.Advance(60);
  SendRow(h, Row(0x01));
  ASSERT_TRUE(h.printer.logoInProgress());
  EXPECT_EQ(h.printer.logoInProgress()->rowsReceived, 1);
  // Within the timeout the bytes belong to the image...
  h.Send({0x1D, 0xF9});
  EXPECT_TRUE(h.Advance(60).empty());
  // ...after a long silence they are a command again.
  h.nowMs += 5000;
  EXPECT_EQ(h.Ask({0x1D, 0xF9}).size(), 19u);
  EXPECT_FALSE(h.printer.logoInProgress());
  EXPECT_FALSE(h.printer.logo(1));
  EXPECT_EQ(h.printer.droppedCommands(), 1u);
}

TEST(LogoTest, WritesAPbmFile) {
  Harness h;
  h.Send({0x1D, 0xF4, 0x30, 0x00});
  h.Advance(60);
  h.Send(Row(0xA5));
  h.Drain();
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("orvex-sim-logo-" + std::to_string(getpid()) + ".pbm"))
                               .string();
  std::string error;
  ASSERT_TRUE(WritePbmFile(*h.printer.logo(1), path, &error)) << error;
  std::ifstream file(path, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(file)), {});
  EXPECT_EQ(content, "P4\n384 1\n" + std::string(48, '\xA5'));
  std::remove(path.c_str());

  EXPECT_FALSE(WritePbmFile(*h.printer.logo(1), "/nonexistent-dir/x.pbm", &error));
  EXPECT_NE(error, "");
}

}  // namespace
}  // namespace orvex::sim
