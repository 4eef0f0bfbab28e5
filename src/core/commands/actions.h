#pragma once
// Test prints, reports, cutter tests, record erasure, date formats,
// serial-number printing, and the printer's own record-maintenance reports.

#include "core/session.h"

namespace orvex::core {

void PrintCoinTestTicket(Session& session);
void PrintNoteTestTicket(Session& session);
void PrintPayoutTestTicket(Session& session);
void PrintDailyReport(Session& session);
void PrintHistoryReport(Session& session);
void EraseRecords(Session& session);

void TestFullCut(Session& session);
void TestPartCut(Session& session);
void SetDateFormatYYMMDD(Session& session);
void SetDateFormatDDMMYY(Session& session);
void SetDateFormatMMDDYY(Session& session);
void SetDateFormatYYDDMM(Session& session);
void EnableSerialNumberPrinting(Session& session);
void DisableSerialNumberPrinting(Session& session);

// Dispatcher section 1: byte 0 = 0x77 and a report code in byte 1.
void OnRecordReport(Session& session);
// Section 6.
void OnEraseReply(Session& session);
// The printer's answer to the erase: 0xAA, done.
inline bool EraseAccepted(const ReceiveBuffer& rx) {
  return rx[0] == 0xAA;
}

// Sections 20 to 24: the request is TestCoin, TestNote, TestPayout,
// DailyReport or HistoryReport.
void OnPrintResult(Session& session, Request request);

// "20" and the date of a record report: 0x03 0x0C 0x1F -> "2003/12/31".
std::string ReportDate(std::uint8_t year, std::uint8_t month, std::uint8_t day);

}  // namespace orvex::core
