#include "core/commands/actions.h"

#include <string>

#include "core/link/request_guard.h"

namespace orvex::core {

namespace {

struct ResultCommand {
  Request request;
  std::uint8_t first;
  std::uint8_t code;
  const char* doneLine;
  const char* requestName;
};

constexpr ResultCommand kResultCommands[] = {
    {Request::TestCoin, ESC, 0xFA, "Print coin ticket finished .", "coin test ticket"},
    {Request::TestNote, ESC, 0xFB, "Print note ticket finished .", "note test ticket"},
    {Request::TestPayout, ESC, 0xFC, "Print payout ticket finished .", "payout test ticket"},
    {Request::DailyReport, GS, 0xF0, "Print daily report finished .", "daily report"},
    {Request::HistoryReport, GS, 0xF1, "Print daily history report finished .", "history report"},
};

const ResultCommand& ResultCommandOf(Request request) {
  for (const ResultCommand& command : kResultCommands) {
    if (command.request == request) return command;
  }
  return kResultCommands[0];  // every caller names one of them
}

void StartResultCommand(Session& session, Request request) {
  if (!BusyCheck(session)) return;
  const ResultCommand& command = ResultCommandOf(request);
  StartRequest(session, request);
  (void)session.Send(command.requestName, {command.first, command.code}, LastPause::No);
}

// Commands that await nothing: busy only for the time of the send.
void FireAndForget(Session& session, bool offlineMatters, const char* name,
                   std::initializer_list<std::uint8_t> bytes, const char* line) {
  if (!(offlineMatters ? BusyOrOfflineCheck(session) : BusyCheck(session))) return;
  session.state.busy = true;
  if (!session.Send(name, bytes, LastPause::No)) return;
  session.Append(line);
  session.AppendEmpty();
  session.state.busy = false;
}

std::string TwoDigits(std::uint8_t value) {
  return (value <= 9 ? "0" : "") + std::to_string(value);
}

}  // namespace

std::string ReportDate(std::uint8_t year, std::uint8_t month, std::uint8_t day) {
  return "20" + TwoDigits(year) + "/" + TwoDigits(month) + "/" + TwoDigits(day);
}

void PrintCoinTestTicket(Session& session) {
  StartResultCommand(session, Request::TestCoin);
}
void PrintNoteTestTicket(Session& session) {
  StartResultCommand(session, Request::TestNote);
}
void PrintPayoutTestTicket(Session& session) {
  StartResultCommand(session, Request::TestPayout);
}
void PrintDailyReport(Session& session) {
  StartResultCommand(session, Request::DailyReport);
}
void PrintHistoryReport(Session& session) {
  StartResultCommand(session, Request::HistoryReport);
}

void EraseRecords(Session& session) {
  if (!BusyCheck(session)) return;
  StartRequest(session, Request::Erase);
  (void)session.Send("erase records", {ESC, 0xF3}, LastPause::No);
}

void TestFullCut(Session& session) {
  FireAndForget(session, false, "full cut test", {ESC, 0xF5}, "Test full cut finished .");
}
void TestPartCut(Session& session) {
  FireAndForget(session, false, "part cut test", {ESC, 0xF6}, "Test part cut finished .");
}
void SetDateFormatYYMMDD(Session& session) {
  FireAndForget(session, true, "date format YY/MM/DD", {ESC, 0xF9, '0'},
                "Date format is now YY/MM/DD .");
}
void SetDateFormatDDMMYY(Session& session) {
  FireAndForget(session, true, "date format DD/MM/YY", {ESC, 0xF9, '1'},
                "Date format is now DD/MM/YY .");
}
void SetDateFormatMMDDYY(Session& session) {
  FireAndForget(session, true, "date format MM/DD/YY", {ESC, 0xF9, '2'},
                "Date format is now MM/DD/YY .");
}
void SetDateFormatYYDDMM(Session& session) {
  FireAndForget(session, true, "date format YY/DD/MM", {ESC, 0xF9, '3'},
                "Day format is now YY/DD/MM .");
}
void EnableSerialNumberPrinting(Session& session) {
  FireAndForget(session, true, "serial number printing on", {ESC, 0xE6, 0x01},
                "Enable Printe Serial Number.");
}
void DisableSerialNumberPrinting(Session& session) {
  FireAndForget(session, true, "serial number printing off", {ESC, 0xE6, 0x00},
                "Disable Printe Serial Number.");
}

void OnRecordReport(Session& session) {
  const ReceiveBuffer& rx = session.rx;
  const std::string date = ReportDate(rx[2], rx[3], rx[4]);
  switch (rx[1]) {
    case 0x11:
      session.Append("Renew records now :");
      session.Append("Last erase date : " + date);
      session.progressLine = session.io.memo.LineCount();
      session.Append("1");
      session.state.busy = true;
      break;
    case 0x22:
      session.io.memo.ReplaceLine(session.progressLine, "Now write record : " + date);
      break;
    case 0x33:
      session.Append("Renew records finished .");
      session.AppendEmpty();
      session.state.busy = false;
      break;
    case 0x44:
      session.Append("Records full! Last record date : " + date);
      session.AppendEmpty();
      session.state.busy = false;
      break;
    default:
      break;
  }
}

void OnEraseReply(Session& session) {
  session.SetTimer(TimerId::ReplyTimeout, false);
  session.Append(EraseAccepted(session.rx) ? "Erase record finished ." : "Erase record Error .");
  session.AppendEmpty();
  FinishRequest(session, Request::Erase);
}

void OnPrintResult(Session& session, Request request) {
  session.SetTimer(TimerId::ReplyTimeout, false);
  const std::uint8_t result = session.rx[0];
  if (result == 0) {
    session.Append("Printer have no paper or busy .");
    session.AppendEmpty();
  } else if (result == 1) {
    session.Append(ResultCommandOf(request).doneLine);
    session.AppendEmpty();
  }
  FinishRequest(session, request);
}

}  // namespace orvex::core
