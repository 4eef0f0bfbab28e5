// Faults of the line and of the printer: lost, garbled, split, doubled,
// buried and oversized replies, and a line that goes dead and comes back.

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <vector>

#include "printer_harness.h"
#include "sim/model/command_line.h"

namespace orvex::sim {
namespace {

using testing::Bytes;
using testing::Harness;

const Bytes kFirmwareQuery = {0x1D, 0xF9};
const Bytes kFirmwareReply = {'O', 'R', 'V', 'E', 'X', '-',  '5',  '8',  ' ', 'V',
                              '2', '.', '1', '5', ' ', 0x3C, 0x5A, 0xE1, 0x0F};

TEST(DropFaultTest, DropsTheNextReplyOnly) {
  Harness h;
  h.printer.faults().dropReplies = 1;
  EXPECT_EQ(h.Ask(kFirmwareQuery), Bytes{});
  EXPECT_EQ(h.printer.faultLog().dropped, 1);
  EXPECT_EQ(h.printer.received().firmwareQueries, 1);
  EXPECT_EQ(h.Ask(kFirmwareQuery), kFirmwareReply);
  EXPECT_EQ(h.printer.faultLog().dropped, 1);
}

TEST(DropFaultTest, TheAnnouncementIsNoReply) {
  PrinterOptions options;
  options.faults.dropReplies = 1;
  Harness h(options);
  h.printer.PortOpened(h.nowMs);
  std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 1u);
  EXPECT_EQ(bursts[0].bytes, Bytes{0x26});
  // The armed fault waits for the first reply: the variant answer.
  EXPECT_EQ(h.Ask({0x1B, 0xA0}), Bytes{});
  EXPECT_EQ(h.Ask({0x1B, 0xA0}), Bytes{0x0A});
}

TEST(DropFaultTest, CommandsWithoutAReplyDoNotUseItUp) {
  Harness h;
  h.printer.faults().dropReplies = 1;
  h.Send({0x1B, 0xF5});  // full cut: no reply
  h.Send({0x1B, 0xF9, '2'});
  EXPECT_EQ(h.Ask(kFirmwareQuery), Bytes{});
}

TEST(DropFaultTest, OnlyTheEraseResultIsLostNotItsRun) {
  Harness h;
  h.printer.faults().dropReplies = 1;
  h.Send({0x1B, 0xF3});
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_GE(bursts.size(), 3u);
  EXPECT_EQ(bursts.front().bytes, (Bytes{0x77, 0x11, 5, 1, 9}));
  EXPECT_EQ(bursts.back().bytes[1], 0x33);
}

TEST(EveryNthReplyTest, OnlyEveryNthReplyMeetsTheFaults) {
  PrinterOptions options;
  options.faults.everyNthReply = 3;
  options.faults.dropReplies = 2;
  Harness h(options);
  std::vector<bool> answered;
  for (int i = 0; i < 7; ++i) answered.push_back(!h.Ask(kFirmwareQuery).empty());
  EXPECT_EQ(answered, (std::vector<bool>{true, true, false, true, true, false, true}));
  EXPECT_EQ(h.printer.faultLog().replies, 7u);
}

TEST(GarbageFaultTest, RandomBytesOfTheLengthGivenInsteadOfTheReply) {
  Harness h;
  h.printer.faults().garbageReplies = 2;
  h.printer.faults().garbageLength = 5;
  h.printer.faults().garbageSeed = 77;
  const Bytes first = h.Ask(kFirmwareQuery);
  EXPECT_EQ(first, GarbageBytes(77, 5));
  EXPECT_EQ(h.printer.faultLog().lastGarbage, first);
  // The next garbled reply is different garbage.
  const Bytes second = h.Ask({0x1B, 0xFA});
  EXPECT_EQ(second, GarbageBytes(78, 5));
  EXPECT_NE(first, second);
  EXPECT_EQ(h.Ask(kFirmwareQuery), kFirmwareReply);
  EXPECT_EQ(h.printer.faultLog().garbled, 2);
  EXPECT_EQ(h.printer.faults().garbageSeed, 79u);
}

TEST(GarbageFaultTest, SameSeedSameBytes) {
  EXPECT_EQ(GarbageBytes(1, 64), GarbageBytes(1, 64));
  EXPECT_NE(GarbageBytes(1, 64), GarbageBytes(2, 64));
  EXPECT_EQ(GarbageBytes(5, 0), Bytes{});
  // Spread over all byte values, not stuck on a few.
  const Bytes many = GarbageBytes(9, 4096);
  std::array<int, 256> seen{};
  for (std::uint8_t b : many) ++seen[b];
  int distinct = 0;
  for (int n : seen) distinct += n > 0;
  EXPECT_GT(distinct, 240);
}

TEST(MaintenanceFaultTest, RunGoesAheadOfTheReplyAndChangesNothing) {
  Harness h;
  h.printer.faults().maintenanceRuns = 1;
  h.Send(kFirmwareQuery);
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 4u);
  EXPECT_EQ(bursts[0].bytes, (Bytes{0x77, 0x11, 5, 1, 9}));    // last erase date
  EXPECT_EQ(bursts[1].bytes, (Bytes{0x77, 0x22, 5, 3, 31}));   // last stored day
  EXPECT_EQ(bursts[2].bytes, (Bytes{0x77, 0x33, 15, 6, 30}));  // today
  EXPECT_EQ(bursts[3].bytes, kFirmwareReply);
  for (std::size_t i = 1; i < bursts.size(); ++i) {
    EXPECT_GT(bursts[i].atMs - bursts[i - 1].atMs, 50) << i;
  }
  EXPECT_EQ(h.printer.records().Dates().size(), 31u);
  EXPECT_EQ(h.printer.lastEraseDate(), (Date{2005, 1, 9}));
  EXPECT_EQ(h.printer.faultLog().maintenanceRuns, 1);
}

TEST(BurstFaultTest, ReplyFilledUpToTheLength) {
  for (const int length : {30000, 30001, 65000}) {
    Harness h;
    h.printer.faults().burstReplies = 1;
    h.printer.faults().burstLength = length;
    h.printer.faults().burstFill = 0x5A;
    const Bytes reply = h.Ask(kFirmwareQuery);
    ASSERT_EQ(reply.size(), static_cast<std::size_t>(length));
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 19), kFirmwareReply);
    EXPECT_EQ(reply[19], 0x5A);
    EXPECT_EQ(reply.back(), 0x5A);
  }
}

TEST(BurstFaultTest, AReplyLongerThanTheLengthStaysWhole) {
  Harness h;
  h.printer.faults().burstReplies = 1;
  h.printer.faults().burstLength = 4;
  EXPECT_EQ(h.Ask(kFirmwareQuery), kFirmwareReply);
  EXPECT_EQ(h.printer.faultLog().bursts, 1);
}

TEST(SplitFaultTest, FirstBytesThenASilenceThenTheRest) {
  Harness h;
  h.printer.faults().splitReplies = 1;
  h.printer.faults().splitAfterBytes = 5;
  h.printer.faults().splitGapMs = 120;
  h.Send(kFirmwareQuery);
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 2u);
  EXPECT_EQ(bursts[0].bytes, Bytes(kFirmwareReply.begin(), kFirmwareReply.begin() + 5));
  EXPECT_EQ(bursts[1].bytes, Bytes(kFirmwareReply.begin() + 5, kFirmwareReply.end()));
  // The silence between the last byte of the first part and the rest.
  EXPECT_GE(bursts[1].atMs - (bursts[0].atMs + WireTimeMs(5)), 120);
  EXPECT_EQ(h.printer.faultLog().split, 1);
  EXPECT_EQ(h.Ask(kFirmwareQuery), kFirmwareReply);
}

TEST(SplitFaultTest, AShortSilenceIsKeptAsGiven) {
  // Shorter than the tool's read gap: the tool should read one burst.
  Harness h;
  h.printer.faults().splitReplies = 1;
  h.printer.faults().splitAfterBytes = 5;
  h.printer.faults().splitGapMs = 20;
  h.Send(kFirmwareQuery);
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 2u);
  EXPECT_EQ(bursts[1].atMs - (bursts[0].atMs + WireTimeMs(5)), 20);
}

TEST(BurstFaultTest, WhatFollowsALongBurstWaitsForItsEnd) {
  Harness h;
  h.printer.faults().burstReplies = 1;
  h.printer.faults().burstLength = 30000;
  h.Send({0x1B, 0xF3});  // erase: the result, then the record-maintenance run
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_GE(bursts.size(), 3u);
  ASSERT_EQ(bursts[0].bytes.size(), 30000u);
  EXPECT_EQ(bursts[0].bytes[0], 0xAA);
  EXPECT_EQ(WireTimeMs(30000), 7813);
  EXPECT_GE(bursts[1].atMs - (bursts[0].atMs + WireTimeMs(30000)), 100);
  EXPECT_EQ(bursts[1].bytes, (Bytes{0x77, 0x11, 5, 1, 9}));
  for (std::size_t i = 2; i < bursts.size(); ++i) {
    EXPECT_GE(bursts[i].atMs - (bursts[i - 1].atMs + WireTimeMs(5)), 100) << i;
  }
}

TEST(SplitFaultTest, AReplyTooShortToSplitLeavesTheFaultArmed) {
  Harness h;
  h.printer.faults().splitReplies = 1;
  h.printer.faults().splitAfterBytes = 1;
  EXPECT_EQ(h.Ask({0x1B, 0xA0}), Bytes{0x0A});
  EXPECT_EQ(h.printer.faults().splitReplies, 1);
  h.Send({0x1D, 0xF5});
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 2u);
  EXPECT_EQ(bursts[0].bytes.size(), 1u);
  EXPECT_EQ(bursts[1].bytes.size(), 6u);
}

TEST(DoubleFaultTest, TheSameReplyAgainAfterASilence) {
  Harness h;
  h.printer.faults().doubledReplies = 1;
  h.printer.faults().doubleGapMs = 150;
  h.Send(kFirmwareQuery);
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 2u);
  EXPECT_EQ(bursts[0].bytes, kFirmwareReply);
  EXPECT_EQ(bursts[1].bytes, kFirmwareReply);
  EXPECT_GE(bursts[1].atMs - (bursts[0].atMs + WireTimeMs(19)), 150);
  EXPECT_EQ(h.Ask(kFirmwareQuery), kFirmwareReply);
}

TEST(CombinedFaultTest, GarbageSplitAndDoubledTogether) {
  Harness h;
  Faults& faults = h.printer.faults();
  faults.garbageReplies = 1;
  faults.garbageLength = 10;
  faults.splitReplies = 1;
  faults.splitAfterBytes = 4;
  faults.doubledReplies = 1;
  h.Send(kFirmwareQuery);
  const std::vector<Burst> bursts = h.Drain();
  const Bytes garbage = h.printer.faultLog().lastGarbage;
  ASSERT_EQ(garbage.size(), 10u);
  ASSERT_EQ(bursts.size(), 3u);
  EXPECT_EQ(bursts[0].bytes, Bytes(garbage.begin(), garbage.begin() + 4));
  EXPECT_EQ(bursts[1].bytes, Bytes(garbage.begin() + 4, garbage.end()));
  EXPECT_EQ(bursts[2].bytes, garbage);  // the whole reply again, after the rest
  EXPECT_GT(bursts[2].atMs, bursts[1].atMs + 50);
}

// A logo of three rows up to the given row, each row after the last "B".
std::vector<Burst> LogoUpTo(Harness& h, int rows) {
  std::vector<Burst> all;
  h.Send({0x1D, 0xF4, 0x90, 0x00});
  for (Burst& b : h.Advance(60)) all.push_back(std::move(b));
  for (int row = 1; row <= rows; ++row) {
    h.Send(Bytes(48, static_cast<std::uint8_t>(row)));
    for (Burst& b : h.Advance(60)) all.push_back(std::move(b));
  }
  return all;
}

TEST(HangUpFaultTest, LineDiesMidLogoAndThePrinterAnnouncesItselfLater) {
  PrinterOptions options;
  options.faults.hangUpAfterLogoRow = 2;
  options.faults.hangUpMs = 5000;
  Harness h(options);
  const std::vector<Burst> acks = LogoUpTo(h, 2);
  // The header and row 1 are acknowledged; row 2 is not.
  ASSERT_EQ(acks.size(), 2u);
  EXPECT_EQ(acks[1].bytes, Bytes{0x42});
  const std::int64_t downAt = h.nowMs - 60;
  EXPECT_TRUE(h.printer.LineDown(h.nowMs));
  EXPECT_FALSE(h.printer.logoInProgress());
  EXPECT_EQ(h.printer.faultLog().hangUps, 1);
  EXPECT_FALSE(h.printer.faults().hangUpAfterLogoRow);

  // Whatever the tool sends meanwhile is lost.
  const std::uint64_t received = h.printer.received().bytes;
  h.Send(Bytes(48, 3));
  h.Send(kFirmwareQuery);
  EXPECT_EQ(h.printer.received().bytes, received);
  EXPECT_EQ(h.printer.faultLog().bytesLostOnDeadLine, 50u);

  const std::vector<Burst> back = h.Drain();
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].bytes, Bytes{0x26});
  EXPECT_EQ(back[0].atMs, downAt + 5000);
  EXPECT_FALSE(h.printer.LineDown(h.nowMs));
  EXPECT_FALSE(h.printer.logo(1));

  // Back on the line it answers again, and a new download goes through.
  EXPECT_EQ(h.Ask(kFirmwareQuery), kFirmwareReply);
  LogoUpTo(h, 3);
  h.Drain();
  ASSERT_TRUE(h.printer.logo(1));
  EXPECT_EQ(h.printer.logo(1)->height, 3);
}

TEST(HangUpFaultTest, RowZeroIsTheHeader) {
  PrinterOptions options;
  options.faults.hangUpAfterLogoRow = 0;
  options.faults.hangUpMs = 1000;
  Harness h(options);
  EXPECT_TRUE(LogoUpTo(h, 0).empty());
  EXPECT_TRUE(h.printer.LineDown(h.nowMs));
}

TEST(HangUpFaultTest, RepliesOnTheirWayAreLost) {
  Harness h;
  h.Send({0x1B, 0xFA});  // test print: answered 1.5 s later
  h.printer.HangUp(h.nowMs + 100, 400);
  const std::vector<Burst> bursts = h.Drain();
  ASSERT_EQ(bursts.size(), 1u);
  EXPECT_EQ(bursts[0].bytes, Bytes{0x26});
  EXPECT_EQ(h.printer.received().testPrints[0], 1);
}

TEST(FaultOptionsTest, CommandLineArmsEveryFault) {
  const ParsedCommandLine parsed = ParseCommandLine({"--drop-replies",
                                                     "2",
                                                     "--garbage-replies=all",
                                                     "--garbage-length",
                                                     "12",
                                                     "--maintenance-runs",
                                                     "1",
                                                     "--burst-replies",
                                                     "3",
                                                     "--burst-length",
                                                     "30001",
                                                     "--split-replies",
                                                     "4",
                                                     "--split-after",
                                                     "6",
                                                     "--split-gap-ms",
                                                     "200",
                                                     "--double-replies",
                                                     "5",
                                                     "--double-gap-ms",
                                                     "90",
                                                     "--fault-every",
                                                     "7",
                                                     "--hang-up-after-logo-row",
                                                     "0",
                                                     "--hang-up-ms",
                                                     "2500"});
  ASSERT_EQ(parsed.action, ParsedCommandLine::Action::Run) << parsed.error;
  const Faults& f = parsed.config.printer.faults;
  EXPECT_EQ(f.dropReplies, 2);
  EXPECT_EQ(f.garbageReplies, std::numeric_limits<int>::max());
  EXPECT_EQ(f.garbageLength, 12);
  EXPECT_EQ(f.maintenanceRuns, 1);
  EXPECT_EQ(f.burstReplies, 3);
  EXPECT_EQ(f.burstLength, 30001);
  EXPECT_EQ(f.splitReplies, 4);
  EXPECT_EQ(f.splitAfterBytes, 6);
  EXPECT_EQ(f.splitGapMs, 200);
  EXPECT_EQ(f.doubledReplies, 5);
  EXPECT_EQ(f.doubleGapMs, 90);
  EXPECT_EQ(f.everyNthReply, 7);
  EXPECT_EQ(f.hangUpAfterLogoRow, 0);
  EXPECT_EQ(f.hangUpMs, 2500);
}

TEST(FaultOptionsTest, DefaultsArmNothing) {
  const Faults& f = ParseCommandLine({}).config.printer.faults;
  EXPECT_EQ(f.dropReplies + f.garbageReplies + f.maintenanceRuns + f.burstReplies + f.splitReplies +
                f.doubledReplies,
            0);
  EXPECT_FALSE(f.hangUpAfterLogoRow);
  EXPECT_EQ(f.everyNthReply, 1);
}

TEST(FaultOptionsTest, BadValuesAreRefusedWithTheOptionNamed) {
  const std::vector<std::vector<std::string>> bad = {
      {"--drop-replies", "some"},        {"--drop-replies", "-1"},      {"--garbage-length", "0"},
      {"--garbage-length", "30001"},     {"--fault-every", "0"},        {"--split-after", "0"},
      {"--split-gap-ms", "1x"},          {"--burst-length", "2000000"}, {"--hang-up-ms", ""},
      {"--hang-up-after-logo-row", "x"}, {"--double-replies"}};
  for (const auto& args : bad) {
    const ParsedCommandLine parsed = ParseCommandLine(args);
    EXPECT_EQ(parsed.action, ParsedCommandLine::Action::Error) << args[0];
    EXPECT_NE(parsed.error.find(args[0]), std::string::npos) << parsed.error;
  }
  EXPECT_EQ(ParseCommandLine({"--drop-replies=3=4"}).action, ParsedCommandLine::Action::Error);
}

TEST(FaultOptionsTest, HelpListsTheFaults) {
  const std::string usage = UsageText();
  for (const char* option :
       {"--drop-replies", "--garbage-replies", "--garbage-length", "--maintenance-runs",
        "--burst-replies", "--burst-length", "--split-replies", "--split-after", "--split-gap-ms",
        "--double-replies", "--double-gap-ms", "--fault-every", "--hang-up-after-logo-row",
        "--hang-up-ms"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
  // Every line of the help fits an 80-column terminal.
  std::size_t start = 0;
  while (start < usage.size()) {
    const std::size_t end = usage.find('\n', start);
    EXPECT_LE(end - start, 80u) << usage.substr(start, end - start);
    start = end + 1;
  }
}

}  // namespace
}  // namespace orvex::sim
