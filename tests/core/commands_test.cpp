// Queries, actions and the clock setting: the bytes on the wire and the
// lines their replies give.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/commands/actions.h"
#include "core/commands/clock_setting.h"
#include "core/commands/queries.h"
#include "core/formats/settings.h"
#include "virtual_bench.h"
#include "wire_test.h"

namespace orvex::core {
namespace {

using test::VirtualBench;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class CommandsTest : public test::WireTest {
 protected:
  // Gaps between consecutive sent bytes, in ms.
  std::vector<std::int64_t> Gaps() const {
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < bench.sent().size(); ++i) {
      gaps.push_back(bench.sent()[i].atMs - bench.sent()[i - 1].atMs);
    }
    return gaps;
  }
};

// ---- queries ----

TEST_F(CommandsTest, QueriesSendTheirTwoBytes) {
  struct Case {
    void (*handler)(Session&);
    std::uint8_t first, code;
    Request request;
  };
  const Case cases[] = {
      {ReadFirmwareVersion, 0x1D, 0xF9, Request::Firmware},
      {ReadPrinterClock, 0x1B, 0xF0, Request::DateTime},
      {ReadMultipliers, 0x1D, 0xF5, Request::Multiplier},
      {ReadPrintStatus, 0x1D, 0xF7, Request::PrintStatus},
      {ReadSummaryTotals, 0x1B, 0xF4, Request::Summary},
  };
  for (const Case& c : cases) {
    bench.ForgetSent();
    c.handler(s);
    EXPECT_THAT(bench.SentBytes(), ElementsAre(c.first, c.code));
    EXPECT_THAT(Gaps(), ElementsAre(10));
    EXPECT_TRUE(s.pending.Has(c.request));
    EXPECT_TRUE(s.state.busy);
    EXPECT_TRUE(bench.TimerEnabled(TimerId::ReplyTimeout));
    // The handler returned right after the last byte: no pause after it.
    EXPECT_EQ(bench.now(), bench.sent().back().atMs);
    s.pending.Clear(c.request);
    s.state.busy = false;
  }
}

TEST_F(CommandsTest, FirmwareReplyLines) {
  ReadFirmwareVersion(s);
  bench.Deliver({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 0x12,
                 0x34, 0x0A, 0xBC});
  EXPECT_THAT(Lines(), ElementsAre("Firmware version :", "     ABCDEFGHIJKLMNO", "",
                                   "Checksum :", "   1234", "   0ABC"));
  EXPECT_FALSE(s.state.busy);
  EXPECT_FALSE(s.pending.Has(Request::Firmware));
  EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
}

TEST_F(CommandsTest, ShortFirmwareReplyKeepsStaleChecksumBytes) {
  std::vector<std::uint8_t> earlier(19, 0x00);
  earlier[15] = 0xDE;
  earlier[16] = 0xAD;
  earlier[17] = 0xBE;
  earlier[18] = 0xEF;
  bench.Deliver(earlier);  // nothing outstanding: only fills the buffer
  ReadFirmwareVersion(s);
  bench.Deliver({'V', '1'});
  EXPECT_THAT(Lines(),
              ElementsAre("Firmware version :", "     V1", "", "Checksum :", "   DEAD", "   BEEF"));
}

TEST_F(CommandsTest, DateTimeReplyAndReadError) {
  ReadPrinterClock(s);
  bench.Deliver({'1', '5', '0', '6', '3', '0', '1', '4', '0', '5', '0', '9'});
  EXPECT_THAT(Lines(), ElementsAre("Date & Time :", "     2015/06/30   14:05:09", ""));
  mark = bench.memo.LineCount();
  ReadPrinterClock(s);
  bench.Deliver({0x00});
  EXPECT_THAT(Lines(), ElementsAre("Read Error,try again.", ""));
  EXPECT_FALSE(s.state.busy);
}

TEST_F(CommandsTest, MultiplierReply) {
  ReadMultipliers(s);
  bench.Deliver({0x05, 0x00, 0x0A, 0x00, 0x00, 0x01, 0x02});
  EXPECT_THAT(Lines(),
              ElementsAre("Coin value per pulse :   5", "Note value per pulse :   10",
                          "Payout value per pulse :   256", "Data has 2 floating-points .", ""));
  mark = bench.memo.LineCount();
  ReadMultipliers(s);
  bench.Deliver({0xFF, 0xFF, 0, 0, 0, 0, 0});
  EXPECT_THAT(Lines(),
              ElementsAre("Coin value per pulse :   65535", "Note value per pulse :   0",
                          "Payout value per pulse :   0", "Data has no floating-point .", ""));
}

TEST_F(CommandsTest, PrintStatusReply) {
  ReadPrintStatus(s);
  bench.Deliver({0x18});
  EXPECT_THAT(Lines(),
              ElementsAre("Won't print coin ticket .", "Won't print note ticket .",
                          "Won't print payout ticket .", "Print date format is YY/DD/MM .",
                          "Won't print symbol on payout-ticket .", "Not Print Record Search.", ""));
  const std::pair<std::uint8_t, const char*> formats[] = {
      {0x00, "Print date format is YY/MM/DD ."},
      {0x08, "Print date format is DD/MM/YY ."},
      {0x10, "Print date format is MM/DD/YY ."}};
  for (const auto& [byte, line] : formats) {
    mark = bench.memo.LineCount();
    ReadPrintStatus(s);
    bench.Deliver({byte});
    EXPECT_EQ(Lines().at(3), line);
  }
  mark = bench.memo.LineCount();
  ReadPrintStatus(s);
  bench.Deliver({0x67});
  EXPECT_THAT(Lines(), ElementsAre("Print coin ticket .", "Print note ticket .",
                                   "Print payout ticket .", "Print date format is YY/MM/DD .",
                                   "Print symbol on payout-ticket .", "Print Record Search.", ""));
}

TEST_F(CommandsTest, DecodersGiveWhatTheLinesSay) {
  ReadMultipliers(s);
  bench.Deliver({0xE8, 0x03, 0x0F, 0x27, 0x01, 0x00, 0x03});
  EXPECT_EQ(DecodeMultiplierReply(s.rx), (MultiplierReply{1000, 9999, 1, 3}));

  // A request carries the same values: 1000 as E8 03, 9999 as 0F 27.
  EXPECT_EQ(MultipliersInRequest(EncodeMultiplierRequest(1000, 9999, 1, 3)),
            (MultiplierReply{1000, 9999, 1, 3}));
  // -1 goes out as FF 00, which the printer reads as 255.
  EXPECT_EQ(MultipliersInRequest(EncodeMultiplierRequest(-1, 0, 0, 7)),
            (MultiplierReply{255, 0, 0, 7}));

  const PrintStatusReply status = DecodePrintStatus(0x3D);  // 0011 1101
  EXPECT_TRUE(status.coin);
  EXPECT_FALSE(status.note);
  EXPECT_TRUE(status.payout);
  EXPECT_EQ(status.dateFormat, 3);
  EXPECT_TRUE(status.symbol);
  EXPECT_FALSE(status.recordSearch);
  EXPECT_EQ(kPrintStatusSettingBits & 0x18, 0);

  ReadPrinterClock(s);
  bench.Deliver({'1', '5', '0', '6', '3', '0', '1', '4', '0', '5', '0', '9'});
  const DateTimeReply clock = DecodeDateTimeReply(s.rx);
  EXPECT_FALSE(clock.readError);
  EXPECT_THAT(clock.fields, ElementsAre("15", "06", "30", "14", "05", "09"));
  ReadPrinterClock(s);
  bench.Deliver({0x00});
  EXPECT_TRUE(DecodeDateTimeReply(s.rx).readError);

  ReadFirmwareVersion(s);
  bench.Deliver({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', '\n', 'O', 0x12,
                 0x34, 0x0A, 0xBC});
  const FirmwareReply firmware = DecodeFirmwareReply(s.rx);
  EXPECT_EQ(firmware.version, "ABCDEFGHIJKLM\\x0AO");  // a line break shown as its code
  EXPECT_EQ(firmware.checksum1, "1234");
  EXPECT_EQ(firmware.checksum2, "0ABC");
}

TEST_F(CommandsTest, ControlBytesOfTheReplyTextsAreShownAsTheirCodes) {
  // A printer, or line noise, answering with a terminal's escape sequences
  // would retitle and clear the terminal of whoever runs orvex-provision.
  struct Case {
    const char* name;
    void (*query)(Session&);
    std::vector<std::uint8_t> reply;
    std::string line;  // the message window's line with the text
  };
  const Case cases[] = {
      {"firmware: retitle and clear",
       ReadFirmwareVersion,
       {0x1B, ']', '2', ';', 'P', 'W', 'N', 0x07, 0x1B, '[', '2', 'J', 'V', '2', 0x0D, 0x12, 0x34,
        0x0A, 0xBC},
       "     \\x1B]2;PWN\\x07\\x1B[2JV2\\x0D"},
      {"firmware: DEL, tab, an undefined byte (a C1 control) and a letter of the code page",
       ReadFirmwareVersion,
       {'A', 0x7F, 0x09, 0x9D, 0xE9, 0x00, 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 0x12, 0x34,
        0x0A, 0xBC},
       "     A\\x7F\\x09\\x9D\xC3\xA9\\x00BCDEFGHIJ"},
      {"clock",
       ReadPrinterClock,
       {'1', '5', 0x1B, 'c', '3', '0', '1', '4', '0', '5', 0x07, '9'},
       "     2015/\\x1Bc/30   14:05:\\x079"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bench.memo.lines.clear();
    c.query(s);
    bench.Deliver(c.reply);
    EXPECT_THAT(Lines(), Contains(c.line));
    for (const std::string& line : Lines()) {
      for (const char byte : line) {
        EXPECT_TRUE(static_cast<unsigned char>(byte) >= 0x20 && byte != 0x7F) << line;
      }
    }
    EXPECT_FALSE(s.state.busy);
  }
}

TEST_F(CommandsTest, SummaryReply) {
  ReadSummaryTotals(s);
  bench.Deliver({0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 1, 0, 0, 0x10, 0x27, 0, 0});
  EXPECT_THAT(Lines(), ElementsAre("Total Coin : 4294967295", "Total Note : 1",
                                   "Total Payout : 256", "Total TicketOut : 10000", ""));
}

TEST_F(CommandsTest, QueryRefusedWhileBusyAndStillSentWhileLost) {
  ReadFirmwareVersion(s);
  bench.ForgetSent();
  ReadSummaryTotals(s);
  EXPECT_THAT(Lines(), ElementsAre("Printer is busy right now .", ""));
  EXPECT_TRUE(bench.SentBytes().empty());
  bench.RunFor(90000);
  ASSERT_EQ(s.state.linkState, LinkState::Lost);
  ReadSummaryTotals(s);
  EXPECT_THAT(bench.SentBytes(), ElementsAre(0x1B, 0xF4));
}

// ---- actions that await a result byte ----

TEST_F(CommandsTest, TestPrintsAndReports) {
  struct Case {
    void (*handler)(Session&);
    std::uint8_t first, code;
    const char* done;
  };
  const Case cases[] = {
      {PrintCoinTestTicket, 0x1B, 0xFA, "Print coin ticket finished ."},
      {PrintNoteTestTicket, 0x1B, 0xFB, "Print note ticket finished ."},
      {PrintPayoutTestTicket, 0x1B, 0xFC, "Print payout ticket finished ."},
      {PrintDailyReport, 0x1D, 0xF0, "Print daily report finished ."},
      {PrintHistoryReport, 0x1D, 0xF1, "Print daily history report finished ."},
  };
  for (const Case& c : cases) {
    bench.ForgetSent();
    mark = bench.memo.LineCount();
    c.handler(s);
    EXPECT_THAT(bench.SentBytes(), ElementsAre(c.first, c.code));
    bench.Deliver({0x01});
    EXPECT_THAT(Lines(), ElementsAre(c.done, ""));
    mark = bench.memo.LineCount();
    c.handler(s);
    bench.Deliver({0x00});
    EXPECT_THAT(Lines(), ElementsAre("Printer have no paper or busy .", ""));
    mark = bench.memo.LineCount();
    c.handler(s);
    bench.Deliver({0x02});
    EXPECT_TRUE(Lines().empty());
    EXPECT_FALSE(s.state.busy);
    EXPECT_FALSE(s.pending.Any());
    EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
  }
}

TEST_F(CommandsTest, AnnouncementDuringATestPrintEndsItWithoutALine) {
  PrintCoinTestTicket(s);
  s.state.linkState = LinkState::Lost;
  bench.Deliver({0x26});
  EXPECT_THAT(Lines(), ElementsAre("Orvex is online ."));
  EXPECT_FALSE(s.pending.Has(Request::TestCoin));
  EXPECT_FALSE(s.state.busy);
}

TEST_F(CommandsTest, EraseRecord) {
  EraseRecords(s);
  EXPECT_THAT(bench.SentBytes(), ElementsAre(0x1B, 0xF3));
  bench.Deliver({0xAA});
  EXPECT_THAT(Lines(), ElementsAre("Erase record finished .", ""));
  mark = bench.memo.LineCount();
  EraseRecords(s);
  bench.Deliver({0x55});
  EXPECT_THAT(Lines(), ElementsAre("Erase record Error .", ""));
  EXPECT_FALSE(s.state.busy);
}

// ---- actions that await nothing ----

TEST_F(CommandsTest, FireAndForgetCommands) {
  struct Case {
    void (*handler)(Session&);
    std::vector<std::uint8_t> bytes;
    const char* line;
  };
  const Case cases[] = {
      {TestFullCut, {0x1B, 0xF5}, "Test full cut finished ."},
      {TestPartCut, {0x1B, 0xF6}, "Test part cut finished ."},
      {SetDateFormatYYMMDD, {0x1B, 0xF9, 0x30}, "Date format is now YY/MM/DD ."},
      {SetDateFormatDDMMYY, {0x1B, 0xF9, 0x31}, "Date format is now DD/MM/YY ."},
      {SetDateFormatMMDDYY, {0x1B, 0xF9, 0x32}, "Date format is now MM/DD/YY ."},
      {SetDateFormatYYDDMM, {0x1B, 0xF9, 0x33}, "Day format is now YY/DD/MM ."},
      {EnableSerialNumberPrinting, {0x1B, 0xE6, 0x01}, "Enable Printe Serial Number."},
      {DisableSerialNumberPrinting, {0x1B, 0xE6, 0x00}, "Disable Printe Serial Number."},
  };
  for (const Case& c : cases) {
    bench.ForgetSent();
    mark = bench.memo.LineCount();
    c.handler(s);
    EXPECT_THAT(bench.SentBytes(), ElementsAreArray(c.bytes));
    EXPECT_EQ(Gaps(), std::vector<std::int64_t>(c.bytes.size() - 1, 10));
    EXPECT_THAT(Lines(), ElementsAre(c.line, ""));
    EXPECT_FALSE(s.state.busy);
    EXPECT_FALSE(bench.TimerEnabled(TimerId::ReplyTimeout));
  }
}

TEST_F(CommandsTest, CutTestWhileBusyAndDateFormatWhileOffline) {
  ReadFirmwareVersion(s);
  mark = bench.memo.LineCount();
  TestFullCut(s);
  EnableSerialNumberPrinting(s);
  EXPECT_THAT(Lines(),
              ElementsAre("Printer is busy right now .", "", "Printer is busy right now .", ""));
  s.pending.Clear(Request::Firmware);
  s.state.busy = false;
  s.state.linkState = LinkState::Lost;
  mark = bench.memo.LineCount();
  SetDateFormatDDMMYY(s);
  TestPartCut(s);
  EXPECT_THAT(Lines(), ElementsAre("Can't detect printer, please check it .", "",
                                   "Test part cut finished .", ""));
}

// ---- record-maintenance reports ----

TEST_F(CommandsTest, RecordMaintenanceRewritesItsProgressLine) {
  bench.Deliver({0x77, 0x11, 0x05, 0x01, 0x09});
  EXPECT_THAT(Lines(), ElementsAre("Renew records now :", "Last erase date : 2005/01/09", "1"));
  EXPECT_TRUE(s.state.busy);
  ReadFirmwareVersion(s);
  EXPECT_EQ(bench.memo.lines.at(bench.memo.lines.size() - 2), "Printer is busy right now .");
  bench.Deliver({0x77, 0x22, 0x05, 0x02, 0x0A});
  bench.Deliver({0x77, 0x22, 0x03, 0x0C, 0x1F});
  EXPECT_EQ(bench.memo.lines.at(static_cast<std::size_t>(mark + 2)),
            "Now write record : 2003/12/31");
  bench.Deliver({0x77, 0x33, 0, 0, 0});
  EXPECT_EQ(bench.memo.lines.at(bench.memo.lines.size() - 2), "Renew records finished .");
  EXPECT_FALSE(s.state.busy);
}

TEST_F(CommandsTest, RecordsFullAndUnknownCodes) {
  bench.Deliver({0x77, 0x44, 0x10, 0x0B, 0x02});
  EXPECT_THAT(Lines(), ElementsAre("Records full! Last record date : 2016/11/02", ""));
  mark = bench.memo.LineCount();
  bench.Deliver({0x77, 0x55, 1, 1, 1});
  EXPECT_TRUE(Lines().empty());
}

TEST_F(CommandsTest, FinishedReportWithoutStartFreesAnOutstandingRequest) {
  ReadFirmwareVersion(s);
  // A firmware reply would also be decoded from this read; use a format
  // request, which only ends on 0xAA.
  s.pending.Clear(Request::Firmware);
  s.pending.Set(Request::CoinFormat);
  bench.Deliver({0x77, 0x33});
  EXPECT_FALSE(s.state.busy);
  EXPECT_TRUE(bench.TimerEnabled(TimerId::ReplyTimeout));  // reports never stop the timeout
}

// ---- clock setting ----

TEST_F(CommandsTest, SetDateTimeSendsTheClockWithPauses) {
  bench.clock.now = {2015, 6, 30, 14, 5, 9};
  SetPrinterClock(s);
  EXPECT_THAT(Lines(), ElementsAre("PC date & time : ", "       2015/06/30  14:05:09"));
  EXPECT_THAT(bench.SentBytes(),
              ElementsAre(0x1B, 0xF1, '1', '5', '0', '6', '3', '0', '1', '4', '0', '5'));
  EXPECT_EQ(Gaps(), std::vector<std::int64_t>(11, 10));
  // A pause follows the last digit too, before the timeout starts.
  EXPECT_EQ(bench.now() - bench.sent().back().atMs, 10);
  EXPECT_EQ(s.state.timeoutLine, mark + 2);
  bench.Deliver({0xAA});
  EXPECT_THAT(Lines(), ElementsAre("PC date & time : ", "       2015/06/30  14:05:09",
                                   "Set date & time finished .", ""));
  mark = bench.memo.LineCount();
  SetPrinterClock(s);
  bench.Deliver({0x00});
  EXPECT_EQ(Lines().at(2), "Set date & time Error .");
  EXPECT_FALSE(s.state.busy);
}

TEST_F(CommandsTest, SetDateTimeYearWindow) {
  const std::pair<int, const char*> refused[] = {{2022, "Year must be smaller than 2022."},
                                                 {2026, "Year must be smaller than 2022."},
                                                 {2001, "Year must be bigger than 2001."}};
  for (const auto& [year, line] : refused) {
    mark = bench.memo.LineCount();
    bench.clock.now = {year, 1, 1, 0, 0, 0};
    SetPrinterClock(s);
    EXPECT_THAT(Lines(), ElementsAre(line, ""));
    EXPECT_FALSE(s.state.busy);
  }
  EXPECT_TRUE(bench.SentBytes().empty());
  for (int year : {2002, 2021}) {
    bench.clock.now = {year, 12, 31, 23, 59, 59};
    SetPrinterClock(s);
    EXPECT_TRUE(s.pending.Has(Request::ClockSet));
    bench.Deliver({0xAA});
  }
}

TEST_F(CommandsTest, SetDateTimeWhileLost) {
  s.state.linkState = LinkState::Lost;
  SetPrinterClock(s);
  EXPECT_THAT(Lines(), ElementsAre("Can't detect printer, please check it .", ""));
}

}  // namespace
}  // namespace orvex::core
