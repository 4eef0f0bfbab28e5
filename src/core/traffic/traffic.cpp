#include "traffic/traffic.h"

#include <cstdio>

namespace orvex {

std::string SectionName(const TakenSection& taken) {
  switch (taken.section) {
    case ReplySection::RecordReport: {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", taken.code);
      return std::string("record-maintenance report ") + code;
    }
    case ReplySection::VariantReply:
      return "variant reply";
    case ReplySection::Announcement:
      return "announcement";
    case ReplySection::RenewalEnded:
      return "end of a cut-short record renewal";
    case ReplySection::EraseReply:
      return "erase reply";
    case ReplySection::ClockSettingReply:
      return "clock setting reply";
    case ReplySection::FirmwareReply:
      return "firmware reply";
    case ReplySection::DateTimeReply:
      return "date and time reply";
    case ReplySection::MultiplierReply:
      return "multiplier reply";
    case ReplySection::CoinFormatReply:
      return "coin format reply";
    case ReplySection::NoteFormatReply:
      return "note format reply";
    case ReplySection::PayoutFormatReply:
      return "payout format reply";
    case ReplySection::Logo1Reply:
      return "logo 1 reply";
    case ReplySection::Logo2Reply:
      return "logo 2 reply";
    case ReplySection::Logo3Reply:
      return "logo 3 reply";
    case ReplySection::PrintStatusReply:
      return "print status reply";
    case ReplySection::SummaryReply:
      return "summary reply";
    case ReplySection::RecordSearchReply:
      return "record search reply";
    case ReplySection::CoinTestTicketReply:
      return "coin test ticket reply";
    case ReplySection::NoteTestTicketReply:
      return "note test ticket reply";
    case ReplySection::PayoutTestTicketReply:
      return "payout test ticket reply";
    case ReplySection::DailyReportReply:
      return "daily report reply";
    case ReplySection::HistoryReportReply:
      return "history report reply";
    case ReplySection::Acknowledgement:
      return "acknowledgement";
  }
  return "unknown section";
}

std::string ReadMeaning(const std::vector<TakenSection>& sections) {
  // A byte 0x42 restarts the reply timeout in every read; it is named only
  // when it is all the read did (a logo row's acknowledgement).
  std::string meaning;
  for (const TakenSection& taken : sections) {
    if (taken.section == ReplySection::Acknowledgement) continue;
    if (!meaning.empty()) meaning += " + ";
    meaning += SectionName(taken);
  }
  if (!meaning.empty()) return meaning;
  return sections.empty() ? "not taken" : "acknowledgement";
}

}  // namespace orvex
