// The byte stream: stray bytes, unknown codes, resynchronisation, stalled
// commands, and replies kept apart as separate reads.

#include <gtest/gtest.h>

#include "printer_harness.h"

namespace orvex::sim {
namespace {

using testing::Bytes;
using testing::Harness;

TEST(ParserTest, StrayBytesBeforeACommandAreIgnored) {
  Harness h;
  EXPECT_EQ(h.Ask({0x00, 0x41, 0xFF, 0x1B, 0xA0}), Bytes{0x0A});
  EXPECT_EQ(h.printer.ignoredBytes(), 3u);
}

TEST(ParserTest, UnknownCodeIsDroppedAndParsingResyncs) {
  Harness h;
  EXPECT_EQ(h.Ask({0x1B, 0x99, 0x1B, 0xA0}), Bytes{0x0A});
  EXPECT_EQ(h.Ask({0x1D, 0x10, 0x1D, 0xF7}), Bytes{0x67});
  // A prefix where the code belongs starts the next command.
  EXPECT_EQ(h.Ask({0x1B, 0x1B, 0xA0}), Bytes{0x0A});
  EXPECT_EQ(h.Ask({0x1B, 0x1D, 0xF7}), Bytes{0x67});
  // GS with an ESC-only code is unknown too.
  h.Send({0x1D, 0xA0});
  EXPECT_TRUE(h.Drain().empty());
}

TEST(ParserTest, PayloadBytesAreTakenByCountNotByValue) {
  Harness h;
  // Within the command timeout a new prefix inside a payload is payload.
  h.Send({0x1B, 0xF1, '1', '5', '0', '6', '3', 0x1D, 0xF9, '0', '0', '0'});
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 1u);
  EXPECT_EQ(bursts[0].bytes, Bytes{0xEE});
  EXPECT_EQ(h.printer.received().firmwareQueries, 0);
}

TEST(ParserTest, StalledCommandIsDroppedAfterTheTimeout) {
  Harness h;
  h.Send({0x1B, 0xF1, '1', '5'});
  h.nowMs += 2500;
  EXPECT_EQ(h.Ask({0x1D, 0xF9}).size(), 19u);
  EXPECT_EQ(h.printer.droppedCommands(), 1u);
  EXPECT_EQ(h.printer.received().clockSets, 0);

  PrinterOptions patient;
  patient.timing.commandTimeoutMs = 0;
  Harness waits(patient);
  waits.Send({0x1B, 0xF7});
  waits.nowMs += 60'000;
  waits.Send({0x21});
  EXPECT_EQ(waits.printer.printStatus(), 0x21);
}

TEST(ParserTest, EveryCommandIsCountedOnce) {
  Harness h;
  h.Send({0x1B, 0xF5});
  h.Send({0x1D, 0xF6, 1, 0, 1, 0, 1, 0, 0});
  h.Send({0x1D, 0xF4, 0x00, 0x00});  // header, and the empty logo completed
  EXPECT_EQ(h.printer.handledCommands(), 4u);
  EXPECT_EQ(h.printer.received().bytes, 15u);
}

TEST(ParserTest, SurvivesNoiseAndRecoversAfterASilence) {
  Harness h;
  std::uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  };
  std::int64_t lastBurst = 0;
  for (int i = 0; i < 200'000; ++i) {
    // Prefixes and known codes often enough to start real commands.
    const std::uint32_t pick = next() % 8;
    const std::uint8_t byte = pick == 0   ? 0x1B
                              : pick == 1 ? 0x1D
                              : pick == 2 ? static_cast<std::uint8_t>(0xF0 + next() % 16)
                                          : static_cast<std::uint8_t>(next());
    h.printer.Receive(byte, h.nowMs);
    h.nowMs += next() % 4 == 0 ? 300 : 1;
    for (const Burst& burst : h.printer.TakeDue(h.nowMs)) {
      EXPECT_GE(burst.atMs, lastBurst);
      lastBurst = burst.atMs;
    }
  }
  h.Drain();
  h.nowMs += 3000;
  EXPECT_EQ(h.Ask({0x1D, 0xF9}).size(), 19u);
  EXPECT_GT(h.printer.handledCommands(), 20u);  // the noise did start real commands
}

TEST(BurstSpacingTest, RepliesToQuickRequestsStayApart) {
  Harness h;
  h.Send({0x1D, 0xF9, 0x1B, 0xF0, 0x1D, 0xF5}, 1);
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 3u);
  EXPECT_EQ(bursts[0].bytes.size(), 19u);
  EXPECT_EQ(bursts[1].bytes.size(), 12u);
  EXPECT_EQ(bursts[2].bytes.size(), 7u);
  for (std::size_t i = 1; i < bursts.size(); ++i) {
    EXPECT_GT(bursts[i].atMs - bursts[i - 1].atMs, 50);
  }
}

TEST(BurstSpacingTest, QueueStaysInTimeOrder) {
  Harness h;
  h.Send({0x1B, 0xFA});  // answers after printing
  h.Send({0x1D, 0xF9});  // asked meanwhile: waits for the print to finish
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 2u);
  EXPECT_EQ(bursts[0].bytes, Bytes{0x01});
  EXPECT_EQ(bursts[1].bytes.size(), 19u);
  EXPECT_GT(bursts[1].atMs - bursts[0].atMs, 50);
}

TEST(BurstSpacingTest, TakeDueTakesOnlyWhatIsDue) {
  Harness h;
  h.Send({0x1D, 0xF9});
  h.Send({0x1B, 0xF0});
  const std::int64_t first = *h.printer.NextBurstTime();
  EXPECT_TRUE(h.printer.TakeDue(first - 1).empty());
  EXPECT_EQ(h.printer.TakeDue(first).size(), 1u);
  ASSERT_TRUE(h.printer.NextBurstTime());
  EXPECT_GT(*h.printer.NextBurstTime(), first);
}

}  // namespace
}  // namespace orvex::sim
