#pragma once
// Test prints, reports, cutter tests, record erasure, date formats,
// serial-number printing, and the printer's own record-maintenance reports.

#include "session.h"

namespace orvex {

void PrintCoinClick(Session& session);
void PrintNoteClick(Session& session);
void PrintPayoutClick(Session& session);
void PrintDailyClick(Session& session);
void DailyHistoryReport1Click(Session& session);
void EraseSummaryClick(Session& session);

void FullCut2Click(Session& session);
void PartCut2Click(Session& session);
void YYMMDD1Click(Session& session);
void DDMMYY1Click(Session& session);
void MMDDYY1Click(Session& session);
void YYDDMM1Click(Session& session);
void Enable1Click(Session& session);
void Disable1Click(Session& session);

// Dispatcher section 1: byte 0 = 0x77 and a report code in byte 1.
void OnRecordReport(Session& session);
// Section 6.
void OnEraseReply(Session& session);

enum class ResultRequest { TestCoin, TestNote, TestPayout, DailyReport, HistoryReport };
// Sections 20 to 24.
void OnPrintResult(Session& session, ResultRequest request);

// "20" and the date of a record report: 0x03 0x0C 0x1F -> "2003/12/31".
std::string ReportDate(std::uint8_t year, std::uint8_t month, std::uint8_t day);

}  // namespace orvex
