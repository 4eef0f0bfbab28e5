// The tool's commands against the simulated printer, from the menu to the
// lines, on the virtual clock; and what the printer holds afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bitmaps.h"
#include "core/commands/actions.h"
#include "core/commands/clock_setting.h"
#include "core/commands/queries.h"
#include "core/formats/format_download.h"
#include "core/formats/settings.h"
#include "core/link/link_control.h"
#include "core/logos/logo_download.h"
#include "core/logos/logo_file.h"
#include "core/records/record_search.h"
#include "virtual_bench.h"

namespace orvex::core {
namespace {

namespace fs = std::filesystem;
using test::VirtualBench;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::uint8_t Pattern(int row, int column) {
  return static_cast<std::uint8_t>((row * 31) ^ (column * 7));
}

class PrinterSessionTest : public ::testing::Test {
 protected:
  explicit PrinterSessionTest(sim::PrinterOptions printer = {}) : bench(MakeOptions(printer)) {
    bench.Connect();
    mark = bench.memo.LineCount();
  }
  static VirtualBench::Options MakeOptions(sim::PrinterOptions printer) {
    VirtualBench::Options options;
    options.printer = printer;
    return options;
  }
  // Runs until the session is idle again.
  void Settle() {
    ASSERT_TRUE(bench.RunUntil([this] { return !s.state.busy && !s.pending.Any(); }, 200000));
  }
  std::vector<std::string> Lines() const { return bench.memo.From(mark); }
  void NextMark() { mark = bench.memo.LineCount(); }

  VirtualBench bench;
  Session& s = bench.session();
  int mark = 0;
};

TEST_F(PrinterSessionTest, TheTwentySymbolPrinterIsIdentified) {
  EXPECT_TRUE(s.state.wideSymbols);
  EXPECT_EQ(bench.panel.chooserWide, true);
  EXPECT_THAT(bench.memo.lines, ElementsAre("Orvex is online ."));
}

TEST_F(PrinterSessionTest, QueriesAnswerWithTheirLines) {
  ReadFirmwareVersion(s);
  Settle();
  EXPECT_THAT(Lines(), ElementsAre("Firmware version :", "     ORVEX-58 V2.15 ", "",
                                   "Checksum :", "   3C5A", "   E10F"));
  NextMark();
  ReadPrinterClock(s);
  Settle();
  ASSERT_EQ(Lines().size(), 3u);
  EXPECT_EQ(Lines()[0], "Date & Time :");
  EXPECT_THAT(Lines()[1], HasSubstr("2015/06/30   14:05:"));
  NextMark();
  ReadMultipliers(s);
  Settle();
  EXPECT_THAT(Lines(),
              ElementsAre("Coin value per pulse :   1", "Note value per pulse :   1",
                          "Payout value per pulse :   1", "Data has no floating-point .", ""));
  NextMark();
  ReadPrintStatus(s);
  Settle();
  EXPECT_EQ(Lines().size(), 7u);
  EXPECT_EQ(Lines()[0], "Print coin ticket .");
  NextMark();
  ReadSummaryTotals(s);
  Settle();
  EXPECT_EQ(Lines().size(), 5u);
  EXPECT_THAT(Lines()[0], HasSubstr("Total Coin : "));
}

TEST_F(PrinterSessionTest, ActionsAnswerWithTheirLines) {
  PrintCoinTestTicket(s);
  Settle();
  PrintDailyReport(s);
  Settle();
  PrintHistoryReport(s);
  Settle();
  TestFullCut(s);
  TestPartCut(s);
  SetDateFormatMMDDYY(s);
  DisableSerialNumberPrinting(s);
  // Printing takes more than a second: the timeout count shows meanwhile.
  EXPECT_THAT(
      Lines(),
      ElementsAre("Timeout Detect : 1 sec", "Print coin ticket finished .", "",
                  "Timeout Detect : 1 sec", "Print daily report finished .", "",
                  "Timeout Detect : 1 sec", "Print daily history report finished .", "",
                  "Test full cut finished .", "", "Test part cut finished .", "",
                  "Date format is now MM/DD/YY .", "", "Disable Printe Serial Number.", ""));
  bench.RunFor(500);
  EXPECT_EQ(bench.printer().received().fullCuts, 1);
  EXPECT_EQ(bench.printer().received().partCuts, 1);
  EXPECT_EQ(bench.printer().dateFormat(), 2);
  EXPECT_EQ(bench.printer().serialPrinting(), false);
  // The print status the printer reports carries the date format.
  NextMark();
  ReadPrintStatus(s);
  Settle();
  EXPECT_EQ(Lines().at(3), "Print date format is MM/DD/YY .");
}

TEST_F(PrinterSessionTest, EraseWithItsRecordMaintenanceRun) {
  EraseRecords(s);
  Settle();
  // The run that follows makes the printer busy until it reports the end.
  ASSERT_TRUE(bench.RunUntil(
      [this] {
        const auto& l = bench.memo.lines;
        return std::find(l.begin(), l.end(), "Renew records finished .") != l.end();
      },
      60000));
  const auto lines = Lines();
  EXPECT_EQ(lines.at(0), "Erase record finished .");
  EXPECT_THAT(lines, Contains("Renew records now :"));
  EXPECT_THAT(lines, Contains("Last erase date : 2005/01/09"));
  EXPECT_FALSE(s.state.busy);
  EXPECT_EQ(bench.printer().received().erases, 1);
}

TEST_F(PrinterSessionTest, ClockIsSetFromThePc) {
  bench.clock.now = {2019, 2, 3, 4, 5, 6};
  SetPrinterClock(s);
  Settle();
  EXPECT_THAT(Lines(), ElementsAre("PC date & time : ", "       2019/02/03  04:05:06",
                                   "Set date & time finished .", ""));
  const sim::DateTime clock = bench.printer().ClockAt(bench.now());
  EXPECT_EQ(clock.date.year, 2019);
  EXPECT_EQ(clock.date.month, 2);
  EXPECT_EQ(clock.date.day, 3);
  EXPECT_EQ(clock.hour, 4);
  EXPECT_EQ(clock.minute, 5);
}

TEST_F(PrinterSessionTest, SettingsReadBackFromThePrinter) {
  s.setup.multipliers = {"1000", "9999", "5", "2"};
  s.setup.printStatus = {true, false, false, true, false};
  SendMultiplierSettings(s);
  SendPrintStatus(s);
  bench.RunFor(200);
  NextMark();
  ReadMultipliers(s);
  Settle();
  EXPECT_THAT(Lines(),
              ElementsAre("Coin value per pulse :   1000", "Note value per pulse :   9999",
                          "Payout value per pulse :   5", "Data has 2 floating-points .", ""));
  NextMark();
  ReadPrintStatus(s);
  Settle();
  EXPECT_THAT(Lines(),
              ElementsAre("Print coin ticket .", "Won't print note ticket .",
                          "Won't print payout ticket .", "Print date format is YY/MM/DD .",
                          "Print symbol on payout-ticket .", "Not Print Record Search.", ""));
}

TEST_F(PrinterSessionTest, FormatsReadBackIdenticalFromThePrinter) {
  const std::string texts[3] = {"M\xFCnze 5 \x80", "Note \xA3 10", "Payout \xE9t\xE9"};
  for (int t = 0; t < 3; ++t) {
    TicketFormat& format = s.setup.tickets[static_cast<std::size_t>(t)];
    format[0].SetText(texts[t]);
    format[0].sizeItem = 2;
    format[0].heightItem = 1;
    format[1].kindItem = 1 + t;  // a logo
    format[1].heightItem = 1;
    format[2].kindItem = 4;
    format[3].kindItem = 6;
    format[3].sizeItem = 1;
    for (int line = 4; line < 10; ++line) format[static_cast<std::size_t>(line)].kindItem = 5;
  }
  s.setup.symbolItemWide = 19;
  DownloadCoinFormat(s);
  Settle();
  DownloadNoteFormat(s);
  Settle();
  DownloadPayoutFormat(s);
  Settle();
  EXPECT_THAT(Lines(),
              ElementsAre("Download coin format finished .", "", "Download note format finished .",
                          "", "Download payout format finished .", ""));
  const sim::LineKind logos[3] = {sim::LineKind::Logo1, sim::LineKind::Logo2, sim::LineKind::Logo3};
  for (int t = 0; t < 3; ++t) {
    const auto kind = static_cast<sim::TicketKind>(t);
    ASSERT_TRUE(bench.printer().ticket(kind).has_value());
    EXPECT_EQ(bench.printer().ticket(kind)->symbol, 0xE0);
    const auto lines = bench.printer().DescribeTicket(kind);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0].kind, sim::LineKind::Text);
    EXPECT_EQ(lines[0].text, texts[t]);
    EXPECT_EQ(lines[0].size, 3);
    EXPECT_EQ(lines[0].height, 2);
    EXPECT_EQ(lines[1].kind, logos[t]);
    EXPECT_EQ(lines[1].height, 2);
    EXPECT_EQ(lines[2].kind, sim::LineKind::Data);
    EXPECT_EQ(lines[3].kind, sim::LineKind::Security);
    EXPECT_EQ(lines[3].size, 2);
    EXPECT_EQ(lines[9].kind, sim::LineKind::NotUsed);
    for (const auto& line : lines) EXPECT_EQ(line.problem, "");
  }
}

class LogoDownloadTest : public PrinterSessionTest {
 protected:
  explicit LogoDownloadTest(sim::PrinterOptions printer = {}) : PrinterSessionTest(printer) {
    folder = test::TempFolder("logo-download");
  }
  std::string MakeLogo(const std::string& name, int height) {
    const fs::path path = folder / name;
    test::WriteFile(path, test::MonoBmpBytes(384, height, Pattern));
    return path.string();
  }
  fs::path folder;
};

TEST_F(LogoDownloadTest, FullLogoReachesThePrinterAsTheBitmapShowsIt) {
  const std::string path = MakeLogo("full.bmp", 341);
  s.setup.logos[0] = {path, 341};
  bench.ForgetSent();
  DownloadLogo1(s);
  const auto sent = bench.SentBytes();
  ASSERT_EQ(sent.size(), 4u + 16368u);
  EXPECT_THAT(std::vector<std::uint8_t>(sent.begin(), sent.begin() + 4),
              ElementsAre(0x1D, 0xF4, 0xF0, 0x3F));
  Settle();
  // The count shows while the header's acknowledgement is awaited.
  EXPECT_THAT(Lines(), ElementsAre("Timeout Detect : 1 sec", "Download logo1 finished .", "", ""));
  EXPECT_EQ(bench.panel.gauge.front(), 1);
  EXPECT_EQ(bench.panel.gauge.back(), 100);
  const auto& stored = bench.printer().logo(1);
  ASSERT_TRUE(stored.has_value());
  ASSERT_EQ(stored->height, 341);
  // The printer's top row is the file's last row, black where the file's
  // palette index is 0.
  const std::string file = test::ReadFile(path);
  for (int y = 0; y < 341; ++y) {
    for (int c = 0; c < 48; ++c) {
      const auto fileByte =
          static_cast<std::uint8_t>(file[static_cast<std::size_t>(62 + (340 - y) * 48 + c)]);
      ASSERT_EQ(stored->rows[static_cast<std::size_t>(y * 48 + c)],
                static_cast<std::uint8_t>(~fileByte))
          << "row " << y << " byte " << c;
    }
  }
  // Each row waited for its acknowledgement: about 480 ms a row.
  EXPECT_GT(bench.now(), 341 * 480);
}

TEST_F(LogoDownloadTest, TwoRowLogoAndEmptyLogo) {
  s.setup.logos[1] = {MakeLogo("two.bmp", 2), 2};
  bench.ForgetSent();
  DownloadLogo2(s);
  const auto sent = bench.SentBytes();
  ASSERT_EQ(sent.size(), 100u);
  EXPECT_THAT(std::vector<std::uint8_t>(sent.begin(), sent.begin() + 4),
              ElementsAre(0x1D, 0xF8, 0x60, 0x00));
  EXPECT_EQ(sent[4], static_cast<std::uint8_t>(~Pattern(1, 0)));
  EXPECT_EQ(bench.panel.gauge.back(), 99);
  Settle();

  s.setup.logos[2] = {MakeLogo("zero.bmp", 0), 0};
  bench.ForgetSent();
  NextMark();
  DownloadLogo3(s);
  EXPECT_THAT(bench.SentBytes(), ElementsAre(0x1D, 0xFA, 0x00, 0x00));
  Settle();
  EXPECT_THAT(Lines(), ElementsAre("Download logo3 finished .", "", ""));
}

TEST_F(LogoDownloadTest, RefusedFilesSendNothing) {
  bench.ForgetSent();
  DownloadLogo2(s);  // empty slot
  const std::string path = MakeLogo("grows.bmp", 10);
  s.setup.logos[0] = {path, 10};
  test::WriteFile(path, test::MonoBmpBytes(384, 400, Pattern));  // changed since chosen
  DownloadLogo1(s);
  const std::string cut = MakeLogo("cut.bmp", 10);
  test::WriteFile(cut, test::ReadFile(cut).substr(0, 62 + 48 * 10 - 1));
  s.setup.logos[2] = {cut, 10};
  DownloadLogo3(s);
  EXPECT_THAT(bench.panel.messages,
              ElementsAre("Open file error !", "Open file error !", "Open file error !"));
  EXPECT_TRUE(bench.SentBytes().empty());
  EXPECT_FALSE(s.state.busy);
}

TEST_F(LogoDownloadTest, CancelDuringARowWait) {
  s.setup.logos[0] = {MakeLogo("c.bmp", 20), 20};
  bench.When(
      [this] { return s.pending.Has(Request::Logo1) && bench.SentBytes().size() > 4 + 48 * 5; },
      [this] { CancelDownload(s); });
  DownloadLogo1(s);
  EXPECT_THAT(Lines(), ElementsAre("Timeout Detect : 1 sec", "Data transfer interrupt .",
                                   "Please reset printer and try again .", ""));
  EXPECT_EQ(bench.panel.gauge.back(), 0);
  EXPECT_FALSE(s.state.busy);
  EXPECT_FALSE(s.pending.Has(Request::Logo1));
  EXPECT_FALSE(s.state.cancelLogo);
  EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
  EXPECT_LT(bench.SentBytes().size(), 4u + 48 * 20);
}

TEST_F(LogoDownloadTest, CancelDuringTheHeaderWaitActsAfterTheFirstRow) {
  s.setup.logos[0] = {MakeLogo("h.bmp", 20), 20};
  bench.ForgetSent();
  bench.When([this] { return s.pending.Has(Request::Logo1); }, [this] { CancelDownload(s); });
  DownloadLogo1(s);
  EXPECT_EQ(bench.SentBytes().size(), 4u + 48u);
  EXPECT_EQ(Lines().front(), "Data transfer interrupt .");
}

class SilentLogoTest : public LogoDownloadTest {
 protected:
  static sim::PrinterOptions StopsAfterRow3() {
    sim::PrinterOptions options;
    options.stopAckAfterRow = 3;
    return options;
  }
  SilentLogoTest() : LogoDownloadTest(StopsAfterRow3()) {}
};

TEST_F(SilentLogoTest, PrinterFallingSilentMidLogoEndsInTheTimeout) {
  s.setup.logos[0] = {MakeLogo("s.bmp", 10), 10};
  bench.ForgetSent();
  DownloadLogo1(s);
  EXPECT_EQ(bench.SentBytes().size(), 4u + 48u * 4);  // row 4 was never acknowledged
  EXPECT_THAT(Lines(), ElementsAre("Timeout Detect : 90 sec", "Communication Error !!", ""));
  EXPECT_EQ(s.state.linkState, LinkState::Lost);
  EXPECT_FALSE(s.state.busy);
  EXPECT_FALSE(s.pending.Has(Request::Logo1));
  EXPECT_EQ(bench.panel.gauge.back(), 0);
}

TEST_F(PrinterSessionTest, RecordSearchSelectsTheDaysAsked) {
  SearchAndPrint(s, {{2005, 3, 7}, {2005, 3, 9}});
  Settle();
  // The printer prints the search first; the timeout count rewrites the first line.
  EXPECT_THAT(Lines(),
              ElementsAre("Timeout Detect : 1 sec", "The final date you selected : 09/03/2005", "",
                          "The begining date Orvex selected :", "     2005/3/7",
                          "The final date Orvex selected :", "     2005/3/9", "",
                          "Can't output EXCEL file.", ""));
}

TEST_F(PrinterSessionTest, RecordSearchOutsideTheStoredDays) {
  SearchAndPrint(s, {{2010, 1, 1}, {2010, 1, 5}});
  Settle();
  EXPECT_EQ(Lines().at(3), "No record be found .");
}

}  // namespace
}  // namespace orvex::core
