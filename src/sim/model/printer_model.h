#pragma once
// A simulated Orvex ticket printer, written from the printer's side of the
// serial protocol: bytes in, reply bursts out, on a clock that the caller
// gives (real time in orvex-sim, virtual time in the tests).
//
// This library depends on nothing of the tool's own code, so a test that
// passes through both checks the real wire bytes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/model/burst.h"
#include "sim/model/calendar.h"
#include "sim/model/command_parser.h"
#include "sim/model/day_records.h"
#include "sim/model/logo_image.h"
#include "sim/model/printer_options.h"
#include "sim/model/reply_schedule.h"
#include "sim/model/ticket_store.h"

namespace orvex::sim {

// Reply bytes with a meaning of their own.
inline constexpr std::uint8_t kAnnounce = 0x26;
inline constexpr std::uint8_t kAccepted = 0xAA;
inline constexpr std::uint8_t kRejected = 0xEE;
inline constexpr std::uint8_t kRowAck = 0x42;
inline constexpr std::uint8_t kLogoDone = 0xAB;
inline constexpr std::uint8_t kNoRecord = 0x55;
inline constexpr std::uint8_t kPrintDone = 0x01;
inline constexpr std::uint8_t kNoPaper = 0x00;
inline constexpr std::uint8_t kReport = 0x77;

// What the printer has received, for tests to ask: counts and last values.
struct ReceivedLog {
  std::uint64_t bytes = 0;
  int variantQueries = 0;
  int firmwareQueries = 0;
  int clockReads = 0;
  int clockSets = 0;
  int clockSetsRejected = 0;
  int multiplierReads = 0;
  int multiplierSets = 0;
  int printStatusReads = 0;
  int printStatusSets = 0;
  int summaryReads = 0;
  std::array<int, 3> testPrints = {0, 0, 0};  // coin, note, payout
  int dailyReports = 0;
  int historyReports = 0;
  int erases = 0;
  int fullCuts = 0;
  int partCuts = 0;
  int dateFormatSets = 0;  // valid digits only
  int dateFormatRejected = 0;
  int serialPrintingSets = 0;  // 0 or 1 only
  int serialPrintingRejected = 0;
  std::array<int, 3> formatDownloads = {0, 0, 0};  // coin, note, payout
  std::array<int, 3> logoHeaders = {0, 0, 0};      // logo 1, 2, 3
  int logoRows = 0;
  int recordSearches = 0;
  std::optional<std::uint8_t> lastDateFormatByte;
  std::optional<std::uint8_t> lastSerialPrintingByte;
  std::optional<std::uint8_t> lastPrintStatusByte;
  std::optional<std::array<std::uint8_t, 10>> lastClockDigits;
  std::optional<std::array<std::uint8_t, 6>> lastSearch;  // begin and end as sent
};

// A logo download in progress.
struct LogoProgress {
  int slot = 0;  // 1..3
  int rowsExpected = 0;
  int rowsReceived = 0;
};

// What the armed faults have done so far.
struct FaultLog {
  std::uint64_t replies = 0;  // replies offered to the faults
  int dropped = 0;
  int garbled = 0;
  int maintenanceRuns = 0;
  int bursts = 0;
  int split = 0;
  int doubled = 0;
  int hangUps = 0;
  std::uint64_t bytesLostOnDeadLine = 0;
  std::vector<std::uint8_t> lastGarbage;
};

// Random bytes of a garbled reply; the same seed gives the same bytes.
std::vector<std::uint8_t> GarbageBytes(std::uint64_t seed, int length);

class PrinterModel {
 public:
  explicit PrinterModel(PrinterOptions options = {});

  // The tool opened the port: the printer announces itself (0x26). Replies
  // not yet sent and a half-received command are lost, as on a real line.
  void PortOpened(std::int64_t nowMs);
  // One byte from the tool.
  void Receive(std::uint8_t byte, std::int64_t nowMs);
  // Time of the earliest burst not yet taken.
  std::optional<std::int64_t> NextBurstTime() const;
  // Removes and returns every burst due at nowMs, in order.
  std::vector<Burst> TakeDue(std::int64_t nowMs);

  // The faults still armed; tests arm more while the printer runs.
  Faults& faults() { return faults_; }
  const FaultLog& faultLog() const { return faultLog_; }
  // The line goes dead for downMs: bursts not yet sent are lost, received
  // bytes are ignored, and then the printer announces itself again.
  void HangUp(std::int64_t nowMs, int downMs);
  // The machine has taken money meanwhile: day records for these days are
  // stored (made up from the seed), replacing what was stored; none when unset.
  void SetRecords(const std::optional<RecordRange>& range);
  bool LineDown(std::int64_t nowMs) const { return lineDownUntilMs_ && nowMs < *lineDownUntilMs_; }
  // End of the last hang-up; unset before the first.
  std::optional<std::int64_t> lineDownUntilMs() const { return lineDownUntilMs_; }

  // Inspection. options() are those given at the start.
  const PrinterOptions& options() const { return options_; }
  DateTime ClockAt(std::int64_t nowMs) const;
  const Multipliers& multipliers() const { return multipliers_; }
  std::uint8_t printStatus() const { return printStatus_; }
  int dateFormat() const { return dateFormat_; }
  // Serial-number printing as last switched; unset until a command came.
  std::optional<bool> serialPrinting() const { return serialPrinting_; }
  const ReceivedLog& received() const { return received_; }
  const std::optional<StoredTicket>& ticket(TicketKind kind) const;
  std::vector<LineDescription> DescribeTicket(TicketKind kind) const;
  // slot 1..3; unset until a download of that slot completed.
  const std::optional<LogoImage>& logo(int slot) const;
  // Bumped whenever a logo is stored, so a server can tell when to write it out.
  std::uint64_t logoVersion(int slot) const;
  const std::optional<LogoProgress>& logoInProgress() const { return logoProgress_; }
  const DayRecordStore& records() const { return records_; }
  Date lastEraseDate() const { return lastEraseDate_; }
  // Bumped by every complete command (logo headers and completed logos too).
  std::uint64_t handledCommands() const { return handledCommands_; }
  std::uint64_t ignoredBytes() const { return parser_.ignoredBytes(); }
  std::uint64_t droppedCommands() const { return parser_.droppedCommands(); }
  std::array<std::uint32_t, 4> SummaryTotals() const { return records_.Totals(); }

 private:
  void Handle(const ParsedCommand& command, std::int64_t nowMs);
  void HandleEsc(const ParsedCommand& command, std::int64_t nowMs);
  void HandleGs(const ParsedCommand& command, std::int64_t nowMs);
  void HandleLogoHeader(const ParsedCommand& command, std::int64_t nowMs);
  void HandleLogoRow(const ParsedCommand& command, std::int64_t nowMs);
  void FinishLogo(std::int64_t nowMs);
  bool AcknowledgesRow(int row) const;

  void Reply(std::int64_t earliestMs, std::vector<std::uint8_t> bytes);
  // The first reply to a command, shaped by the armed faults.
  void ReplyWithFaults(std::int64_t earliestMs, std::vector<std::uint8_t> bytes);
  bool HangsUpAt(int logoRow, std::int64_t nowMs);
  std::vector<std::vector<std::uint8_t>> MaintenanceRun(Date lastErase,
                                                        const std::vector<Date>& progress,
                                                        Date today) const;
  void ReplyAfterProcessing(std::int64_t nowMs, std::vector<std::uint8_t> bytes);

  void SetClock(const std::vector<std::uint8_t>& digits, std::int64_t nowMs);
  void ReadClock(std::int64_t nowMs);
  void Print(int* counter, std::int64_t nowMs);
  void Erase(std::int64_t nowMs);
  void SearchRecords(const std::vector<std::uint8_t>& request, std::int64_t nowMs);
  void StoreTicket(TicketKind kind, const std::vector<std::uint8_t>& payload, std::int64_t nowMs);

  PrinterOptions options_;
  ReplySchedule schedule_;
  CommandParser parser_;
  std::int64_t clockSeconds_ = 0;  // printer clock at clockAtMs_
  std::int64_t clockAtMs_ = 0;
  Multipliers multipliers_;
  std::uint8_t printStatus_ = 0;
  int dateFormat_ = 0;
  std::optional<bool> serialPrinting_;
  ReceivedLog received_;
  std::array<std::optional<StoredTicket>, 3> tickets_;
  std::array<std::optional<LogoImage>, 3> logos_;
  std::array<std::uint64_t, 3> logoVersions_ = {0, 0, 0};
  std::optional<LogoProgress> logoProgress_;
  LogoImage logoBuffer_;
  DayRecordStore records_;
  Date lastEraseDate_;
  std::uint64_t handledCommands_ = 0;
  Faults faults_;
  FaultLog faultLog_;
  bool firstReplyOpen_ = false;  // set while a command is handled, until its first reply
  std::optional<std::int64_t> lineDownUntilMs_;
};

}  // namespace orvex::sim
