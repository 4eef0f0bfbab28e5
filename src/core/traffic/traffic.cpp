#include "core/traffic/traffic.h"

#include <cstdio>

#include "core/link/reply_dispatcher.h"

namespace orvex::core {

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
    case ReplySection::RequestReply:
      return ReplyName(taken.request);
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

}  // namespace orvex::core
