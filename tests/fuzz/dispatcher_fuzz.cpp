// The reply dispatcher, the three timers and the commands, on a session
// whose connection state the input chooses, fed with reads and ticks.
//
// Input, read front to back (past its end every byte reads 0):
//   header, 17 bytes
//     0      linkState = b % 3 (0 Online, 1 NotSeen, 2 Lost)
//     1      bits: 0 identified, 1 busy, 2 wideSymbols, 3 blockAck, 4 cancelLogo,
//            5 cancelBatch, 6 the spreadsheet accepts every call (else there is none)
//     2      identifyStep = b % 3, identifyTicks = (b >> 2) % 4
//     3..5   PendingRequest flags, bit i = the i-th reply section of kSections
//     6      bits 0..2: Timer1, Timer2, Timer3 enabled
//     7      timeoutSeconds = b % 96
//     8      lines already in the message window = b % 8; timeoutLine = b >> 3
//     9      progressLine = b % 12
//     10     a command run first: b % (commands + 1), 0 for none
//     11..16 the period of "Search && Print": year 2000 + b % 24, month 1 + b % 12,
//            day 1 + b % 31, beginning then ending date
//   then steps until the input ends, each chosen by b % 8:
//     0      a read of up to 255 bytes: length byte, then the bytes
//     1      a read of up to 65535 bytes: length (2 bytes, little-endian), then the bytes
//     2 3 4  a tick of Timer1, Timer2, Timer3 (a disabled timer does not tick)
//     5      a command: b % commands
//     6      Cancel (CancelDownload)
//     7      a run of ticks: b % 4 picks the timer (3: every enabled one, the stuck-state
//            watch included), (b >> 2) + 1 rounds
//
// The logo downloads and Download All wait for replies; their waits take
// the next steps from the input, as the window handles events while it
// waits. Reads cannot arrive while the dispatcher itself runs (the receive
// thread waits for it), so the period export's event handling takes only
// ticks, Cancel and commands. When the input ends inside a wait, the enabled
// timers tick until the wait ends; a wait that still holds after 200 rounds
// with the reply timeout or the stuck-state watch running is a fault (each
// ends what it watches within 90), without them the run just stops.
//
// Invariants, checked after every step, nested ones included:
//   - a message line never holds a line break, and no line index is negative;
//   - the receive buffer holds the last read at its front and the bytes of
//     older reads behind it (all of the first, a sample of the others); its
//     read length is the last read's (at most 30000);
//   - a read changes the connection state, the pending flags and the timers
//     exactly as the link's rules say (model below): 0x42 anywhere restarts
//     the timeout count and raises blockAck; a record-maintenance report sets
//     or clears busy; the read after the variant query settles the variant
//     (after a probe of a printer not yet seen it brings the link online,
//     unless it is an announcement crossing the probe);
//     0x26 in byte 0 or 1 announces the printer while it is not online and
//     sends ESC 0xA0, and (online or not) ends a busy that no request holds; each reply section
//     whose flag is set (and, for formats and logos, whose first byte matches) stops Timer2 and
//     clears its flag and busy. Nothing else is sent. (Not checked when events ran inside it.)
//   - a tick changes the state as the timer's rules say; a Timer2 tick shows
//     "Timeout Detect : n sec" on timeoutLine, and at 90 the communication
//     reset leaves no flag pending, busy clear, the link Lost, Timer1 on and
//     Timer2 off; a tick of the stuck-state watch that counts 90 for a request
//     pending with Timer2 off runs the same reset, one that counts 90 seconds
//     of silence for a busy no request holds ends that busy with its line;
//   - before the printer is identified, a command writes no line, sends no
//     byte and changes no state (the decimal box's range check has no gate);
//   - identified, once true, stays true;
//   - busy is set only while a request is pending, or while busy that came
//     with the input, or set by a record-maintenance run (0x11), has not
//     yet been cleared;
//   - when the input ends (outside a wait), 200 seconds of silence with every
//     timer ticking leave neither busy nor a pending request. The stuck-state
//     watch is started on the input's state, as the tool would have it running.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/batch/download_all.h"
#include "core/commands/actions.h"
#include "core/commands/clock_setting.h"
#include "core/commands/queries.h"
#include "core/formats/clear_formats.h"
#include "core/formats/format_download.h"
#include "core/formats/settings.h"
#include "core/link/link_control.h"
#include "core/link/reply_dispatcher.h"
#include "core/link/stuck_watch.h"
#include "core/logos/logo_download.h"
#include "core/records/record_search.h"
#include "fuzz_support.h"

namespace {

using namespace orvex::core;
using orvex::fuzz::FuzzInput;

// The reply sections for requests, in the dispatcher's order (6 to 24).
struct Section {
  Request request;
  int firstByte;  // the byte 0 it needs, or -1
  bool logo;
};
constexpr Section kSections[] = {
    {Request::Erase, -1, false},         {Request::ClockSet, -1, false},
    {Request::Firmware, -1, false},      {Request::DateTime, -1, false},
    {Request::Multiplier, -1, false},    {Request::CoinFormat, 0xAA, false},
    {Request::NoteFormat, 0xAA, false},  {Request::PayoutFormat, 0xAA, false},
    {Request::Logo1, 0xAB, true},        {Request::Logo2, 0xAB, true},
    {Request::Logo3, 0xAB, true},        {Request::PrintStatus, -1, false},
    {Request::Summary, -1, false},       {Request::RecordSearch, -1, false},
    {Request::TestCoin, -1, false},      {Request::TestNote, -1, false},
    {Request::TestPayout, -1, false},    {Request::DailyReport, -1, false},
    {Request::HistoryReport, -1, false},
};
// A request the model does not know, or one out of the dispatcher's order,
// does not compile.
constexpr bool ModelKnowsEveryRequest() {
  if (std::size(kSections) != kRequestCount) return false;
  for (std::size_t i = 0; i < kRequestCount; ++i) {
    if (kSections[i].request != RequestAt(i)) return false;
  }
  return true;
}
static_assert(ModelKnowsEveryRequest(), "one section per request, in the order of Request");
static_assert(kRequestCount <= 24, "the header holds 24 pending bits");

struct Command {
  const char* name;
  void (*run)(Session&);
  bool gated;  // does nothing before the printer is identified
};

SearchPeriod gPeriod;
void SearchClick(Session& s) {
  SearchAndPrint(s, gPeriod);
}

constexpr Command kCommands[] = {
    {"ReadFirmwareVersion", ReadFirmwareVersion, true},
    {"ReadPrinterClock", ReadPrinterClock, true},
    {"ReadMultipliers", ReadMultipliers, true},
    {"ReadPrintStatus", ReadPrintStatus, true},
    {"ReadSummaryTotals", ReadSummaryTotals, true},
    {"PrintCoinTestTicket", PrintCoinTestTicket, true},
    {"PrintNoteTestTicket", PrintNoteTestTicket, true},
    {"PrintPayoutTestTicket", PrintPayoutTestTicket, true},
    {"PrintDailyReport", PrintDailyReport, true},
    {"PrintHistoryReport", PrintHistoryReport, true},
    {"EraseRecords", EraseRecords, true},
    {"TestFullCut", TestFullCut, true},
    {"TestPartCut", TestPartCut, true},
    {"SetDateFormatYYMMDD", SetDateFormatYYMMDD, true},
    {"SetDateFormatDDMMYY", SetDateFormatDDMMYY, true},
    {"SetDateFormatMMDDYY", SetDateFormatMMDDYY, true},
    {"SetDateFormatYYDDMM", SetDateFormatYYDDMM, true},
    {"EnableSerialNumberPrinting", EnableSerialNumberPrinting, true},
    {"DisableSerialNumberPrinting", DisableSerialNumberPrinting, true},
    {"SetPrinterClock", SetPrinterClock, true},
    {"DownloadCoinFormat", DownloadCoinFormat, true},
    {"DownloadNoteFormat", DownloadNoteFormat, true},
    {"DownloadPayoutFormat", DownloadPayoutFormat, true},
    {"SendMultiplierSettings", SendMultiplierSettings, true},
    {"SendPrintStatus", SendPrintStatus, true},
    {"CheckDecimalPlaces", CheckDecimalPlaces, false},
    {"ClearCoinFormat", ClearCoinFormat, true},
    {"ClearNoteFormat", ClearNoteFormat, true},
    {"ClearPayoutFormat", ClearPayoutFormat, true},
    {"SearchAndPrint", SearchClick, true},
    {"DownloadLogo1", DownloadLogo1, true},
    {"DownloadLogo2", DownloadLogo2, true},
    {"DownloadLogo3", DownloadLogo3, true},
    {"DownloadAll", DownloadAll, true},
    {"ClearMessageWindow", ClearMessageWindow, true},
    {"ClearAll", ClearAll, true},
};
constexpr int kCommandCount = static_cast<int>(sizeof kCommands / sizeof kCommands[0]);

// Logo files for the three slots: a 384 x 2 logo, a logo of height 0, and
// a file that is no bitmap.
struct LogoFiles {
  std::string paths[3];
  LogoFiles() {
    const std::string& folder = orvex::fuzz::ScratchFolder("dispatcher");
    auto bmp = [](int height) {
      std::string bytes(62 + 48 * static_cast<std::size_t>(height), '\x5A');
      std::memset(bytes.data(), 0, 62);
      bytes[0] = 'B';
      bytes[1] = 'M';
      bytes[18] = '\x80';
      bytes[19] = '\x01';
      bytes[22] = static_cast<char>(height);
      bytes[28] = 1;
      return bytes;
    };
    const std::string contents[3] = {bmp(2), bmp(0), "not a bitmap"};
    for (int i = 0; i < 3; ++i) {
      paths[i] = folder + "logo" + std::to_string(i + 1) + ".bmp";
      std::ofstream(paths[i], std::ios::binary) << contents[i];
    }
  }
};

// What the link's rules let one step change.
struct Model {
  ConnectionState st;
  PendingRequest p;
  bool timers[3] = {false, false, false};
};

// The checks below run on every step; keeping them out of the coverage
// count keeps the fuzzer fast and its features about the code under test.
#define ORVEX_UNCOUNTED __attribute__((noinline, no_sanitize("coverage")))

ORVEX_UNCOUNTED bool HasAck(std::span<const std::uint8_t> chunk) {
  return std::find(chunk.begin(), chunk.end(), std::uint8_t{0x42}) != chunk.end();
}

ORVEX_UNCOUNTED bool SameModel(const Model& a, const Model& b) {
  const ConnectionState& x = a.st;
  const ConnectionState& y = b.st;
  if (x.linkState != y.linkState || x.busy != y.busy || x.identified != y.identified ||
      x.timeoutSeconds != y.timeoutSeconds || x.timeoutLine != y.timeoutLine ||
      x.identifyStep != y.identifyStep || x.identifyTicks != y.identifyTicks ||
      x.wideSymbols != y.wideSymbols || x.blockAck != y.blockAck || x.cancelLogo != y.cancelLogo ||
      x.cancelBatch != y.cancelBatch) {
    return false;
  }
  return a.p == b.p && std::equal(a.timers, a.timers + 3, b.timers);
}

// Empty when the two agree, else what differs.
ORVEX_UNCOUNTED std::string Differences(const Model& want, const Model& got) {
  if (SameModel(want, got)) return {};
  std::string out;
  auto field = [&out](const char* name, long long w, long long g) {
    if (w != g) {
      out += std::string(name) + " want " + std::to_string(w) + " got " + std::to_string(g) + "; ";
    }
  };
  field("linkState", static_cast<int>(want.st.linkState), static_cast<int>(got.st.linkState));
  field("busy", want.st.busy, got.st.busy);
  field("identified", want.st.identified, got.st.identified);
  field("timeoutSeconds", want.st.timeoutSeconds, got.st.timeoutSeconds);
  field("timeoutLine", want.st.timeoutLine, got.st.timeoutLine);
  field("identifyStep", want.st.identifyStep, got.st.identifyStep);
  field("identifyTicks", want.st.identifyTicks, got.st.identifyTicks);
  field("wideSymbols", want.st.wideSymbols, got.st.wideSymbols);
  field("blockAck", want.st.blockAck, got.st.blockAck);
  field("cancelLogo", want.st.cancelLogo, got.st.cancelLogo);
  field("cancelBatch", want.st.cancelBatch, got.st.cancelBatch);
  for (std::size_t i = 0; i < kRequestCount; ++i) {
    const std::string name = "section " + std::to_string(i + 6) + " flag";
    const Request request = kSections[i].request;
    field(name.c_str(), want.p.Has(request), got.p.Has(request));
  }
  field("Timer1", want.timers[0], got.timers[0]);
  field("Timer2", want.timers[1], got.timers[1]);
  field("Timer3", want.timers[2], got.timers[2]);
  return out;
}

// Thrown out of a wait that the rest of the input cannot end.
struct Abandon {};

class Scenario {
 public:
  Scenario(const std::uint8_t* data, std::size_t size, const LogoFiles& logos) : in_(data, size) {
    ReadHeader(logos);
  }

  void Play() {
    try {
      if (firstCommand_ > 0) RunCommand(firstCommand_ - 1);
      while (!in_.empty()) Step(false);
      Silence();
    } catch (const Abandon&) {
      // The rest of the input could not end a wait; nothing more to check.
      if (trace_) std::fprintf(stderr, "(stopped inside a wait)\n");
    }
    if (trace_) Trace();
  }

 private:
  Session& s() { return ports_->session(); }

  // ORVEX_FUZZ_TRACE=1 shows what a run did, for reading a seed or a crash.
  void Trace() {
    for (const std::string& line : ports_->memo.lines) std::fprintf(stderr, "| %s\n", line.c_str());
    for (const std::string& message : ports_->panel.messages) {
      std::fprintf(stderr, "[box] %s\n", message.c_str());
    }
    std::fprintf(stderr, "sent %zu bytes; busy %d; pending %d; link %d; identified %d\n",
                 ports_->sent.size(), s().state.busy, s().pending.Any(),
                 static_cast<int>(s().state.linkState), s().state.identified);
  }

  Model Observe() {
    Model m;
    m.st = s().state;
    m.p = s().pending;
    for (int t = 0; t < 3; ++t) m.timers[t] = ports_->TimerEnabled(static_cast<TimerId>(t));
    return m;
  }

  void ReadHeader(const LogoFiles& logos) {
    const std::uint8_t link = in_.Byte();
    const std::uint8_t bits = in_.Byte();
    const std::uint8_t identify = in_.Byte();
    const std::uint32_t flags = in_.U24();
    const std::uint8_t timers = in_.Byte();
    const std::uint8_t seconds = in_.Byte();
    const std::uint8_t lines = in_.Byte();
    const std::uint8_t progress = in_.Byte();
    firstCommand_ = in_.Byte() % (kCommandCount + 1);
    CalendarDate* dates[2] = {&gPeriod.begin, &gPeriod.end};
    for (CalendarDate* date : dates) {
      date->year = 2000 + in_.Byte() % 24;
      date->month = 1 + in_.Byte() % 12;
      date->day = 1 + in_.Byte() % 31;
    }

    ports_ = std::make_unique<orvex::fuzz::FuzzPorts>((bits & 0x40) != 0 ? &accepting_ : nullptr);
    ports_->onWait = [this](const std::function<bool()>& condition) { Wait(condition); };
    ports_->onPendingEvents = [this] { PendingEvents(); };
    for (int i = 0; i < lines % 8; ++i) ports_->memo.lines.push_back("line " + std::to_string(i));

    ConnectionState& st = s().state;
    st.linkState = static_cast<LinkState>(link % 3);
    st.identified = (bits & 0x01) != 0;
    st.busy = (bits & 0x02) != 0;
    st.wideSymbols = (bits & 0x04) != 0;
    st.blockAck = (bits & 0x08) != 0;
    st.cancelLogo = (bits & 0x10) != 0;
    st.cancelBatch = (bits & 0x20) != 0;
    st.identifyStep = identify % 3;
    st.identifyTicks = (identify >> 2) % 4;
    st.timeoutSeconds = seconds % 96;
    st.timeoutLine = lines >> 3;
    for (std::size_t i = 0; i < kRequestCount; ++i) {
      if (((flags >> i) & 1) != 0) s().pending.Set(kSections[i].request);
    }
    for (int t = 0; t < 3; ++t) ports_->SetTimerEnabled(static_cast<TimerId>(t), (timers >> t) & 1);
    s().progressLine = progress % 12;
    for (int i = 0; i < 3; ++i) s().setup.logos[static_cast<std::size_t>(i)].path = logos.paths[i];

    busyExplained_ = st.busy;
    wasIdentified_ = st.identified;
    // The tool's watch runs in whatever state the input starts from.
    LookForStuckStates(s());
  }

  // The input has ended: 200 seconds pass with nothing from the printer and
  // nobody at the window. Nothing may be left that only a restart would
  // clear: no busy, no pending request.
  void Silence() {
    for (int round = 0; round < 200; ++round) {
      for (int t = 0; t < 4; ++t) Tick(static_cast<TimerId>(t));
    }
    FUZZ_CHECK(!s().state.busy, "busy outlived 200 s of silence");
    FUZZ_CHECK(!s().pending.Any(), "a request outlived 200 s of silence");
  }

  // One step of the input. Inside the period export only steps that are no
  // read are taken; a read waits until the dispatcher has returned.
  void Step(bool insideDispatch) {
    const int kind = in_.PeekByte() % 8;
    if (insideDispatch && kind <= 1) return;
    in_.Byte();
    switch (kind) {
      case 0:
      case 1: {
        const std::size_t length = kind == 0 ? in_.Byte() : in_.U16();
        const auto bytes = in_.Bytes(length);
        if (dispatchDepth_ > 0) break;  // the receive thread is held by the running dispatch
        Read(bytes);
        break;
      }
      case 2:
      case 3:
      case 4:
        Tick(static_cast<TimerId>(kind - 2));
        break;
      case 5: {
        const int index = in_.Byte() % kCommandCount;
        // Commands that wait inside waits nest; a few levels are enough.
        if (waitDepth_ < 3) RunCommand(index);
        break;
      }
      case 6:
        CancelDownload(s());
        CheckAlways();
        break;
      default: {
        const std::uint8_t b = in_.Byte();
        const int rounds = (b >> 2) + 1;
        for (int r = 0; r < rounds; ++r) {
          if (b % 4 == 3) {
            for (int t = 0; t < 4; ++t) Tick(static_cast<TimerId>(t));
          } else {
            Tick(static_cast<TimerId>(b % 4));
          }
        }
        break;
      }
    }
    ++stepsRun_;
  }

  void PendingEvents() {
    // The export handles the events that are pending: at most one step here.
    if (!in_.empty()) Step(true);
  }

  void Wait(const std::function<bool()>& condition) {
    ++waitDepth_;
    // Reads that come while a dispatch runs are dropped by Step.
    while (condition() && !in_.empty()) Step(false);
    // Input ended: only the clock goes on.
    for (int round = 0; round < 200 && condition(); ++round) {
      for (int t = 0; t < 4; ++t) Tick(static_cast<TimerId>(t));
    }
    if (condition()) {
      FUZZ_CHECK(!ports_->TimerEnabled(TimerId::ReplyTimeout), "a wait outlived the reply timeout");
      // The watch does not count while a reply is being handled.
      FUZZ_CHECK(!ports_->TimerEnabled(TimerId::StuckWatch) || s().exporting,
                 "a wait outlived the stuck-state watch");
      throw Abandon{};
    }
    --waitDepth_;
  }

  // --- reads ---------------------------------------------------------------

  void Read(std::span<const std::uint8_t> bytes) {
    const Model before = Observe();
    const std::size_t sentBefore = ports_->sent.size();
    const int stepsBefore = stepsRun_;

    // What the rules say, chunk by chunk as the dispatcher takes a long read.
    Model want = before;
    std::vector<std::uint8_t> wantSent;
    runStarted_ = false;
    std::span<const std::uint8_t> rest = bytes;
    while (!rest.empty()) {
      const std::size_t taken = std::min(rest.size(), ReceiveBuffer::kSize);
      std::memcpy(shadow_.data(), rest.data(), taken);
      shadowLength_ = taken;
      ApplyReadRules(want, rest.first(taken), wantSent);
      rest = rest.subspan(taken);
    }

    ++dispatchDepth_;
    ReplyDispatcher(s(), bytes);
    --dispatchDepth_;

    CheckBuffer();
    if (stepsRun_ == stepsBefore) {
      const Model got = Observe();
      const std::string diff = Differences(want, got);
      FUZZ_CHECK(diff.empty(), diff);
      const std::vector<std::uint8_t> sent(ports_->sent.begin() + static_cast<long>(sentBefore),
                                           ports_->sent.end());
      FUZZ_CHECK(sent == wantSent, "a read sent other bytes than the variant query");
    }
    // A record-maintenance run keeps busy set without a request.
    if (runStarted_ && s().state.busy) busyExplained_ = true;
    CheckAlways();
  }

  void ApplyReadRules(Model& m, std::span<const std::uint8_t> chunk,
                      std::vector<std::uint8_t>& sent) {
    const auto& rx = shadow_;
    if (HasAck(chunk)) {
      m.st.timeoutSeconds = 0;
      m.st.blockAck = true;
    }
    if (rx[0] == 0x77 && rx[1] == 0x11) m.st.busy = runStarted_ = true;
    if (rx[0] == 0x77 && (rx[1] == 0x33 || rx[1] == 0x44)) m.st.busy = runStarted_ = false;
    const bool announces = rx[0] == 0x26 || rx[1] == 0x26;
    // A probe asks before the printer has announced itself: its answer
    // brings the link online, unless it is an announcement crossing the probe.
    const bool probeCrossed = m.st.linkState == LinkState::NotSeen && announces;
    if ((m.st.identifyStep == 1 || m.st.identifyStep == 2) && !probeCrossed) {
      if (m.st.linkState == LinkState::NotSeen) m.st.linkState = LinkState::Online;
      m.st.identifyStep = 0;
      m.st.wideSymbols = rx[0] == 0x0A || rx[5] == 0x0A;
      m.timers[2] = false;
      m.st.identified = true;
    }
    if (announces && m.st.linkState != LinkState::Online) {
      m.st.identifyStep = m.st.linkState == LinkState::Lost ? 2 : 1;
      m.st.linkState = LinkState::Online;
      m.st.identifyTicks = 0;
      m.timers[0] = m.timers[1] = false;
      m.timers[2] = true;
      sent.push_back(ESC);
      sent.push_back(0xA0);
    }
    if (announces && m.st.busy && !m.p.Any()) m.st.busy = runStarted_ = false;
    for (const Section& section : kSections) {
      if (!m.p.Has(section.request)) continue;
      if (section.firstByte >= 0 && rx[0] != section.firstByte) continue;
      m.timers[1] = false;
      m.p.Clear(section.request);
      m.st.busy = runStarted_ = false;
      if (section.logo) m.st.blockAck = true;
    }
  }

  ORVEX_UNCOUNTED void CheckBuffer() const {
    const ReceiveBuffer& rx = s_const().rx;
    FUZZ_CHECK(rx.ReadLength() == shadowLength_, "read length");
    // The bytes of this read and just past it, and a sample of the older ones.
    const std::size_t whole = std::min(ReceiveBuffer::kSize, shadowLength_ + 64);
    for (std::size_t i = 0; i < ReceiveBuffer::kSize; i += i < whole ? 1 : 97) {
      if (rx[i] != shadow_[i]) FUZZ_CHECK(false, "receive buffer at " + std::to_string(i));
    }
    const std::uint32_t lastTwo =
        shadow_[ReceiveBuffer::kSize - 2] | (std::uint32_t{shadow_[ReceiveBuffer::kSize - 1]} << 8);
    FUZZ_CHECK(rx[ReceiveBuffer::kSize] == 0 && rx.U32(ReceiveBuffer::kSize - 2) == lastTwo,
               "positions past the buffer read as 0");
  }

  const Session& s_const() const { return ports_->session(); }

  // --- ticks ---------------------------------------------------------------

  void Tick(TimerId timer) {
    if (!ports_->TimerEnabled(timer)) return;
    const Model before = Observe();
    const int stepsBefore = stepsRun_;
    const int linesBefore = ports_->memo.LineCount();
    Model want = before;
    bool reset = false;
    bool renewalEnded = false;
    std::string timeoutText;
    auto communicationReset = [&want, &reset] {
      reset = true;
      for (const Section& section : kSections) {
        if (section.logo && want.p.Has(section.request)) want.st.blockAck = true;
      }
      want.p = PendingRequest{};
      want.st.timeoutSeconds = 0;
      want.st.linkState = LinkState::Lost;
      want.st.busy = false;
      want.timers[0] = true;
      want.timers[1] = false;
    };
    switch (timer) {
      case TimerId::OfflineCount:
        if (want.st.linkState != LinkState::Lost) {
          want.st.timeoutSeconds += 1;
          if (want.st.timeoutSeconds == 3) want.st.linkState = LinkState::Lost;
        }
        OfflineCountTick(s());
        break;
      case TimerId::ReplyTimeout:
        want.st.timeoutSeconds += 1;
        timeoutText = "Timeout Detect : " + std::to_string(want.st.timeoutSeconds) + " sec";
        if (want.st.timeoutSeconds >= kReplyTimeoutSeconds) communicationReset();
        ReplyTimeoutTick(s());
        break;
      case TimerId::StuckWatch: {
        const StuckWatchCounts counts = s().watch;
        const bool pending = want.p.Any();
        if (!s().exporting) {
          if (pending && !want.timers[1]) {
            if (counts.uncoveredSeconds + 1 >= kReplyTimeoutSeconds) communicationReset();
          } else if (!pending && want.st.busy) {
            if (counts.silentSeconds + 1 >= kReplyTimeoutSeconds) {
              want.st.busy = false;
              renewalEnded = true;
            }
          }
        }
        StuckWatchTick(s());
        break;
      }
      case TimerId::VariantWait:
        if (want.st.identifyStep == 1 || want.st.identifyStep == 2) {
          want.st.identifyTicks += 1;
          if (want.st.identifyTicks > 3) {
            want.st.identifyTicks = 0;
            want.st.identifyStep = 0;
            want.st.wideSymbols = false;
            want.timers[2] = false;
            want.st.identified = true;
          }
        }
        VariantWaitTick(s());
        break;
    }
    FUZZ_CHECK(stepsRun_ == stepsBefore, "a tick ran other steps");
    const std::string diff = Differences(want, Observe());
    FUZZ_CHECK(diff.empty(), diff);
    const auto& lines = ports_->memo.lines;
    if (timer == TimerId::ReplyTimeout) {
      const int line = before.st.timeoutLine;
      if (line <= linesBefore) {
        FUZZ_CHECK(line < static_cast<int>(lines.size()) &&
                       lines[static_cast<std::size_t>(line)] == timeoutText,
                   "the timeout line");
      }
    }
    if (reset) {
      FUZZ_CHECK(lines.size() >= 2 && lines[lines.size() - 2] == "Communication Error !!" &&
                     lines.back().empty(),
                 "the reset lines");
    }
    if (renewalEnded) {
      FUZZ_CHECK(lines.size() >= 2 && lines[lines.size() - 2] == kRenewalUnfinished &&
                     lines.back().empty(),
                 "the line that ends a renewal");
    }
    if (timer == TimerId::OfflineCount && before.st.timeoutSeconds == 2 &&
        before.st.linkState != LinkState::Lost) {
      FUZZ_CHECK(lines.size() >= 2 && lines[lines.size() - 2] == "Printer not online .",
                 "the offline lines");
    }
    CheckAlways();
  }

  // --- commands ------------------------------------------------------------

  void RunCommand(int index) {
    const Command& command = kCommands[index];
    const bool gate = command.gated && !s().state.identified;
    const Model before = Observe();
    const std::size_t sentBefore = ports_->sent.size();
    const std::size_t messagesBefore = ports_->panel.messages.size();
    ports_->memo.ResetCounts();
    const int linesBefore = ports_->memo.LineCount();

    command.run(s());

    if (gate) {
      FUZZ_CHECK(ports_->sent.size() == sentBefore, command.name);
      FUZZ_CHECK(ports_->panel.messages.size() == messagesBefore, command.name);
      FUZZ_CHECK(ports_->memo.LineCount() == linesBefore && ports_->memo.appended == 0 &&
                     ports_->memo.replaced == 0 && ports_->memo.cleared == 0,
                 command.name);
      const std::string diff = Differences(before, Observe());
      FUZZ_CHECK(diff.empty(), std::string(command.name) + ": " + diff);
    }
    CheckAlways();
  }

  // --- always --------------------------------------------------------------

  void CheckAlways() {
    const ConnectionState& st = s().state;
    FUZZ_CHECK(!wasIdentified_ || st.identified, "identified was cleared");
    wasIdentified_ = st.identified;
    const int link = static_cast<int>(st.linkState);
    FUZZ_CHECK(link >= 0 && link <= 2, "link state " + std::to_string(link));
    FUZZ_CHECK(st.identifyStep >= 0 && st.identifyStep <= 2, "identify step");
    if (!st.busy) busyExplained_ = false;
    FUZZ_CHECK(!st.busy || s().pending.Any() || busyExplained_, "busy with nothing pending");
  }

  FuzzInput in_;
  orvex::test::AcceptingSpreadsheet accepting_;
  std::unique_ptr<orvex::fuzz::FuzzPorts> ports_;
  int firstCommand_ = 0;
  std::array<std::uint8_t, ReceiveBuffer::kSize> shadow_{};
  std::size_t shadowLength_ = 0;
  bool busyExplained_ = false;
  bool runStarted_ = false;  // a 0x11 report in the current read set busy
  bool wasIdentified_ = false;
  int waitDepth_ = 0;
  int dispatchDepth_ = 0;
  int stepsRun_ = 0;
  bool trace_ = std::getenv("ORVEX_FUZZ_TRACE") != nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const LogoFiles logos;
  auto scenario = std::make_unique<Scenario>(data, size, logos);
  scenario->Play();
  return 0;
}
