#include "core/formats/format_download.h"

#include <algorithm>

#include "core/link/request_guard.h"

namespace orvex::core {

namespace {

constexpr std::uint8_t kCommandCodes[3] = {0xFD, 0xFE, 0xFF};

constexpr Request kFormatRequests[3] = {Request::CoinFormat, Request::NoteFormat,
                                        Request::PayoutFormat};

Request FormatRequest(TicketKind kind) {
  return kFormatRequests[static_cast<int>(kind)];
}

std::uint8_t KindCode(LineKind kind) {
  switch (kind) {
    case LineKind::Logo1:
      return 0x50;
    case LineKind::Logo2:
      return 0x51;
    case LineKind::Logo3:
      return 0x52;
    case LineKind::Data:
      return 0x53;
    case LineKind::Security:
      return 0x55;
    case LineKind::NotUsed:
    case LineKind::Text:
      break;
  }
  return 0x54;
}

}  // namespace

std::array<std::uint8_t, kLineRecordSize> EncodeLineRecord(const FormatLine& line) {
  std::array<std::uint8_t, kLineRecordSize> record{};
  const auto attribute = static_cast<std::uint8_t>(line.size() + 3 * (line.height() - 1));
  switch (line.kind()) {
    case LineKind::Text: {
      const std::size_t length = std::min(line.text.size(), kMaxTextBytes);
      record[0] = attribute;
      record[1] = static_cast<std::uint8_t>(length);
      std::copy_n(line.text.begin(), length, record.begin() + 2);
      break;
    }
    case LineKind::Data:
    case LineKind::Security:
      record[0] = attribute;
      record[1] = KindCode(line.kind());
      break;
    case LineKind::Logo1:
    case LineKind::Logo2:
    case LineKind::Logo3:
    case LineKind::NotUsed:
      // The size is not sent; the height is, even when its group is disabled.
      record[0] = line.height() == 1 ? 1 : 5;
      record[1] = KindCode(line.kind());
      break;
  }
  return record;
}

std::vector<std::uint8_t> EncodeFormatRequest(TicketKind kind, const TicketFormat& format,
                                              std::uint8_t symbolCode) {
  std::vector<std::uint8_t> request{ESC, kCommandCodes[static_cast<int>(kind)], symbolCode, 0, 0};
  request.reserve(kFormatRequestSize);
  for (const FormatLine& line : format) {
    const auto record = EncodeLineRecord(line);
    request.insert(request.end(), record.begin(), record.end());
  }
  request.insert(request.end(), {0, 0, 0});
  return request;
}

void SendTicketFormat(Session& session, TicketKind kind) {
  if (!BusyOrOfflineCheck(session)) return;
  session.state.busy = true;
  const std::vector<std::uint8_t> request = EncodeFormatRequest(
      kind, session.setup.Ticket(kind), SymbolCode(session.setup, session.state.wideSymbols));
  const std::span<const std::uint8_t> bytes(request);
  static const char* const kNames[3] = {"coin format download", "note format download",
                                        "payout format download"};
  // Every byte, the last one included, is followed by the pause.
  // One request in parts: the parts share its write deadline.
  session.BeginRequest(kNames[static_cast<int>(kind)]);
  if (!session.SendPart(bytes.first(5), LastPause::Yes)) return;
  for (int line = 0; line < kLinesPerTicket; ++line) {
    session.io.panel.SetGauge(line * 10);
    if (!session.SendPart(bytes.subspan(5 + line * kLineRecordSize, kLineRecordSize),
                          LastPause::Yes)) {
      return;
    }
  }
  if (!session.SendPart(bytes.last(3), LastPause::Yes)) return;
  session.EndRequest();
  session.io.panel.SetGauge(100);
  session.pending.Set(FormatRequest(kind));
  session.StartReplyTimeout();
}

void DownloadCoinFormat(Session& session) {
  SendTicketFormat(session, TicketKind::Coin);
}
void DownloadNoteFormat(Session& session) {
  SendTicketFormat(session, TicketKind::Note);
}
void DownloadPayoutFormat(Session& session) {
  SendTicketFormat(session, TicketKind::Payout);
}

void OnFormatAccepted(Session& session, TicketKind kind) {
  static const char* const kLines[3] = {"Download coin format finished .",
                                        "Download note format finished .",
                                        "Download payout format finished ."};
  session.SetTimer(TimerId::ReplyTimeout, false);
  session.Append(kLines[static_cast<int>(kind)]);
  session.AppendEmpty();
  FinishRequest(session, FormatRequest(kind));
}

}  // namespace orvex::core
