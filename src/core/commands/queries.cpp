#include "core/commands/queries.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/link/request_guard.h"
#include "core/text/escaped_text.h"

namespace orvex::core {

namespace {

void Query(Session& session, Request request, const char* name, std::uint8_t first,
           std::uint8_t code) {
  if (!BusyCheck(session)) return;
  StartRequest(session, request);
  (void)session.Send(name, {first, code}, LastPause::No);
}

std::string Hex2(std::uint8_t a, std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X", a, b);
  return text;
}

// The printer's bytes as text. A control byte among them is shown as \xHH:
// a line break would split the report line (and shift the lines that the
// timeout and progress reports rewrite), an escape sequence would act on
// the terminal that orvex-provision writes to.
std::string Chars(const ReceiveBuffer& rx, std::size_t from, std::size_t to) {
  std::string bytes;
  for (std::size_t i = from; i < to; ++i) bytes += static_cast<char>(rx[i]);
  return LineTextToUtf8(bytes);
}

}  // namespace

void ReadFirmwareVersion(Session& session) {
  Query(session, Request::Firmware, "firmware query", GS, 0xF9);
}
void ReadPrinterClock(Session& session) {
  Query(session, Request::DateTime, "date and time query", ESC, 0xF0);
}
void ReadMultipliers(Session& session) {
  Query(session, Request::Multiplier, "multiplier query", GS, 0xF5);
}
void ReadPrintStatus(Session& session) {
  Query(session, Request::PrintStatus, "print status query", GS, 0xF7);
}
void ReadSummaryTotals(Session& session) {
  Query(session, Request::Summary, "summary query", ESC, 0xF4);
}

FirmwareReply DecodeFirmwareReply(const ReceiveBuffer& rx) {
  const std::size_t end = std::min<std::size_t>(15, rx.ReadLength());
  return {Chars(rx, 0, end), Hex2(rx[15], rx[16]), Hex2(rx[17], rx[18])};
}

DateTimeReply DecodeDateTimeReply(const ReceiveBuffer& rx) {
  DateTimeReply reply;
  reply.readError = rx[0] == 0;
  for (std::size_t i = 0; i < reply.fields.size(); ++i)
    reply.fields[i] = Chars(rx, 2 * i, 2 * i + 2);
  return reply;
}

MultiplierReply DecodeMultiplierReply(const ReceiveBuffer& rx) {
  return {rx.U16(0), rx.U16(2), rx.U16(4), rx[6]};
}

MultiplierReply MultipliersInRequest(const std::vector<std::uint8_t>& request) {
  auto at = [&request](std::size_t i) { return i < request.size() ? request[i] : std::uint8_t{0}; };
  auto u16 = [&at](std::size_t i) { return static_cast<std::uint16_t>(at(i) | (at(i + 1) << 8)); };
  return {u16(2), u16(4), u16(6), at(8)};
}

SummaryReply DecodeSummaryReply(const ReceiveBuffer& rx) {
  return {rx.U32(0), rx.U32(4), rx.U32(8), rx.U32(12)};
}

PrintStatusReply DecodePrintStatus(std::uint8_t status) {
  auto bit = [status](int n) { return ((status >> n) & 1) != 0; };
  return {status, bit(0), bit(1), bit(2), (status >> 3) & 3, bit(5), bit(6)};
}

void OnFirmwareReply(Session& session) {
  session.SetTimer(TimerId::ReplyTimeout, false);
  const FirmwareReply reply = DecodeFirmwareReply(session.rx);
  session.Append("Firmware version :");
  session.Append("     " + reply.version);
  session.AppendEmpty();
  session.Append("Checksum :");
  session.Append("   " + reply.checksum1);
  session.Append("   " + reply.checksum2);
  FinishRequest(session, Request::Firmware);
}

void OnDateTimeReply(Session& session) {
  session.SetTimer(TimerId::ReplyTimeout, false);
  const DateTimeReply reply = DecodeDateTimeReply(session.rx);
  if (!reply.readError) {
    const auto& f = reply.fields;
    const std::string text =
        "20" + f[0] + "/" + f[1] + "/" + f[2] + "   " + f[3] + ":" + f[4] + ":" + f[5];
    session.Append("Date & Time :");
    session.Append("     " + text);
  } else {
    session.Append("Read Error,try again.");
  }
  session.AppendEmpty();
  FinishRequest(session, Request::DateTime);
}

void OnMultiplierReply(Session& session) {
  session.SetTimer(TimerId::ReplyTimeout, false);
  const MultiplierReply reply = DecodeMultiplierReply(session.rx);
  session.Append("Coin value per pulse :   " + std::to_string(reply.coin));
  session.Append("Note value per pulse :   " + std::to_string(reply.note));
  session.Append("Payout value per pulse :   " + std::to_string(reply.payout));
  if (reply.decimals == 0) {
    session.Append("Data has no floating-point .");
  } else {
    session.Append("Data has " + std::to_string(reply.decimals) + " floating-points .");
  }
  session.AppendEmpty();
  FinishRequest(session, Request::Multiplier);
}

void OnPrintStatusReply(Session& session) {
  const PrintStatusReply status = DecodePrintStatus(session.rx[0]);
  session.SetTimer(TimerId::ReplyTimeout, false);
  session.Append(status.coin ? "Print coin ticket ." : "Won't print coin ticket .");
  session.Append(status.note ? "Print note ticket ." : "Won't print note ticket .");
  session.Append(status.payout ? "Print payout ticket ." : "Won't print payout ticket .");
  static const char* const kDateFormats[4] = {
      "Print date format is YY/MM/DD .", "Print date format is DD/MM/YY .",
      "Print date format is MM/DD/YY .", "Print date format is YY/DD/MM ."};
  session.Append(kDateFormats[status.dateFormat]);
  session.Append(status.symbol ? "Print symbol on payout-ticket ."
                               : "Won't print symbol on payout-ticket .");
  session.Append(status.recordSearch ? "Print Record Search." : "Not Print Record Search.");
  session.AppendEmpty();
  FinishRequest(session, Request::PrintStatus);
}

void OnSummaryReply(Session& session) {
  const SummaryReply totals = DecodeSummaryReply(session.rx);
  session.SetTimer(TimerId::ReplyTimeout, false);
  session.Append("Total Coin : " + std::to_string(totals.coin));
  session.Append("Total Note : " + std::to_string(totals.note));
  session.Append("Total Payout : " + std::to_string(totals.payout));
  session.Append("Total TicketOut : " + std::to_string(totals.ticketsOut));
  session.AppendEmpty();
  FinishRequest(session, Request::Summary);
}

}  // namespace orvex::core
