// The announcement, the variant handshake, the request guard and the timers.
#include "core/link/link_control.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/commands/actions.h"
#include "core/commands/queries.h"
#include "core/link/request_guard.h"
#include "core/logos/logo_download.h"
#include "virtual_bench.h"

namespace orvex::core {
namespace {

using test::VirtualBench;
using ::testing::ElementsAre;

VirtualBench::Options NoPrinter() {
  VirtualBench::Options options;
  options.withPrinter = false;
  return options;
}

class LinkTest : public ::testing::Test {
 protected:
  VirtualBench bench{NoPrinter()};
  Session& s = bench.session();

  void Identify() {
    bench.Deliver({0x26});
    bench.Deliver({0x0A});
    bench.ForgetSent();
  }
};

TEST_F(LinkTest, AnnouncementFromNotSeenAsksForTheVariant) {
  bench.Deliver({0x26});
  EXPECT_EQ(s.state.linkState, LinkState::Online);
  EXPECT_EQ(s.state.identifyStep, 1);
  EXPECT_THAT(bench.memo.lines, ElementsAre("Orvex is online ."));
  EXPECT_THAT(bench.SentBytes(), ElementsAre(0x1B, 0xA0));
  ASSERT_EQ(bench.sent().size(), 2u);
  EXPECT_EQ(bench.sent()[1].atMs - bench.sent()[0].atMs, 10);
  EXPECT_TRUE(bench.TimerEnabled(TimerId::VariantWait));
  EXPECT_FALSE(s.state.identified);
}

TEST_F(LinkTest, AnnouncementByteOneCountsAndStaleBytesStay) {
  bench.Deliver({0x00, 0x26});
  EXPECT_EQ(s.state.linkState, LinkState::Online);
  // A later one-byte read keeps byte 1 of the earlier read.
  EXPECT_EQ(s.rx[1], 0x26);
}

TEST_F(LinkTest, VariantReplyByByteZeroOrFiveSelectsTwentySymbols) {
  bench.Deliver({0x26});
  bench.Deliver({0x0A});
  EXPECT_TRUE(s.state.identified);
  EXPECT_TRUE(s.state.wideSymbols);
  EXPECT_EQ(bench.panel.chooserWide, true);
  EXPECT_TRUE(bench.panel.symbolCheckEnabled);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::VariantWait));

  VirtualBench other{NoPrinter()};
  other.Deliver({0x26});
  other.Deliver({1, 2, 3, 4, 5, 0x0A});
  EXPECT_TRUE(other.session().state.wideSymbols);
}

TEST_F(LinkTest, AnyOtherVariantReplySelectsEighteenSymbols) {
  bench.Deliver({0x26});
  bench.Deliver({0x00});
  EXPECT_TRUE(s.state.identified);
  EXPECT_FALSE(s.state.wideSymbols);
  EXPECT_EQ(bench.panel.chooserWide, false);
  // No line is written for the variant.
  EXPECT_THAT(bench.memo.lines, ElementsAre("Orvex is online ."));
}

TEST_F(LinkTest, NoVariantReplyFallsBackOnTheFourthTick) {
  bench.Deliver({0x26});
  bench.RunFor(3000);
  EXPECT_FALSE(s.state.identified);
  bench.RunFor(1000);
  EXPECT_TRUE(s.state.identified);
  EXPECT_FALSE(s.state.wideSymbols);
  EXPECT_EQ(bench.panel.chooserWide, false);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::VariantWait));
  EXPECT_EQ(s.state.identifyTicks, 0u);
}

TEST_F(LinkTest, TheVariantReadIsNotAlsoAnAnnouncement) {
  // Sections 2 and 3 run before 4 and 5: the read that answers the query is
  // not examined for 0x26 while the link is online.
  bench.Deliver({0x26});
  bench.Deliver({0x26});
  EXPECT_EQ(bench.memo.LineCount(), 1);
  EXPECT_TRUE(s.state.identified);
}

TEST_F(LinkTest, EveryCommandIsInertBeforeIdentification) {
  ReadFirmwareVersion(s);
  SetDateFormatYYMMDD(s);
  TestFullCut(s);
  ClearMessageWindow(s);
  EXPECT_TRUE(bench.memo.lines.empty());
  EXPECT_TRUE(bench.SentBytes().empty());
}

TEST_F(LinkTest, GuardFormsRefuseWithTheirLines) {
  Identify();
  s.state.busy = true;
  const int mark = bench.memo.LineCount();
  ReadFirmwareVersion(s);
  SetDateFormatYYMMDD(s);
  EXPECT_THAT(bench.memo.From(mark),
              ElementsAre("Printer is busy right now .", "", "Printer is busy right now .", ""));
  s.state.busy = false;
  s.state.linkState = LinkState::Lost;
  const int mark2 = bench.memo.LineCount();
  SetDateFormatYYMMDD(s);
  EXPECT_THAT(bench.memo.From(mark2), ElementsAre("Can't detect printer, please check it .", ""));
  EXPECT_TRUE(bench.SentBytes().empty());
  // The busy-only form still sends while the link is lost.
  ReadFirmwareVersion(s);
  EXPECT_THAT(bench.SentBytes(), ElementsAre(0x1D, 0xF9));
}

TEST_F(LinkTest, ReplyTimeoutCountsOnOneLineThenResets) {
  Identify();
  ReadFirmwareVersion(s);
  const int timeoutLine = s.state.timeoutLine;
  EXPECT_EQ(timeoutLine, bench.memo.LineCount());
  bench.RunFor(1000);
  EXPECT_EQ(bench.memo.lines.back(), "Timeout Detect : 1 sec");
  bench.RunFor(88000);
  EXPECT_EQ(bench.memo.lines[static_cast<std::size_t>(timeoutLine)], "Timeout Detect : 89 sec");
  EXPECT_EQ(bench.memo.LineCount(), timeoutLine + 1);
  bench.RunFor(1000);
  EXPECT_THAT(bench.memo.From(timeoutLine),
              ElementsAre("Timeout Detect : 90 sec", "Communication Error !!", ""));
  EXPECT_EQ(s.state.linkState, LinkState::Lost);
  EXPECT_FALSE(s.state.busy);
  EXPECT_FALSE(s.pending.Any());
  EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
  EXPECT_TRUE(bench.TimerEnabled(TimerId::OfflineCount));
  EXPECT_EQ(bench.panel.gauge.back(), 0);
  EXPECT_TRUE(s.state.identified);
}

TEST_F(LinkTest, AcknowledgementByteRestartsTheCount) {
  Identify();
  ReadFirmwareVersion(s);
  bench.RunFor(60000);
  // A read with 0x42 anywhere restarts the count; the firmware section also
  // completes the request, so use a request that ignores the bytes.
  s.pending.Clear(Request::Firmware);
  s.pending.Set(Request::CoinFormat);
  bench.Deliver({0x00, 0x42});
  EXPECT_EQ(s.state.timeoutSeconds, 0);
  EXPECT_TRUE(s.state.blockAck);
  EXPECT_TRUE(s.pending.Has(Request::CoinFormat));  // not 0xAA: still outstanding
  bench.RunFor(89000);
  EXPECT_EQ(s.state.linkState, LinkState::Online);
  bench.RunFor(1000);
  EXPECT_EQ(s.state.linkState, LinkState::Lost);
}

TEST_F(LinkTest, OfflineCountAfterAResetAndReannouncement) {
  Identify();
  ReadFirmwareVersion(s);
  bench.RunFor(90000);
  ASSERT_EQ(s.state.linkState, LinkState::Lost);
  // Timer1 runs but does nothing while the link is lost.
  const int lines = bench.memo.LineCount();
  bench.RunFor(5000);
  EXPECT_EQ(bench.memo.LineCount(), lines);

  // The printer comes back: announced from Lost, step 2.
  bench.Deliver({0x26});
  EXPECT_EQ(s.state.identifyStep, 2);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::OfflineCount));
  bench.Deliver({0x00});
  EXPECT_FALSE(s.state.wideSymbols);  // the later probe may change the variant
  EXPECT_EQ(bench.panel.chooserWide, false);
}

TEST_F(LinkTest, TimerOneTicksCountToOfflineWhenNotLost) {
  Identify();
  s.state.timeoutSeconds = 0;
  OfflineCountTick(s);
  OfflineCountTick(s);
  EXPECT_EQ(s.state.linkState, LinkState::Online);
  OfflineCountTick(s);
  EXPECT_THAT(bench.memo.From(bench.memo.LineCount() - 2), ElementsAre("Printer not online .", ""));
  EXPECT_EQ(s.state.linkState, LinkState::Lost);
}

TEST_F(LinkTest, AnnouncementStopsTheTimeoutButLeavesTheRequest) {
  Identify();
  StartRequest(s, Request::CoinFormat);
  s.state.linkState = LinkState::Lost;
  bench.Deliver({0x26});
  EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
  EXPECT_TRUE(s.pending.Has(Request::CoinFormat));
  EXPECT_TRUE(s.state.busy);
  bench.Deliver({0x0A});  // the variant reply
  bench.Deliver({0xAA});
  EXPECT_FALSE(s.pending.Has(Request::CoinFormat));
  EXPECT_FALSE(s.state.busy);
}

TEST_F(LinkTest, ARequestWhoseTimeoutAnAnnouncementStoppedEndsInTheWatch) {
  // The announcement stops the reply timeout and leaves the request for a
  // read to complete; a printer that then says nothing at all (no variant
  // reply either) used to leave it pending for good. The state is set by
  // hand: a download cannot start while the link is lost.
  Identify();
  StartRequest(s, Request::CoinFormat);
  s.state.linkState = LinkState::Lost;
  bench.Deliver({0x26});
  EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
  EXPECT_TRUE(bench.TimerEnabled(TimerId::StuckWatch));
  const int mark = bench.memo.LineCount();
  bench.RunFor(89500);
  EXPECT_TRUE(s.pending.Has(Request::CoinFormat));
  EXPECT_TRUE(s.state.busy);
  EXPECT_TRUE(bench.memo.From(mark).empty()) << bench.memo.Text();
  bench.RunFor(1000);
  EXPECT_THAT(bench.memo.From(mark), ElementsAre("Communication Error !!", ""));
  EXPECT_FALSE(s.pending.Any());
  EXPECT_FALSE(s.state.busy);
  EXPECT_EQ(s.state.linkState, LinkState::Lost);
  EXPECT_TRUE(bench.TimerEnabled(TimerId::OfflineCount));
  bench.RunFor(1000);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::StuckWatch));
}

TEST_F(LinkTest, TheWatchLeavesRequestsUnderTheReplyTimeoutAlone) {
  // An ordinary request: the watch never starts, the designed timeout line
  // counts 1 to 90 and resets.
  Identify();
  ReadFirmwareVersion(s);
  bench.RunFor(3000);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::StuckWatch));
  bench.Deliver({'B'});  // any read ends a query
  EXPECT_FALSE(s.pending.Has(Request::Firmware));
  EXPECT_FALSE(bench.TimerEnabled(TimerId::StuckWatch));
  // A renewal's start during a download: the download's own timeout ends
  // both, with its count on its own line.
  const int mark = bench.memo.LineCount();
  StartRequest(s, Request::NoteFormat);
  bench.RunFor(2000);
  bench.Deliver({0x77, 0x11, 5, 1, 9});
  EXPECT_FALSE(bench.TimerEnabled(TimerId::StuckWatch));
  bench.RunFor(95000);
  const std::vector<std::string> lines = bench.memo.From(mark);
  ASSERT_EQ(lines.size(), 6u) << bench.memo.Text();
  EXPECT_EQ(lines[0], "Timeout Detect : 90 sec");
  EXPECT_EQ(lines[1], "Renew records now :");
  EXPECT_EQ(lines[4], "Communication Error !!");
  EXPECT_FALSE(s.state.busy);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::StuckWatch));
}

TEST_F(LinkTest, CancelOnlyRaisesFlags) {
  CancelDownload(s);
  EXPECT_TRUE(s.state.cancelLogo);
  EXPECT_TRUE(s.state.cancelBatch);
  EXPECT_TRUE(bench.memo.lines.empty());
}

TEST_F(LinkTest, ReplaceLinePastTheEndDoesNothing) {
  bench.memo.AppendLine("a");
  bench.memo.ReplaceLine(1, "b");
  bench.memo.ReplaceLine(5, "c");
  EXPECT_THAT(bench.memo.lines, ElementsAre("a", "b"));
}

TEST_F(LinkTest, OversizedReadIsTakenAsSeveralReads) {
  Identify();
  std::vector<std::uint8_t> burst(30005, 0x11);
  burst[30000] = 0x42;
  s.state.timeoutSeconds = 7;
  bench.Deliver(burst);
  EXPECT_EQ(s.rx.ReadLength(), 5u);
  EXPECT_EQ(s.rx[0], 0x42);
  EXPECT_EQ(s.state.timeoutSeconds, 0);
}

TEST_F(LinkTest, ProbeAsksForTheVariantAndItsAnswerTakesTheLinkOnline) {
  ProbeVariant(s);
  EXPECT_THAT(bench.SentBytes(), ElementsAre(0x1B, 0xA0));
  EXPECT_EQ(s.state.linkState, LinkState::NotSeen);
  EXPECT_FALSE(s.state.identified);
  bench.Deliver({0x0A});
  EXPECT_EQ(s.state.linkState, LinkState::Online);
  EXPECT_TRUE(s.state.identified);
  EXPECT_TRUE(s.state.wideSymbols);
  EXPECT_EQ(s.state.identifyStep, 0);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::VariantWait));
  EXPECT_THAT(bench.memo.lines, ElementsAre("Orvex is online ."));
}

TEST_F(LinkTest, AnAnnouncementCrossingTheProbeIsAnAnnouncement) {
  ProbeVariant(s);
  bench.ForgetSent();
  bench.Deliver({0x26});
  // Not taken as the variant answer: the announcement asks again.
  EXPECT_EQ(s.state.linkState, LinkState::Online);
  EXPECT_FALSE(s.state.identified);
  EXPECT_EQ(s.state.identifyStep, 1);
  EXPECT_THAT(bench.SentBytes(), ElementsAre(0x1B, 0xA0));
  bench.Deliver({0x12});
  EXPECT_TRUE(s.state.identified);
  EXPECT_FALSE(s.state.wideSymbols);
  EXPECT_THAT(bench.memo.lines, ElementsAre("Orvex is online ."));
}

TEST_F(LinkTest, AnUnansweredProbeIdentifiesButLeavesTheLinkUnseen) {
  ProbeVariant(s);
  bench.RunFor(4000);
  EXPECT_TRUE(s.state.identified);  // the fallback, as after an announcement
  EXPECT_EQ(s.state.linkState, LinkState::NotSeen);
  EXPECT_TRUE(bench.memo.lines.empty());
}

}  // namespace
}  // namespace orvex::core
