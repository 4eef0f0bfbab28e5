#include "link/reply_dispatcher.h"

#include <algorithm>

#include "commands/actions.h"
#include "commands/clock_setting.h"
#include "commands/queries.h"
#include "formats/format_download.h"
#include "link/link_control.h"
#include "link/stuck_watch.h"
#include "logos/logo_download.h"
#include "records/record_search.h"

namespace orvex {

namespace {

void RunSections(Session& session) {
  ConnectionState& st = session.state;
  PendingRequest& p = session.pending;
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
  if (announces && st.busy && !p.Any() && took(ReplySection::RenewalEnded)) st.busy = false;

  if (p.awaitErase && took(ReplySection::EraseReply)) OnEraseReply(session);                 // 6
  if (p.awaitClockSet && took(ReplySection::ClockSettingReply)) OnClockSetReply(session);    // 7
  if (p.awaitFirmware && took(ReplySection::FirmwareReply)) OnFirmwareReply(session);        // 8
  if (p.awaitDateTime && took(ReplySection::DateTimeReply)) OnDateTimeReply(session);        // 9
  if (p.awaitMultiplier && took(ReplySection::MultiplierReply)) OnMultiplierReply(session);  // 10
  if (p.awaitCoinFormat && rx[0] == 0xAA && took(ReplySection::CoinFormatReply))
    OnFormatAccepted(session, TicketKind::Coin);  // 11
  if (p.awaitNoteFormat && rx[0] == 0xAA && took(ReplySection::NoteFormatReply))
    OnFormatAccepted(session, TicketKind::Note);  // 12
  if (p.awaitPayoutFormat && rx[0] == 0xAA && took(ReplySection::PayoutFormatReply))
    OnFormatAccepted(session, TicketKind::Payout);  // 13
  if (p.awaitLogo1 && rx[0] == 0xAB && took(ReplySection::Logo1Reply))
    OnLogoAccepted(session, 1);  // 14
  if (p.awaitLogo2 && rx[0] == 0xAB && took(ReplySection::Logo2Reply))
    OnLogoAccepted(session, 2);  // 15
  if (p.awaitLogo3 && rx[0] == 0xAB && took(ReplySection::Logo3Reply))
    OnLogoAccepted(session, 3);  // 16
  if (p.awaitPrintStatus && took(ReplySection::PrintStatusReply))
    OnPrintStatusReply(session);                                                    // 17
  if (p.awaitSummary && took(ReplySection::SummaryReply)) OnSummaryReply(session);  // 18
  if (p.awaitRecordSearch && took(ReplySection::RecordSearchReply))
    OnRecordSearchReply(session);  // 19
  if (p.awaitTestCoin && took(ReplySection::CoinTestTicketReply))
    OnPrintResult(session, ResultRequest::TestCoin);  // 20
  if (p.awaitTestNote && took(ReplySection::NoteTestTicketReply))
    OnPrintResult(session, ResultRequest::TestNote);  // 21
  if (p.awaitTestPayout && took(ReplySection::PayoutTestTicketReply))
    OnPrintResult(session, ResultRequest::TestPayout);  // 22
  if (p.awaitDailyReport && took(ReplySection::DailyReportReply))
    OnPrintResult(session, ResultRequest::DailyReport);  // 23
  if (p.awaitHistoryReport && took(ReplySection::HistoryReportReply))
    OnPrintResult(session, ResultRequest::HistoryReport);  // 24
}

}  // namespace

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

}  // namespace orvex
