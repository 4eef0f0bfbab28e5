// The traffic of a session, named where it happens: each request by the
// command that sends it, each read by the sections that take it, in line
// order and on the virtual clock; and the log line made of an entry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "bitmaps.h"
#include "core/batch/download_all.h"
#include "core/commands/actions.h"
#include "core/commands/clock_setting.h"
#include "core/commands/queries.h"
#include "core/formats/format_download.h"
#include "core/formats/settings.h"
#include "core/link/link_control.h"
#include "core/link/reply_dispatcher.h"
#include "core/logos/logo_download.h"
#include "core/records/record_search.h"
#include "core/traffic/traffic_line.h"
#include "virtual_bench.h"

namespace orvex::core {
namespace {

namespace fs = std::filesystem;
using test::VirtualBench;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Bytes = std::vector<std::uint8_t>;

std::uint8_t Plain(int row, int column) {
  return static_cast<std::uint8_t>(row * 16 + column);
}

VirtualBench::Options NoPrinter() {
  VirtualBench::Options options;
  options.withPrinter = false;
  return options;
}

// The printer is played by hand; traffic is recorded from the start.
class HandPlayedTraffic : public ::testing::Test {
 protected:
  HandPlayedTraffic() : bench(NoPrinter()) { bench.RecordTraffic(); }
  void Identify() {
    bench.Deliver({0x26});
    bench.Deliver({0x0A});
    bench.traffic.entries.clear();
  }
  const std::vector<TrafficEntry>& entries() const { return bench.traffic.entries; }

  VirtualBench bench;
  Session& s = bench.session();
};

TEST_F(HandPlayedTraffic, AnnouncementComesBeforeTheVariantQueryItSends) {
  bench.RunFor(500);
  bench.Deliver({0x26});
  ASSERT_EQ(entries().size(), 2u);
  EXPECT_EQ(entries()[0].direction, TrafficDirection::Read);
  EXPECT_EQ(entries()[0].name, "announcement");
  EXPECT_EQ(entries()[0].bytes, Bytes{0x26});
  EXPECT_EQ(entries()[0].firstUs, 500000);
  EXPECT_EQ(entries()[1].direction, TrafficDirection::Sent);
  EXPECT_EQ(entries()[1].name, "variant query");
  EXPECT_EQ(entries()[1].bytes, (Bytes{0x1B, 0xA0}));
  // First and last byte: one 10 ms pause apart.
  EXPECT_EQ(entries()[1].firstUs, 500000);
  EXPECT_EQ(entries()[1].lastUs, 510000);

  bench.Deliver({0x0A});
  EXPECT_EQ(entries().back().name, "variant reply");
  EXPECT_THAT(entries().back().sections,
              ElementsAre(::testing::Field(&TakenSection::section, ReplySection::VariantReply)));
}

// Walks every request there is: a request added with a section that does
// not end it, or with another's name, fails here.
TEST_F(HandPlayedTraffic, EveryRequestIsEndedByItsOwnSectionUnderItsOwnName) {
  Identify();
  std::set<std::string> names;
  for (std::size_t i = 0; i < kRequestCount; ++i) {
    const Request request = RequestAt(i);
    SCOPED_TRACE(ReplyName(request));
    s.state.busy = true;
    s.pending.Set(request);
    // Formats need 0xAA first, logos 0xAB; any other section takes either.
    for (const std::uint8_t first : {std::uint8_t{0xAA}, std::uint8_t{0xAB}}) {
      if (s.pending.Has(request)) bench.Deliver({first});
    }
    EXPECT_FALSE(s.pending.Any());
    EXPECT_FALSE(s.state.busy);
    ASSERT_FALSE(entries().empty());
    EXPECT_EQ(entries().back().name, ReplyName(request));
    ASSERT_EQ(entries().back().sections.size(), 1u);
    EXPECT_EQ(entries().back().sections[0].section, ReplySection::RequestReply);
    EXPECT_EQ(entries().back().sections[0].request, request);
    EXPECT_THAT(ReplyName(request), ::testing::EndsWith(" reply"));
    names.insert(ReplyName(request));
  }
  EXPECT_EQ(names.size(), kRequestCount) << "every reply has a name of its own";
}

TEST_F(HandPlayedTraffic, AnnouncementCrossingAProbeIsNoVariantReply) {
  ProbeVariant(s);
  bench.Deliver({0x26});
  bench.Deliver({0x12});
  EXPECT_THAT(bench.traffic.Names(), ElementsAre("TX variant probe", "RX announcement",
                                                 "TX variant query", "RX variant reply"));
}

TEST_F(HandPlayedTraffic, ReadsNamedBySectionsThatTookThem) {
  Identify();
  // Record-maintenance reports, whatever is outstanding.
  bench.Deliver({0x77, 0x11, 0x05, 0x01, 0x09});
  bench.Deliver({0x77, 0x22, 0x05, 0x02, 0x0A});
  bench.Deliver({0x77, 0x33, 0x05, 0x02, 0x0A});
  // A read nothing waits for; a lone acknowledgement.
  bench.Deliver({0x55, 0x66});
  bench.Deliver({0x42});
  // A firmware reply whose text holds a "B" is the firmware reply only.
  ReadFirmwareVersion(s);
  bench.Deliver({'B', 'E', 'N', 'C', 'H', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', 0x12,
                 0x34, 0x0A, 0xBC});
  // A format reply that is not 0xAA is taken by no section.
  DownloadCoinFormat(s);
  bench.Deliver({0xBB});
  bench.Deliver({0xAA});
  EXPECT_THAT(bench.traffic.Names(),
              ElementsAre("RX record-maintenance report 0x11", "RX record-maintenance report 0x22",
                          "RX record-maintenance report 0x33", "RX not taken", "RX acknowledgement",
                          "TX firmware query", "RX firmware reply", "TX coin format download",
                          "RX not taken", "RX coin format reply"));
}

TEST_F(HandPlayedTraffic, OneReadTakenBySeveralSections) {
  Identify();
  // The link was lost; a test print is outstanding when the printer
  // announces itself: the one read is both.
  CommunicationReset(s);
  PrintCoinTestTicket(s);
  bench.traffic.entries.clear();
  bench.Deliver({0x26});
  ASSERT_GE(entries().size(), 2u);
  EXPECT_EQ(entries()[0].name, "announcement + coin test ticket reply");
  EXPECT_EQ(entries()[1].name, "variant query");
}

TEST_F(HandPlayedTraffic, RequestsNamedByWhatSendsThem) {
  Identify();
  bench.clock.now = {2015, 6, 30, 14, 5, 9};
  const std::int64_t start = bench.now();
  SetPrinterClock(s);
  ASSERT_EQ(entries().size(), 1u);
  EXPECT_EQ(entries()[0].name, "clock setting");
  EXPECT_EQ(entries()[0].bytes,
            (Bytes{0x1B, 0xF1, '1', '5', '0', '6', '3', '0', '1', '4', '0', '5'}));
  // Twelve bytes, eleven pauses between them; the pause after the last
  // byte is not part of the request's time.
  EXPECT_EQ(entries()[0].firstUs, start * 1000);
  EXPECT_EQ(entries()[0].lastUs, (start + 110) * 1000);
  bench.Deliver({0xAA});

  // A format download is one request of 268 bytes, not one per line.
  bench.traffic.entries.clear();
  DownloadNoteFormat(s);
  ASSERT_EQ(entries().size(), 1u);
  EXPECT_EQ(entries()[0].name, "note format download");
  EXPECT_EQ(entries()[0].bytes.size(), 268u);
  EXPECT_EQ(entries()[0].lastUs - entries()[0].firstUs, 267 * 10000);
  bench.Deliver({0xAA});

  bench.traffic.entries.clear();
  const std::size_t mark = bench.sent().size();
  TestFullCut(s);
  TestPartCut(s);
  SetDateFormatYYMMDD(s);
  SetDateFormatDDMMYY(s);
  SetDateFormatMMDDYY(s);
  SetDateFormatYYDDMM(s);
  EnableSerialNumberPrinting(s);
  DisableSerialNumberPrinting(s);
  SendMultiplierSettings(s);
  SendPrintStatus(s);
  EXPECT_THAT(
      bench.traffic.Names(),
      ElementsAre("TX full cut test", "TX part cut test", "TX date format YY/MM/DD",
                  "TX date format DD/MM/YY", "TX date format MM/DD/YY", "TX date format YY/DD/MM",
                  "TX serial number printing on", "TX serial number printing off",
                  "TX multiplier setting", "TX print status setting"));
  EXPECT_EQ(entries()[2].bytes, (Bytes{0x1B, 0xF9, '0'}));
  EXPECT_EQ(entries()[8].bytes, (Bytes{0x1D, 0xF6, 1, 0, 1, 0, 1, 0, 0}));
  // Every byte sent is in exactly one entry, in order.
  Bytes recorded;
  for (const TrafficEntry& entry : entries()) {
    recorded.insert(recorded.end(), entry.bytes.begin(), entry.bytes.end());
  }
  EXPECT_EQ(recorded, bench.SentSince(mark));
  EXPECT_EQ(recorded.size(), 34u);
}

TEST_F(HandPlayedTraffic, ReadLongerThanTheBufferIsTwoReads) {
  Identify();
  bench.Deliver(Bytes(ReceiveBuffer::kSize + 5, 0x11));
  ASSERT_EQ(entries().size(), 2u);
  EXPECT_EQ(entries()[0].bytes.size(), ReceiveBuffer::kSize);
  EXPECT_EQ(entries()[1].bytes.size(), 5u);
  EXPECT_EQ(entries()[1].name, "not taken");
}

TEST_F(HandPlayedTraffic, NothingRecordedWithoutObserverAndBytesStillGo) {
  s.traffic.SetObserver(nullptr);
  bench.Deliver({0x26});
  EXPECT_TRUE(entries().empty());
  EXPECT_EQ(bench.SentBytes(), (Bytes{0x1B, 0xA0}));
}

// The whole tool against the simulated printer: one of each kind.
class SimulatedPrinterTraffic : public ::testing::Test {
 protected:
  SimulatedPrinterTraffic() {
    bench.clock.now = {2015, 6, 30, 14, 5, 9};
    bench.RecordTraffic();
    bench.Connect();
  }
  // Runs the command, waits until nothing is outstanding and the printer
  // has had its say, and returns the names of what went over the line.
  std::vector<std::string> Run(void (*command)(Session&)) {
    bench.traffic.entries.clear();
    command(s);
    bench.RunUntil([this] { return !s.state.busy; }, 200000);
    bench.RunFor(3000);
    return bench.traffic.Names();
  }

  VirtualBench bench;
  Session& s = bench.session();
};

TEST_F(SimulatedPrinterTraffic, StartNamesAnnouncementAndVariant) {
  EXPECT_THAT(bench.traffic.Names(),
              ElementsAre("RX announcement", "TX variant query", "RX variant reply"));
}

TEST_F(SimulatedPrinterTraffic, EveryCommandOfTheMenus) {
  struct Case {
    void (*command)(Session&);
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {PrintCoinTestTicket, {"TX coin test ticket", "RX coin test ticket reply"}},
      {PrintNoteTestTicket, {"TX note test ticket", "RX note test ticket reply"}},
      {PrintPayoutTestTicket, {"TX payout test ticket", "RX payout test ticket reply"}},
      {PrintDailyReport, {"TX daily report", "RX daily report reply"}},
      {PrintHistoryReport, {"TX history report", "RX history report reply"}},
      {ReadFirmwareVersion, {"TX firmware query", "RX firmware reply"}},
      {ReadPrinterClock, {"TX date and time query", "RX date and time reply"}},
      {ReadMultipliers, {"TX multiplier query", "RX multiplier reply"}},
      {ReadPrintStatus, {"TX print status query", "RX print status reply"}},
      {ReadSummaryTotals, {"TX summary query", "RX summary reply"}},
      {SetPrinterClock, {"TX clock setting", "RX clock setting reply"}},
      {DownloadCoinFormat, {"TX coin format download", "RX coin format reply"}},
      {DownloadNoteFormat, {"TX note format download", "RX note format reply"}},
      {DownloadPayoutFormat, {"TX payout format download", "RX payout format reply"}},
      {TestFullCut, {"TX full cut test"}},
      {TestPartCut, {"TX part cut test"}},
      {SetDateFormatYYMMDD, {"TX date format YY/MM/DD"}},
      {SetDateFormatDDMMYY, {"TX date format DD/MM/YY"}},
      {SetDateFormatMMDDYY, {"TX date format MM/DD/YY"}},
      {SetDateFormatYYDDMM, {"TX date format YY/DD/MM"}},
      {EnableSerialNumberPrinting, {"TX serial number printing on"}},
      {DisableSerialNumberPrinting, {"TX serial number printing off"}},
      {SendMultiplierSettings, {"TX multiplier setting"}},
      {SendPrintStatus, {"TX print status setting"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.command), c.names) << c.names.front();
  }

  // The erase result, then the printer's record renewal.
  const auto erase = Run(EraseRecords);
  ASSERT_GE(erase.size(), 4u);
  EXPECT_EQ(erase[0], "TX erase records");
  EXPECT_EQ(erase[1], "RX erase reply");
  EXPECT_EQ(erase[2], "RX record-maintenance report 0x11");
  EXPECT_EQ(erase.back(), "RX record-maintenance report 0x33");

  bench.traffic.entries.clear();
  SearchAndPrint(s, {{2015, 6, 1}, {2015, 6, 3}});
  bench.RunUntil([this] { return !s.state.busy; }, 10000);
  EXPECT_THAT(bench.traffic.Names(), ElementsAre("TX record search", "RX record search reply"));
}

TEST_F(SimulatedPrinterTraffic, LogoDownloadIsHeaderAndOneEntryPerRow) {
  const fs::path path = test::TempFolder("traffic-logo") / "logo.bmp";
  test::WriteFile(path, test::MonoBmpBytes(384, 3, Plain));
  s.setup.logos[1] = {path.string(), 3};
  const auto names = Run(DownloadLogo2);
  EXPECT_THAT(names,
              ElementsAre("TX logo 2 header, 3 rows", "RX acknowledgement", "TX logo 2 row 1/3",
                          "RX acknowledgement", "TX logo 2 row 2/3", "RX acknowledgement",
                          "TX logo 2 row 3/3", "RX acknowledgement", "RX logo 2 reply"));
  const auto& entries = bench.traffic.entries;
  EXPECT_EQ(entries[0].bytes, (Bytes{0x1D, 0xF8, 0x90, 0x00}));
  ASSERT_EQ(entries[2].bytes.size(), 48u);
  // The first row sent is the file's last row, inverted.
  EXPECT_EQ(entries[2].bytes[0], static_cast<std::uint8_t>(~Plain(2, 0)));
  // 48 bytes, 47 pauses between the first and the last.
  EXPECT_EQ(entries[2].lastUs - entries[2].firstUs, 470000);
  // Acknowledgements come after their row.
  EXPECT_GT(entries[3].firstUs, entries[2].lastUs);
}

TEST_F(SimulatedPrinterTraffic, DownloadAllNamesEachStepsTraffic) {
  const fs::path folder = test::TempFolder("traffic-batch");
  for (int slot = 1; slot <= 3; ++slot) {
    const fs::path path = folder / ("logo" + std::to_string(slot) + ".bmp");
    test::WriteFile(path, test::MonoBmpBytes(384, 1, Plain));
    s.setup.logos[static_cast<std::size_t>(slot - 1)] = {path.string(), 1};
  }
  const auto names = Run(DownloadAll);
  std::vector<std::string> sent;
  for (const auto& name : names) {
    if (name.rfind("TX ", 0) == 0) sent.push_back(name);
  }
  EXPECT_THAT(sent, ElementsAreArray(std::vector<std::string>{
                        "TX clock setting", "TX erase records", "TX multiplier setting",
                        "TX print status setting", "TX coin format download",
                        "TX note format download", "TX payout format download",
                        "TX logo 1 header, 1 rows", "TX logo 1 row 1/1", "TX logo 2 header, 1 rows",
                        "TX logo 2 row 1/1", "TX logo 3 header, 1 rows", "TX logo 3 row 1/1"}));
  EXPECT_THAT(names, Contains("RX logo 3 reply"));
  for (const auto& name : names) EXPECT_NE(name, "TX unnamed byte");
}

TEST_F(SimulatedPrinterTraffic, RequestCutShortByAStalledLine) {
  bench.traffic.entries.clear();
  const std::size_t mark = bench.sent().size();
  bench.StallLine(100);
  DownloadCoinFormat(s);
  // What went out is recorded before the stall is reported; no byte after.
  ASSERT_EQ(bench.traffic.entries.size(), 1u);
  const TrafficEntry& cut = bench.traffic.entries[0];
  EXPECT_EQ(cut.name, "coin format download (cut short: the line took no more bytes)");
  EXPECT_EQ(cut.bytes, bench.SentSince(mark));
  EXPECT_EQ(cut.bytes.size(), 100u);
  EXPECT_EQ(bench.memo.lines.back(), "");
  EXPECT_THAT(bench.memo.lines, Contains("Serial line does not take data ."));

  // A request that gets no byte out at all still says what it was.
  bench.traffic.entries.clear();
  ReadFirmwareVersion(s);
  ASSERT_EQ(bench.traffic.entries.size(), 1u);
  EXPECT_EQ(bench.traffic.entries[0].name,
            "firmware query (cut short: the line took no more bytes)");
  EXPECT_TRUE(bench.traffic.entries[0].bytes.empty());
  EXPECT_EQ(bench.traffic.entries[0].firstUs, bench.now() * 1000);
}

TEST(TrafficLine, WorkedExamples) {
  TrafficEntry query{TrafficDirection::Sent, "firmware query", {0x1D, 0xF9}, 0, 0, {}};
  EXPECT_EQ(FormatTrafficLine(query, {14, 5, 9, 120}, {14, 5, 9, 130}),
            "14:05:09.120-14:05:09.130 TX 1D F9 | firmware query");
  // One byte, or a read: one time, padded so that the columns stay.
  TrafficEntry read{TrafficDirection::Read, "announcement", {0x26}, 0, 0, {}};
  EXPECT_EQ(FormatTrafficLine(read, {9, 0, 0, 5}, {9, 0, 0, 5}),
            "09:00:00.005              RX 26 | announcement");

  // From 17 bytes on, the count follows the bytes.
  TrafficEntry firmware{TrafficDirection::Read, "firmware reply", {}, 0, 0, {}};
  for (int i = 0; i < 19; ++i) firmware.bytes.push_back(static_cast<std::uint8_t>(0x41 + i));
  EXPECT_EQ(FormatTrafficLine(firmware, {23, 59, 59, 999}, {23, 59, 59, 999}),
            "23:59:59.999              RX 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 "
            "53 (19 bytes) | firmware reply");

  // The port, when named, stands between the times and the direction.
  EXPECT_EQ(FormatTrafficLine(query, {14, 5, 9, 120}, {14, 5, 9, 130}, "COM3"),
            "14:05:09.120-14:05:09.130 COM3 TX 1D F9 | firmware query");
  EXPECT_EQ(FormatTrafficLine(read, {9, 0, 0, 5}, {9, 0, 0, 5}, "COM12"),
            "09:00:00.005              COM12 RX 26 | announcement");
}

TEST(TrafficLine, LongReadsShowTheirEdgesLongRequestsAllBytes) {
  TrafficEntry read{TrafficDirection::Read, "record search reply", {}, 0, 0, {}};
  for (int i = 0; i < 200; ++i) read.bytes.push_back(static_cast<std::uint8_t>(i));
  const std::string line = FormatTrafficLine(read, {1, 2, 3, 4}, {1, 2, 3, 4});
  const std::string first = HexBytes(std::span<const std::uint8_t>(read.bytes).first(64));
  const std::string last = HexBytes(std::span<const std::uint8_t>(read.bytes).last(64));
  EXPECT_EQ(line, "01:02:03.004              RX " + first + " ... " + last +
                      " (200 bytes) | record search reply");
  EXPECT_EQ(first.substr(0, 11), "00 01 02 03");
  EXPECT_EQ(last.substr(last.size() - 5), "C6 C7");

  // 128 bytes are shown whole.
  read.bytes.resize(128);
  EXPECT_EQ(FormatTrafficLine(read, {}, {}).find("..."), std::string::npos);

  TrafficEntry format{TrafficDirection::Sent, "coin format download", Bytes(268, 0x00), 0, 0, {}};
  const std::string sent = FormatTrafficLine(format, {}, {0, 0, 2, 670});
  EXPECT_EQ(sent.find("..."), std::string::npos);
  EXPECT_NE(sent.find("(268 bytes) | coin format download"), std::string::npos);
}

TEST(TrafficNames, SectionsAndMeanings) {
  EXPECT_EQ(SectionName({ReplySection::RecordReport, 0x22}), "record-maintenance report 0x22");
  EXPECT_EQ(SectionName({ReplySection::RecordReport, 0x44}), "record-maintenance report 0x44");
  EXPECT_EQ(ReadMeaning({}), "not taken");
  EXPECT_EQ(ReadMeaning({{ReplySection::Acknowledgement}}), "acknowledgement");
  EXPECT_EQ(ReadMeaning({{ReplySection::Acknowledgement}, ReplyTo(Request::Firmware)}),
            "firmware reply");
  EXPECT_EQ(ReadMeaning({{ReplySection::RecordReport, 0x33}, ReplyTo(Request::Erase)}),
            "record-maintenance report 0x33 + erase reply");
}

}  // namespace
}  // namespace orvex::core
