#include "core/link/reply_dispatcher.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "core/commands/actions.h"
#include "core/commands/clock_setting.h"
#include "core/commands/queries.h"
#include "core/formats/format_download.h"
#include "core/link/link_control.h"
#include "core/link/stuck_watch.h"
#include "core/logos/logo_download.h"
#include "core/records/record_search.h"

namespace orvex::core {

namespace {

// Sections 6 to 24: the replies to the requests, in the order they are
// tested (the order of Request). A section acts when its request is pending
// and the read begins with the byte it needs, if any.
struct RequestSection {
  Request request;
  const char* replyName;                  // what the traffic log calls the read
  std::optional<std::uint8_t> firstByte;  // the byte 0 its reply begins with
  void (*handle)(Session&);
};

constexpr std::optional<std::uint8_t> kAnyByte;
constexpr std::uint8_t kFormatAccepted = 0xAA;
constexpr std::uint8_t kLogoAccepted = 0xAB;

template <TicketKind kind>
void FormatReply(Session& session) {
  OnFormatAccepted(session, kind);
}
template <int slot>
void LogoReply(Session& session) {
  OnLogoAccepted(session, slot);
}
template <Request request>
void PrintResult(Session& session) {
  OnPrintResult(session, request);
}

constexpr RequestSection kRequestSections[] = {
    {Request::Erase, "erase reply", kAnyByte, OnEraseReply},
    {Request::ClockSet, "clock setting reply", kAnyByte, OnClockSetReply},
    {Request::Firmware, "firmware reply", kAnyByte, OnFirmwareReply},
    {Request::DateTime, "date and time reply", kAnyByte, OnDateTimeReply},
    {Request::Multiplier, "multiplier reply", kAnyByte, OnMultiplierReply},
    {Request::CoinFormat, "coin format reply", kFormatAccepted, FormatReply<TicketKind::Coin>},
    {Request::NoteFormat, "note format reply", kFormatAccepted, FormatReply<TicketKind::Note>},
    {Request::PayoutFormat, "payout format reply", kFormatAccepted,
     FormatReply<TicketKind::Payout>},
    {Request::Logo1, "logo 1 reply", kLogoAccepted, LogoReply<1>},
    {Request::Logo2, "logo 2 reply", kLogoAccepted, LogoReply<2>},
    {Request::Logo3, "logo 3 reply", kLogoAccepted, LogoReply<3>},
    {Request::PrintStatus, "print status reply", kAnyByte, OnPrintStatusReply},
    {Request::Summary, "summary reply", kAnyByte, OnSummaryReply},
    {Request::RecordSearch, "record search reply", kAnyByte, OnRecordSearchReply},
    {Request::TestCoin, "coin test ticket reply", kAnyByte, PrintResult<Request::TestCoin>},
    {Request::TestNote, "note test ticket reply", kAnyByte, PrintResult<Request::TestNote>},
    {Request::TestPayout, "payout test ticket reply", kAnyByte, PrintResult<Request::TestPayout>},
    {Request::DailyReport, "daily report reply", kAnyByte, PrintResult<Request::DailyReport>},
    {Request::HistoryReport, "history report reply", kAnyByte, PrintResult<Request::HistoryReport>},
};

constexpr bool EveryRequestInItsPlace() {
  if (std::size(kRequestSections) != kRequestCount) return false;
  for (std::size_t i = 0; i < kRequestCount; ++i) {
    if (kRequestSections[i].request != RequestAt(i)) return false;
  }
  return true;
}
static_assert(EveryRequestInItsPlace(), "one section per request, in the order of Request");

void RunSections(Session& session) {
  ConnectionState& st = session.state;
  const PendingRequest& pending = session.pending;
  const ReceiveBuffer& rx = session.rx;
  // A section whose test holds says so for the traffic log, then acts.
  auto took = [&session](ReplySection section, std::uint8_t code = 0) {
    session.traffic.Took(section, code);
    return true;
  };

  // 1: record-maintenance report, whatever is outstanding.
  if (rx[0] == 0x77 && (rx[1] == 0x11 || rx[1] == 0x22 || rx[1] == 0x33 || rx[1] == 0x44)) {
    took(ReplySection::RecordReport, rx[1]);
    OnRecordReport(session);
  }
  // 2, 3: the answer to the variant query. They come before the
  // announcement so that its reply is taken from a later read.
  // An announcement crossing a probe is not taken here (link_control.h).
  if (st.identifyStep == 1 && HandleVariantReply(session)) took(ReplySection::VariantReply);
  if (st.identifyStep == 2 && HandleVariantReply(session)) took(ReplySection::VariantReply);
  // 4, 5: the announcement.
  const bool announces = rx[0] == 0x26 || rx[1] == 0x26;
  if (st.linkState == LinkState::NotSeen && announces && took(ReplySection::Announcement)) {
    HandleAnnouncement(session);
  }
  if (st.linkState == LinkState::Lost && announces && took(ReplySection::Announcement)) {
    HandleAnnouncement(session);
  }
  // A printer that announces itself has restarted, so a record renewal it
  // reported has ended without its 0x33; nothing else would clear that busy.
  // An outstanding request keeps its busy until its answer or its timeout.
  if (announces && st.busy && !pending.Any() && took(ReplySection::RenewalEnded)) st.busy = false;

  // 6 to 24.
  for (const RequestSection& section : kRequestSections) {
    if (!pending.Has(section.request)) continue;
    if (section.firstByte && rx[0] != *section.firstByte) continue;
    session.traffic.Took(section.request);
    section.handle(session);
  }
}

}  // namespace

const char* ReplyName(Request request) {
  return kRequestSections[RequestIndex(request)].replyName;
}

void ReplyDispatcher(Session& session, std::span<const std::uint8_t> read,
                     std::optional<std::int64_t> framedUs) {
  if (read.empty()) return;
  session.watch.silentSeconds = 0;  // the printer has spoken
  while (!read.empty()) {
    const std::size_t taken = session.rx.Store(read.data(), read.size());
    const auto chunk = read.first(taken);
    session.traffic.BeginRead(chunk, framedUs);
    if (std::find(chunk.begin(), chunk.end(), std::uint8_t{0x42}) != chunk.end()) {
      session.state.timeoutSeconds = 0;
      session.state.blockAck = true;
      session.traffic.Took(ReplySection::Acknowledgement);
    }
    RunSections(session);
    session.traffic.EndRead();
    read = read.subspan(taken);
  }
  LookForStuckStates(session);
}

}  // namespace orvex::core
