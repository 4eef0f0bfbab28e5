// The session host: reads framed while the session thread is busy are each
// dispatched as their own read, in order, never inside another dispatch, and
// logged in the order they crossed the line; a call posted during a long
// operation is handled inside its wait; the timers keep their period; and a
// stop ends every wait and sends nothing more.
#include "platform/host/session_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "bitmaps.h"
#include "core/commands/queries.h"
#include "core/formats/format_download.h"
#include "core/link/link_control.h"
#include "core/logos/logo_download.h"
#include "fakes.h"
#include "platform/serial/serial_port.h"
#include "pseudo_terminal.h"
#include "search_reply.h"

namespace orvex::platform {
namespace {

using ::testing::ElementsAre;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// A session on fakes, hosted on the test's thread unless Start()ed.
struct Hosted {
  explicit Hosted(core::Spreadsheet* spreadsheet = nullptr)
      : session(core::Ports{memo, host, host, panel, clock, host, view,
                            spreadsheet != nullptr ? *spreadsheet : none, preview}) {
    host.Attach(session);
    session.state.identified = true;
    session.state.linkState = core::LinkState::Online;
  }
  bool RunFor(
      int ms, const std::function<bool()>& done = [] { return false; }) {
    return host.RunUntil(done, host.NowMs() + ms);
  }
  bool Said(const std::string& line) const {
    return std::find(memo.lines.begin(), memo.lines.end(), line) != memo.lines.end();
  }

  test::FakeMemo memo;
  test::FakePanel panel;
  test::FakeClock clock;
  test::FakeView view;
  test::FakePreview preview;
  core::NoSpreadsheet none;
  SessionHost host;
  core::Session session;
};

// A logo of two blank rows in a file of its own, removed afterwards.
struct LogoFile {
  LogoFile()
      : path((std::filesystem::temp_directory_path() /
              ("orvex-host-test-" + std::to_string(getpid()) + ".bmp"))
                 .string()) {
    test::WriteFile(path, test::MonoBmpBytes(384, 2, [](int, int) { return std::uint8_t{0}; }));
  }
  ~LogoFile() { std::filesystem::remove(path); }
  std::string path;
};

const Bytes kRenewalStart = {0x77, 0x11, 0x05, 0x01, 0x09};
const Bytes kRenewalProgress = {0x77, 0x22, 0x05, 0x03, 0x1F};
const Bytes kRenewalEnd = {0x77, 0x33, 0x05, 0x03, 0x1F};
const Bytes kFormatTaken = {0xAA};

TEST(SessionHostTest, RepliesQueuedWhileTheSessionWasBusyAreEachTakenOnTheirOwn) {
  // A record renewal that the printer ran while the coin format went out:
  // taken as one read, the dispatcher would see the renewal's start only.
  Hosted h;
  test::TrafficCapture traffic;
  h.session.traffic.SetObserver(&traffic);
  core::DownloadCoinFormat(h.session);
  ASSERT_TRUE(h.session.pending.Has(core::Request::CoinFormat));
  const int mark = h.memo.LineCount();
  for (const Bytes& read : {kRenewalStart, kRenewalProgress, kRenewalEnd, kFormatTaken}) {
    h.host.InjectRead(read);
  }
  EXPECT_TRUE(h.RunFor(2000, [&h] { return !h.session.pending.Has(core::Request::CoinFormat); }));
  EXPECT_THAT(h.memo.From(mark),
              ElementsAre("Renew records now :", "Last erase date : 2005/01/09",
                          "Now write record : 2005/03/31", "Renew records finished .", "",
                          "Download coin format finished .", ""));
  EXPECT_FALSE(h.session.state.busy);
  EXPECT_EQ(h.host.QueuedReads(), 0u);
  EXPECT_THAT(traffic.Names(),
              ElementsAre("TX coin format download", "RX record-maintenance report 0x11",
                          "RX record-maintenance report 0x22", "RX record-maintenance report 0x33",
                          "RX coin format reply"));
}

// Injects a read when the export starts the spreadsheet: it comes while the
// export handles events inside the dispatcher.
class ReadDuringExport : public test::AcceptingSpreadsheet {
 public:
  SessionHost* host = nullptr;
  core::Obtained<core::SpreadsheetApp> Start() override {
    host->InjectRead({0x77, 0x44, 0x10, 0x0B, 0x02});
    return AcceptingSpreadsheet::Start();
  }
};

TEST(SessionHostTest, AReadFramedDuringAnExportWaitsUntilTheExportHasEnded) {
  // The export reads the day records from the receive buffer while it
  // handles events; a report that came then must not overwrite it.
  ReadDuringExport spreadsheet;
  Hosted h(&spreadsheet);
  spreadsheet.host = &h.host;
  h.session.state.busy = true;
  h.session.pending.Set(core::Request::RecordSearch);
  h.host.InjectRead(test::SearchReply(
      {5, 3, 1}, {5, 3, 20}, 2, std::vector<test::Day>(20, {100, 200, 300, 4}), test::kSerial));
  EXPECT_TRUE(
      h.RunFor(2000, [&h] { return h.Said("Records full! Last record date : 2016/11/02"); }));
  const std::vector<std::string>& lines = h.memo.lines;
  ASSERT_GE(lines.size(), 4u) << h.memo.Text();
  EXPECT_THAT(std::vector<std::string>(lines.end() - 4, lines.end()),
              ElementsAre("Finish outputing EXCEL file.", "",
                          "Records full! Last record date : 2016/11/02", ""));
  EXPECT_FALSE(h.session.pending.Has(core::Request::RecordSearch));
}

TEST(SessionHostTest, BurstsOnTheLineWhileTheSessionIsBusyStayApartWithTheirOwnTimes) {
  test::PseudoTerminal printer;
  ASSERT_FALSE(printer.path.empty());
  SerialPort port;
  PortDevice device;
  device.comName = "COM3";
  device.source = PortSource::Link;
  device.device = device.path = printer.path;
  ASSERT_TRUE(port.Open(device).ok);
  Hosted h;
  test::TrafficCapture traffic;
  traffic.clockUs = WallClockUs;
  h.session.traffic.SetObserver(&traffic);
  h.host.UseLine(&port);

  // 150 ms apart (more than the read gap) while the session thread does
  // nothing but sleep, as it does while it paces a long request.
  for (const Bytes& burst : {kRenewalStart, kRenewalEnd, kFormatTaken}) {
    ASSERT_TRUE(printer.Send(burst));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  // Bytes closer together than the gap are still one burst.
  ASSERT_TRUE(printer.Send(Bytes{0x77, 0x22}));
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(printer.Send(Bytes{0x05, 0x02, 0x0A}));
  ASSERT_TRUE(h.RunFor(3000, [&traffic] { return traffic.entries.size() == 4; }));

  const auto& e = traffic.entries;
  EXPECT_EQ(e[0].bytes, kRenewalStart);
  EXPECT_EQ(e[1].bytes, kRenewalEnd);
  EXPECT_EQ(e[2].bytes, kFormatTaken);
  EXPECT_EQ(e[3].bytes, (Bytes{0x77, 0x22, 0x05, 0x02, 0x0A}));
  // Stamped when they were framed, not when they were taken (all at once).
  EXPECT_GE(e[1].firstUs - e[0].firstUs, 140'000);
  EXPECT_GE(e[2].firstUs - e[1].firstUs, 140'000);
  EXPECT_GE(e[0].lastUs - e[0].firstUs, 300'000);
  h.host.UseLine(nullptr);
}

TEST(SessionHostTest, ARequestSentWhileAnEarlierReadWaitsIsLoggedAfterThatRead) {
  Hosted h;
  test::TrafficCapture traffic;
  traffic.clockUs = WallClockUs;
  h.session.traffic.SetObserver(&traffic);
  h.host.InjectRead(kRenewalStart);  // framed now, taken at the next wait
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  core::ReadFirmwareVersion(h.session);
  EXPECT_TRUE(traffic.entries.empty());  // the request waits for the read before it
  h.host.ProcessPendingEvents();
  // The read came before the request, though the request was answered by it.
  EXPECT_THAT(traffic.Names(), ElementsAre("RX record-maintenance report 0x11 + firmware reply",
                                           "TX firmware query"));
  EXPECT_LT(traffic.entries[0].firstUs, traffic.entries[1].firstUs);
}

TEST(SessionHostTest, ACallPostedDuringALongOperationIsHandledInsideItsWait) {
  const LogoFile logo;
  Hosted h;
  h.session.setup.logos[0] = {logo.path, 2};
  bool refusedWhileWaiting = false;
  bool ended = false;
  h.host.Post([&] {
    core::DownloadLogo1(h.session);  // waits for the header's acknowledgement
    ended = true;
  });
  h.host.Post([&h] { core::ReadFirmwareVersion(h.session); });
  h.host.Post([&] {
    refusedWhileWaiting =
        h.session.pending.Has(core::Request::Logo1) && h.Said("Printer is busy right now .");
    core::CommunicationReset(h.session);  // ends the download's wait
  });
  EXPECT_TRUE(h.RunFor(2000, [&ended] { return ended; }));
  EXPECT_TRUE(refusedWhileWaiting);
  EXPECT_FALSE(h.session.pending.Has(core::Request::Firmware));
}

TEST(SessionHostTest, StopEndsEveryWaitAndSendsNothingMore) {
  const LogoFile logo;
  Hosted h;
  h.session.setup.logos[0] = {logo.path, 2};
  std::atomic<bool> waiting{false};
  h.host.Start();
  h.host.Post([&h] { core::DownloadLogo1(h.session); });
  h.host.Post([&waiting] { waiting = true; });  // runs inside the download's wait
  const auto until = Clock::now() + std::chrono::seconds(3);
  while (!waiting && Clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(waiting);

  const auto start = Clock::now();
  h.host.Stop();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  // Joined: the session is the test's again.
  EXPECT_EQ(h.session.bytesSent, 4u);  // the header only, no row after the stop
  EXPECT_FALSE(h.session.pending.Has(core::Request::Logo1));
  EXPECT_FALSE(h.session.state.busy);
  EXPECT_TRUE(h.Said("Communication Error !!"));
}

TEST(SessionHostTest, ATimerEnabledAgainKeepsItsPeriod) {
  Hosted h;
  const auto start = Clock::now();
  h.session.StartReplyTimeout();
  h.RunFor(400);
  h.host.SetTimerEnabled(core::TimerId::ReplyTimeout, true);  // running already
  EXPECT_TRUE(h.RunFor(2000, [&h] { return h.Said("Timeout Detect : 1 sec"); }));
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(990));
  EXPECT_LT(elapsed, std::chrono::milliseconds(1300));  // not 1 s after the second enable
}

}  // namespace
}  // namespace orvex::platform
