#include "commands/queries.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "link/request_guard.h"
#include "text/cp1252.h"

namespace orvex {

namespace {

void Query(Session& session, bool& flag, const char* name, std::uint8_t first, std::uint8_t code) {
  if (!BusyCheck(session)) return;
  StartRequest(session, flag);
  (void)session.Send(name, {first, code}, LastPause::No);
}

std::string Hex2(std::uint8_t a, std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X", a, b);
  return text;
}

std::string Chars(const ReceiveBuffer& rx, std::size_t from, std::size_t to) {
  std::string bytes;
  for (std::size_t i = from; i < to; ++i) {
    // A line break among the printer's bytes would split the report line
    // and shift the lines that the timeout and progress reports rewrite.
    const char c = static_cast<char>(rx[i]);
    bytes += c == '\r' || c == '\n' ? ' ' : c;
  }
  return Cp1252ToUtf8(bytes);
}

}  // namespace

void ReadFirmwareVersion(Session& session) {
  Query(session, session.pending.awaitFirmware, "firmware query", GS, 0xF9);
}
void ReadPrinterClock(Session& session) {
  Query(session, session.pending.awaitDateTime, "date and time query", ESC, 0xF0);
}
void ReadMultipliers(Session& session) {
  Query(session, session.pending.awaitMultiplier, "multiplier query", GS, 0xF5);
}
void ReadPrintStatus(Session& session) {
  Query(session, session.pending.awaitPrintStatus, "print status query", GS, 0xF7);
}
void ReadSummaryTotals(Session& session) {
  Query(session, session.pending.awaitSummary, "summary query", ESC, 0xF4);
}

void OnFirmwareReply(Session& session) {
  const ReceiveBuffer& rx = session.rx;
  session.SetTimer(TimerId::ReplyTimeout, false);
  const std::size_t end = std::min<std::size_t>(15, rx.ReadLength());
  session.Append("Firmware version :");
  session.Append("     " + Chars(rx, 0, end));
  session.AppendEmpty();
  session.Append("Checksum :");
  session.Append("   " + Hex2(rx[15], rx[16]));
  session.Append("   " + Hex2(rx[17], rx[18]));
  FinishRequest(session, session.pending.awaitFirmware);
}

void OnDateTimeReply(Session& session) {
  const ReceiveBuffer& rx = session.rx;
  session.SetTimer(TimerId::ReplyTimeout, false);
  if (rx[0] != 0) {
    const std::string text = "20" + Chars(rx, 0, 2) + "/" + Chars(rx, 2, 4) + "/" +
                             Chars(rx, 4, 6) + "   " + Chars(rx, 6, 8) + ":" + Chars(rx, 8, 10) +
                             ":" + Chars(rx, 10, 12);
    session.Append("Date & Time :");
    session.Append("     " + text);
  } else {
    session.Append("Read Error,try again.");
  }
  session.AppendEmpty();
  FinishRequest(session, session.pending.awaitDateTime);
}

void OnMultiplierReply(Session& session) {
  const ReceiveBuffer& rx = session.rx;
  session.SetTimer(TimerId::ReplyTimeout, false);
  session.Append("Coin value per pulse :   " + std::to_string(rx.U16(0)));
  session.Append("Note value per pulse :   " + std::to_string(rx.U16(2)));
  session.Append("Payout value per pulse :   " + std::to_string(rx.U16(4)));
  if (rx[6] == 0) {
    session.Append("Data has no floating-point .");
  } else {
    session.Append("Data has " + std::to_string(rx[6]) + " floating-points .");
  }
  session.AppendEmpty();
  FinishRequest(session, session.pending.awaitMultiplier);
}

void OnPrintStatusReply(Session& session) {
  const std::uint8_t status = session.rx[0];
  session.SetTimer(TimerId::ReplyTimeout, false);
  auto bit = [status](int n) { return (status >> n) & 1; };
  session.Append(bit(0) ? "Print coin ticket ." : "Won't print coin ticket .");
  session.Append(bit(1) ? "Print note ticket ." : "Won't print note ticket .");
  session.Append(bit(2) ? "Print payout ticket ." : "Won't print payout ticket .");
  static const char* const kDateFormats[4] = {
      "Print date format is YY/MM/DD .", "Print date format is DD/MM/YY .",
      "Print date format is MM/DD/YY .", "Print date format is YY/DD/MM ."};
  session.Append(kDateFormats[(status >> 3) & 3]);
  session.Append(bit(5) ? "Print symbol on payout-ticket ."
                        : "Won't print symbol on payout-ticket .");
  session.Append(bit(6) ? "Print Record Search." : "Not Print Record Search.");
  session.AppendEmpty();
  FinishRequest(session, session.pending.awaitPrintStatus);
}

void OnSummaryReply(Session& session) {
  const ReceiveBuffer& rx = session.rx;
  session.SetTimer(TimerId::ReplyTimeout, false);
  session.Append("Total Coin : " + std::to_string(rx.U32(0)));
  session.Append("Total Note : " + std::to_string(rx.U32(4)));
  session.Append("Total Payout : " + std::to_string(rx.U32(8)));
  session.Append("Total TicketOut : " + std::to_string(rx.U32(12)));
  session.AppendEmpty();
  FinishRequest(session, session.pending.awaitSummary);
}

}  // namespace orvex
