#include "sim/model/ticket_store.h"

#include <algorithm>

namespace orvex::sim {

StoredTicket DecodeTicket(const std::vector<std::uint8_t>& payload) {
  StoredTicket ticket;
  if (payload.size() < 266) return ticket;
  ticket.symbol = payload[0];
  std::copy(payload.begin() + 3, payload.begin() + 263, ticket.lines.begin());
  ticket.padding = {payload[1], payload[2], payload[263], payload[264], payload[265]};
  return ticket;
}

LineDescription DescribeLine(const std::uint8_t* record) {
  LineDescription line;
  line.attribute = record[0];
  line.lengthOrKind = record[1];
  const std::uint8_t* text = record + 2;
  const bool textClear = std::all_of(text, text + kLineTextBytes, [](auto b) { return b == 0; });

  const std::uint8_t code = record[1];
  if (code <= kLineTextBytes) {
    line.kind = LineKind::Text;
    line.text.assign(text, text + code);
    if (!std::all_of(text + code, text + kLineTextBytes, [](auto b) { return b == 0; })) {
      line.problem = "bytes after the text are not zero";
    }
  } else if (code >= 0x50 && code <= 0x55) {
    static constexpr LineKind kKinds[] = {LineKind::Logo1, LineKind::Logo2,   LineKind::Logo3,
                                          LineKind::Data,  LineKind::NotUsed, LineKind::Security};
    line.kind = kKinds[code - 0x50];
    if (!textClear) line.problem = "text field of a non-text line is not zero";
  } else {
    line.kind = LineKind::Invalid;
    line.problem = "second byte is neither a text length nor a kind code";
    return line;
  }

  const bool sized =
      line.kind == LineKind::Text || line.kind == LineKind::Data || line.kind == LineKind::Security;
  if (sized) {
    if (line.attribute >= 1 && line.attribute <= 6) {
      line.height = line.attribute <= 3 ? 1 : 2;
      line.size = line.attribute - 3 * (line.height - 1);
    } else {
      line.problem = "attribute out of range";
    }
  } else if (line.attribute == 1 || line.attribute == 5) {
    line.height = line.attribute == 1 ? 1 : 2;
  } else {
    line.problem = "attribute of a logo or unused line is neither 1 nor 5";
  }
  return line;
}

std::vector<LineDescription> DescribeTicket(const StoredTicket& ticket) {
  std::vector<LineDescription> lines;
  lines.reserve(kTicketLines);
  for (int i = 0; i < kTicketLines; ++i) {
    lines.push_back(DescribeLine(ticket.lines.data() + i * kLineRecordBytes));
  }
  return lines;
}

const char* TicketKindName(TicketKind kind) {
  switch (kind) {
    case TicketKind::Coin:
      return "coin";
    case TicketKind::Note:
      return "note";
    case TicketKind::Payout:
      return "payout";
  }
  return "?";
}

const char* LineKindName(LineKind kind) {
  switch (kind) {
    case LineKind::Text:
      return "text";
    case LineKind::Logo1:
      return "logo1";
    case LineKind::Logo2:
      return "logo2";
    case LineKind::Logo3:
      return "logo3";
    case LineKind::Data:
      return "data";
    case LineKind::NotUsed:
      return "notused";
    case LineKind::Security:
      return "security";
    case LineKind::Invalid:
      return "invalid";
  }
  return "?";
}

}  // namespace orvex::sim
