#include "sim/model/printer_model.h"

#include <algorithm>
#include <utility>

namespace orvex::sim {
namespace {

constexpr std::uint8_t kPrintStatusBits = 0x67;  // bits 3-4 carry the date format instead

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && (a < 0));
}

std::uint8_t Digit(int value) {
  return static_cast<std::uint8_t>('0' + value % 10);
}

std::uint8_t YearCode(int year) {
  return static_cast<std::uint8_t>(((year % 100) + 100) % 100);
}

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> RecordReport(std::uint8_t code, const Date& date) {
  return {kReport, code, YearCode(date.year), static_cast<std::uint8_t>(date.month),
          static_cast<std::uint8_t>(date.day)};
}

// At most `limit` of the dates, spread evenly and always including the last.
std::vector<Date> SpreadDates(const std::vector<Date>& dates, int limit) {
  if (limit <= 0) return {};
  const std::size_t count = dates.size();
  const std::size_t wanted = static_cast<std::size_t>(limit);
  if (count <= wanted) return dates;
  std::vector<Date> picked;
  for (std::size_t i = 0; i < wanted; ++i) {
    picked.push_back(dates[wanted == 1 ? count - 1 : i * (count - 1) / (wanted - 1)]);
  }
  return picked;
}

}  // namespace

PrinterModel::PrinterModel(PrinterOptions options)
    : options_(std::move(options)),
      schedule_(options_.timing.burstSpacingMs),
      parser_(options_.timing.commandTimeoutMs),
      clockSeconds_(ToSeconds(options_.clock)),
      clockAtMs_(options_.clockAtMs),
      multipliers_(options_.multipliers),
      printStatus_(options_.printStatus & kPrintStatusBits),
      dateFormat_(options_.dateFormat & 3),
      lastEraseDate_(options_.lastEraseDate),
      faults_(options_.faults) {
  SetRecords(options_.records);
}

void PrinterModel::SetRecords(const std::optional<RecordRange>& range) {
  records_ = DayRecordStore();
  if (range && IsValidDate(range->first) && IsValidDate(range->last)) {
    records_ = DayRecordStore(options_.seed, range->first, range->last);
  }
}

void PrinterModel::PortOpened(std::int64_t nowMs) {
  schedule_.Clear();
  parser_.Reset();
  logoProgress_.reset();
  Reply(nowMs + options_.timing.announceDelayMs, {kAnnounce});
}

void PrinterModel::Receive(std::uint8_t byte, std::int64_t nowMs) {
  if (LineDown(nowMs)) {
    ++faultLog_.bytesLostOnDeadLine;
    return;
  }
  ++received_.bytes;
  const std::uint64_t dropped = parser_.droppedCommands();
  std::optional<ParsedCommand> command = parser_.Feed(byte, nowMs);
  // The parser gives up on a stalled logo download by itself; follow it.
  if (parser_.droppedCommands() != dropped) logoProgress_.reset();
  if (command) Handle(*command, nowMs);
}

std::optional<std::int64_t> PrinterModel::NextBurstTime() const {
  return schedule_.NextTime();
}

std::vector<Burst> PrinterModel::TakeDue(std::int64_t nowMs) {
  return schedule_.TakeDue(nowMs);
}

DateTime PrinterModel::ClockAt(std::int64_t nowMs) const {
  return FromSeconds(clockSeconds_ + FloorDiv(nowMs - clockAtMs_, 1000));
}

const std::optional<StoredTicket>& PrinterModel::ticket(TicketKind kind) const {
  return tickets_[static_cast<size_t>(kind)];
}

std::vector<LineDescription> PrinterModel::DescribeTicket(TicketKind kind) const {
  const std::optional<StoredTicket>& stored = ticket(kind);
  if (!stored) return {};
  return orvex::sim::DescribeTicket(*stored);
}

const std::optional<LogoImage>& PrinterModel::logo(int slot) const {
  static const std::optional<LogoImage> kNone;
  if (slot < 1 || slot > 3) return kNone;
  return logos_[static_cast<size_t>(slot - 1)];
}

std::uint64_t PrinterModel::logoVersion(int slot) const {
  if (slot < 1 || slot > 3) return 0;
  return logoVersions_[static_cast<size_t>(slot - 1)];
}

// Every reply leaves through here; the first one to a command meets the faults.
void PrinterModel::Reply(std::int64_t earliestMs, std::vector<std::uint8_t> bytes) {
  if (firstReplyOpen_) {
    firstReplyOpen_ = false;
    ReplyWithFaults(earliestMs, std::move(bytes));
    return;
  }
  schedule_.Add(earliestMs, std::move(bytes));
}

void PrinterModel::ReplyAfterProcessing(std::int64_t nowMs, std::vector<std::uint8_t> bytes) {
  Reply(nowMs + options_.timing.processingMs, std::move(bytes));
}

void PrinterModel::Handle(const ParsedCommand& command, std::int64_t nowMs) {
  firstReplyOpen_ = true;
  struct CloseAfter {
    bool& open;
    ~CloseAfter() { open = false; }
  } closeAfter{firstReplyOpen_};
  switch (command.kind) {
    case ParsedCommand::Kind::LogoHeader:
      ++handledCommands_;
      HandleLogoHeader(command, nowMs);
      return;
    case ParsedCommand::Kind::LogoRow:
      HandleLogoRow(command, nowMs);
      return;
    case ParsedCommand::Kind::Command:
      ++handledCommands_;
      if (command.prefix == kEsc) {
        HandleEsc(command, nowMs);
      } else {
        HandleGs(command, nowMs);
      }
      return;
  }
}

void PrinterModel::HandleEsc(const ParsedCommand& command, std::int64_t nowMs) {
  const std::vector<std::uint8_t>& data = command.payload;
  switch (command.code) {
    case 0xA0:
      ++received_.variantQueries;
      if (options_.variant == Variant::Wide20) ReplyAfterProcessing(nowMs, {kWideVariantReply});
      if (options_.variant == Variant::Narrow18) ReplyAfterProcessing(nowMs, {kNarrowVariantReply});
      return;
    case 0xF0:
      ReadClock(nowMs);
      return;
    case 0xF1:
      SetClock(data, nowMs);
      return;
    case 0xF3:
      Erase(nowMs);
      return;
    case 0xF4: {
      ++received_.summaryReads;
      std::vector<std::uint8_t> reply;
      for (std::uint32_t total : records_.Totals()) PutLe(reply, total, 4);
      ReplyAfterProcessing(nowMs, std::move(reply));
      return;
    }
    case 0xF5:
      ++received_.fullCuts;
      return;
    case 0xF6:
      ++received_.partCuts;
      return;
    case 0xF7:
      ++received_.printStatusSets;
      received_.lastPrintStatusByte = data[0];
      printStatus_ = data[0] & kPrintStatusBits;
      return;
    case 0xF9:
      received_.lastDateFormatByte = data[0];
      if (data[0] >= '0' && data[0] <= '3') {
        ++received_.dateFormatSets;
        dateFormat_ = data[0] - '0';
      } else {
        ++received_.dateFormatRejected;
      }
      return;
    case 0xE6:
      received_.lastSerialPrintingByte = data[0];
      if (data[0] <= 1) {
        ++received_.serialPrintingSets;
        serialPrinting_ = data[0] == 1;
      } else {
        ++received_.serialPrintingRejected;
      }
      return;
    case 0xFA:
    case 0xFB:
    case 0xFC:
      Print(&received_.testPrints[static_cast<size_t>(command.code - 0xFA)], nowMs);
      return;
    case 0xFD:
    case 0xFE:
    case 0xFF:
      StoreTicket(static_cast<TicketKind>(command.code - 0xFD), data, nowMs);
      return;
    default:
      return;
  }
}

void PrinterModel::HandleGs(const ParsedCommand& command, std::int64_t nowMs) {
  const std::vector<std::uint8_t>& data = command.payload;
  switch (command.code) {
    case 0xF0:
      Print(&received_.dailyReports, nowMs);
      return;
    case 0xF1:
      Print(&received_.historyReports, nowMs);
      return;
    case 0xF2:
      SearchRecords(data, nowMs);
      return;
    case 0xF5: {
      ++received_.multiplierReads;
      std::vector<std::uint8_t> reply;
      PutLe(reply, multipliers_.coin, 2);
      PutLe(reply, multipliers_.note, 2);
      PutLe(reply, multipliers_.payout, 2);
      reply.push_back(multipliers_.decimals);
      ReplyAfterProcessing(nowMs, std::move(reply));
      return;
    }
    case 0xF6:
      ++received_.multiplierSets;
      multipliers_.coin = static_cast<std::uint16_t>(data[0] | data[1] << 8);
      multipliers_.note = static_cast<std::uint16_t>(data[2] | data[3] << 8);
      multipliers_.payout = static_cast<std::uint16_t>(data[4] | data[5] << 8);
      multipliers_.decimals = data[6];
      return;
    case 0xF7:
      ++received_.printStatusReads;
      ReplyAfterProcessing(nowMs,
                           {static_cast<std::uint8_t>(printStatus_ | (dateFormat_ & 3) << 3)});
      return;
    case 0xF9: {
      ++received_.firmwareQueries;
      std::string version = options_.firmwareVersion;
      version.resize(15, ' ');
      std::vector<std::uint8_t> reply(version.begin(), version.end());
      reply.insert(reply.end(), options_.checksum1.begin(), options_.checksum1.end());
      reply.insert(reply.end(), options_.checksum2.begin(), options_.checksum2.end());
      ReplyAfterProcessing(nowMs, std::move(reply));
      return;
    }
    default:
      return;
  }
}

void PrinterModel::ReadClock(std::int64_t nowMs) {
  ++received_.clockReads;
  const DateTime now = ClockAt(nowMs);
  const int fields[6] = {now.date.year % 100, now.date.month, now.date.day, now.hour,
                         now.minute,          now.second};
  std::vector<std::uint8_t> reply;
  for (int field : fields) {
    reply.push_back(Digit(field / 10));
    reply.push_back(Digit(field));
  }
  ReplyAfterProcessing(nowMs, std::move(reply));
}

void PrinterModel::SetClock(const std::vector<std::uint8_t>& digits, std::int64_t nowMs) {
  ++received_.clockSets;
  std::array<std::uint8_t, 10> sent{};
  std::copy(digits.begin(), digits.begin() + 10, sent.begin());
  received_.lastClockDigits = sent;

  bool valid = std::all_of(sent.begin(), sent.end(), [](auto b) { return b >= '0' && b <= '9'; });
  int fields[5] = {0, 0, 0, 0, 0};
  for (int i = 0; valid && i < 5; ++i) {
    fields[i] = (sent[static_cast<size_t>(2 * i)] - '0') * 10 +
                (sent[static_cast<size_t>(2 * i + 1)] - '0');
  }
  const DateTime when{{2000 + fields[0], fields[1], fields[2]}, fields[3], fields[4], 0};
  // The printer's calendar runs from 2002 to 2021.
  valid = valid && IsValidDate(when.date) && when.date.year >= 2002 && when.date.year <= 2021 &&
          when.hour < 24 && when.minute < 60;
  if (!valid) {
    ++received_.clockSetsRejected;
    ReplyAfterProcessing(nowMs, {kRejected});
    return;
  }
  clockSeconds_ = ToSeconds(when);
  clockAtMs_ = nowMs;
  ReplyAfterProcessing(nowMs, {kAccepted});
}

void PrinterModel::Print(int* counter, std::int64_t nowMs) {
  ++*counter;
  Reply(nowMs + options_.timing.printMs, {options_.outOfPaper ? kNoPaper : kPrintDone});
}

void PrinterModel::Erase(std::int64_t nowMs) {
  ++received_.erases;
  const Date today = ClockAt(nowMs).date;
  std::vector<std::vector<std::uint8_t>> run = MaintenanceRun(
      lastEraseDate_, SpreadDates(records_.Dates(), options_.maxProgressReports), today);

  const std::int64_t start = nowMs + options_.timing.processingMs;
  if (options_.eraseOrder == EraseOrder::ResultFirst) Reply(start, {kAccepted});
  for (std::vector<std::uint8_t>& report : run) Reply(start, std::move(report));
  if (options_.eraseOrder == EraseOrder::ReportsFirst) Reply(start, {kAccepted});

  records_.Clear();
  lastEraseDate_ = today;
}

std::vector<std::vector<std::uint8_t>> PrinterModel::MaintenanceRun(
    Date lastErase, const std::vector<Date>& progress, Date today) const {
  std::vector<std::vector<std::uint8_t>> run;
  run.push_back(RecordReport(0x11, lastErase));
  for (const Date& date : progress) run.push_back(RecordReport(0x22, date));
  run.push_back(RecordReport(0x33, today));
  return run;
}

void PrinterModel::SearchRecords(const std::vector<std::uint8_t>& request, std::int64_t nowMs) {
  ++received_.recordSearches;
  std::array<std::uint8_t, 6> sent{};
  std::copy(request.begin(), request.begin() + 6, sent.begin());
  received_.lastSearch = sent;

  if (options_.outOfPaper) {
    ReplyAfterProcessing(nowMs, {kNoPaper});
    return;
  }
  Date first{2000 + sent[0], sent[1], sent[2]};
  Date last{2000 + sent[3], sent[4], sent[5]};
  if (!IsValidDate(first) || !IsValidDate(last)) {
    ReplyAfterProcessing(nowMs, {kNoRecord});
    return;
  }
  if (last < first) std::swap(first, last);
  const int maxDays = std::max(1, options_.maxSearchDays);
  if (DayIndex(last) - DayIndex(first) + 1 > maxDays) {
    last = DateFromDayIndex(DayIndex(first) + maxDays - 1);
  }
  if (!records_.AnyBetween(first, last)) {
    ReplyAfterProcessing(nowMs, {kNoRecord});
    return;
  }

  std::vector<std::uint8_t> reply = {YearCode(first.year),
                                     static_cast<std::uint8_t>(first.month),
                                     static_cast<std::uint8_t>(first.day),
                                     YearCode(last.year),
                                     static_cast<std::uint8_t>(last.month),
                                     static_cast<std::uint8_t>(last.day),
                                     1,
                                     multipliers_.decimals};
  for (std::int32_t day = DayIndex(first); day <= DayIndex(last); ++day) {
    const DayRecord record = records_.Find(DateFromDayIndex(day)).value_or(DayRecord{});
    const std::array<std::uint8_t, 14> bytes = EncodeDayRecord(record);
    reply.insert(reply.end(), bytes.begin(), bytes.end());
  }
  reply.push_back(1);
  for (int i = 0; i < 12; ++i) {
    const char c = i < static_cast<int>(options_.serialNumber.size())
                       ? options_.serialNumber[static_cast<size_t>(i)]
                       : '0';
    reply.push_back(static_cast<std::uint8_t>(c >= '0' && c <= '9' ? c - '0' : 0));
  }
  reply.push_back(0);

  // With "print record search" on, the answer comes once the result is printed.
  const bool prints = (printStatus_ & 0x40) != 0;
  Reply(nowMs + (prints ? options_.timing.printMs : options_.timing.processingMs),
        std::move(reply));
}

void PrinterModel::StoreTicket(TicketKind kind, const std::vector<std::uint8_t>& payload,
                               std::int64_t nowMs) {
  ++received_.formatDownloads[static_cast<size_t>(kind)];
  tickets_[static_cast<size_t>(kind)] = DecodeTicket(payload);
  ReplyAfterProcessing(nowMs, {kAccepted});
}

// Row 0 is the header. Stopping after row n keeps the header and rows 1..n
// acknowledged; n = 0 leaves even the header unanswered.
bool PrinterModel::AcknowledgesRow(int row) const {
  if (!options_.stopAckAfterRow) return true;
  const int last = *options_.stopAckAfterRow;
  return last > 0 && row <= last;
}

void PrinterModel::HandleLogoHeader(const ParsedCommand& command, std::int64_t nowMs) {
  const int slot = command.code == 0xF4 ? 1 : command.code == 0xF8 ? 2 : 3;
  ++received_.logoHeaders[static_cast<size_t>(slot - 1)];
  const int size = command.payload[0] + 256 * command.payload[1];
  logoProgress_ = LogoProgress{slot, size / kLogoRowBytes, 0};
  logoBuffer_ = LogoImage{};
  logoBuffer_.rows.reserve(static_cast<size_t>(logoProgress_->rowsExpected * kLogoRowBytes));
  if (HangsUpAt(0, nowMs)) return;
  if (AcknowledgesRow(0)) Reply(nowMs + options_.timing.ackDelayMs, {kRowAck});
  if (logoProgress_->rowsExpected == 0) FinishLogo(nowMs);
}

void PrinterModel::HandleLogoRow(const ParsedCommand& command, std::int64_t nowMs) {
  if (!logoProgress_) return;
  ++received_.logoRows;
  logoBuffer_.rows.insert(logoBuffer_.rows.end(), command.payload.begin(), command.payload.end());
  logoProgress_->rowsReceived = command.rowIndex;
  if (HangsUpAt(command.rowIndex, nowMs)) return;
  if (AcknowledgesRow(command.rowIndex)) Reply(nowMs + options_.timing.ackDelayMs, {kRowAck});
  if (command.rowIndex >= logoProgress_->rowsExpected) FinishLogo(nowMs);
}

void PrinterModel::FinishLogo(std::int64_t nowMs) {
  const int slot = logoProgress_->slot;
  const bool acknowledged = AcknowledgesRow(logoProgress_->rowsExpected);
  logoBuffer_.height = logoProgress_->rowsExpected;
  logos_[static_cast<size_t>(slot - 1)] = std::move(logoBuffer_);
  logoBuffer_ = LogoImage{};
  ++logoVersions_[static_cast<size_t>(slot - 1)];
  logoProgress_.reset();
  ++handledCommands_;
  // The schedule keeps this clear of the last "B", so the tool reads it apart.
  if (acknowledged) ReplyAfterProcessing(nowMs, {kLogoDone});
}

}  // namespace orvex::sim
