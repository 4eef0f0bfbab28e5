// A line that stops taking data (a stalled pty, Bluetooth or USB-CDC link):
// the request stops at the first byte the line does not take, the window
// says so once, and the link counts as lost until the printer announces
// itself again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "bitmaps.h"
#include "core/batch/download_all.h"
#include "core/commands/queries.h"
#include "core/formats/format_download.h"
#include "core/logos/logo_download.h"
#include "core/records/record_search.h"
#include "virtual_bench.h"

namespace orvex::core {
namespace {

namespace fs = std::filesystem;
using test::VirtualBench;
using ::testing::ElementsAre;

const std::vector<std::string> kStalled = {"Serial line does not take data .",
                                           "Communication Error !!", ""};

std::uint8_t Grey(int row, int column) {
  return static_cast<std::uint8_t>(row * 31 + column);
}

class LineStallTest : public ::testing::Test {
 protected:
  LineStallTest() {
    bench.Connect();
    mark = bench.memo.LineCount();
    sentBefore = bench.sent().size();
  }

  std::vector<std::string> Lines() const { return bench.memo.From(mark); }
  std::vector<std::uint8_t> Sent() const { return bench.SentSince(sentBefore); }

  // The state a reply timeout leaves: nothing outstanding, the link lost.
  void ExpectLinkLost() {
    EXPECT_EQ(s.state.linkState, LinkState::Lost);
    EXPECT_FALSE(s.state.busy);
    EXPECT_FALSE(s.pending.Any());
    EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
    EXPECT_TRUE(bench.TimerEnabled(TimerId::OfflineCount));
  }

  // The line drains again and the printer restarts: the tool is back.
  void ExpectRecovery() {
    bench.FreeLine();
    bench.printer().HangUp(bench.now(), 500);
    ASSERT_TRUE(bench.RunUntil([this] { return s.state.linkState == LinkState::Online; }, 5000));
    bench.RunFor(500);
    mark = bench.memo.LineCount();
    ReadFirmwareVersion(s);
    ASSERT_TRUE(bench.RunUntil([this] { return !s.state.busy; }, 5000));
    EXPECT_EQ(Lines().at(0), "Firmware version :");
  }

  VirtualBench bench;
  Session& s = bench.session();
  int mark = 0;
  std::size_t sentBefore = 0;
};

TEST_F(LineStallTest, FormatDownloadStopsAtTheFirstByteNotTaken) {
  // 268 bytes in 12 parts; the line takes the header and two line records.
  bench.StallLine(5 + 2 * 26);
  const int requests = bench.requestsBegun();
  DownloadCoinFormat(s);
  EXPECT_EQ(Sent().size(), 5u + 2 * 26);
  EXPECT_EQ(bench.refusedBytes(), 1) << "no byte tried after the first refused one";
  EXPECT_EQ(bench.requestsBegun() - requests, 1) << "one deadline for the whole request";
  EXPECT_EQ(Lines(), kStalled);
  ExpectLinkLost();
  // No reply timeout runs afterwards.
  bench.RunFor(100000);
  EXPECT_EQ(Lines(), kStalled);
  ExpectRecovery();
}

TEST_F(LineStallTest, QueryThatCannotBeSentEndsAtOnce) {
  bench.StallLine(1);
  ReadFirmwareVersion(s);
  EXPECT_EQ(Sent(), std::vector<std::uint8_t>{0x1D});
  EXPECT_EQ(Lines(), kStalled);
  ExpectLinkLost();

  // While the link is lost a search is still sent (it checks busy only),
  // and stalls again without a word of its own.
  mark = bench.memo.LineCount();
  SearchAndPrint(s, {{2005, 3, 1}, {2005, 3, 3}});
  EXPECT_EQ(bench.refusedBytes(), 2);
  EXPECT_EQ(Lines(), kStalled);
  ExpectLinkLost();
  ExpectRecovery();
}

TEST_F(LineStallTest, LogoDownloadStopsInTheRowTheLineStalls) {
  const fs::path logo = test::TempFolder("line-stall") / "logo.bmp";
  test::WriteFile(logo, test::MonoBmpBytes(384, 5, Grey));
  s.setup.logos[0] = {logo.string(), 5};
  // Header and two rows, then ten bytes of the third.
  bench.StallLine(4 + 2 * 48 + 10);
  const int requests = bench.requestsBegun();
  DownloadLogo1(s);
  EXPECT_EQ(Sent().size(), 4u + 2 * 48 + 10);
  EXPECT_EQ(bench.refusedBytes(), 1);
  EXPECT_EQ(bench.requestsBegun() - requests, 4) << "the header and each row begun";
  // The reply timeout counted while the rows went out.
  EXPECT_THAT(Lines(), ElementsAre("Timeout Detect : 1 sec", kStalled[0], kStalled[1], ""));
  ExpectLinkLost();
  EXPECT_EQ(bench.panel.gauge.back(), 0);
  EXPECT_FALSE(bench.printer().logo(1));
  ExpectRecovery();
}

TEST_F(LineStallTest, DownloadAllEndsAtTheStepThatStalled) {
  bench.StallLine(0);
  DownloadAll(s);
  EXPECT_THAT(Lines(), ElementsAre("Download all part begin!!", "STEP 1 : (Date & Time)",
                                   "PC date & time : ", ::testing::_,
                                   "Serial line does not take data .", "Communication Error !!", "",
                                   "Can't detect printer, please check it .", ""));
  EXPECT_EQ(bench.refusedBytes(), 1);
  ExpectLinkLost();
  ExpectRecovery();
}

}  // namespace
}  // namespace orvex::core
