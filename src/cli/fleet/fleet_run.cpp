#include "cli/fleet/fleet_run.h"

#include <cstdio>

#include "cli/readouts.h"
#include "core/link/link_control.h"

namespace orvex::cli::fleet {

const char* TaskResultName(TaskResult result) {
  switch (result) {
    case TaskResult::NotRun:
      return "not run";
    case TaskResult::Done:
      return "done";
    case TaskResult::Failed:
      return "failed";
    case TaskResult::Interrupted:
      break;
  }
  return "interrupted";
}

namespace {

using cli::CheckRecord;
using cli::PrinterHost;
using cli::ProgressSink;

std::string Hex(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

core::CalendarDate DateAt(const core::ReceiveBuffer& rx, std::size_t at) {
  return {2000 + rx[at], rx[at + 1], rx[at + 2]};
}

class TaskRunner {
 public:
  TaskRunner(core::Session& session, PrinterHost& host, const FleetSettings& settings,
             FleetPrinterReport& report, ProgressSink& sink, const SavedWorkbook& savedWorkbook)
      : s_(session),
        host_(host),
        settings_(settings),
        report_(report),
        sink_(sink),
        savedWorkbook_(savedWorkbook) {}

  // False when the printer was lost: the tasks after it would wait as long.
  bool Run(TaskRecord& record) {
    const TaskInfo& info = InfoOf(record.task);
    sink_.Activity(info.activity);
    // A record renewal holds the printer busy; the operator at the window
    // waits for its end (at most the 90 seconds of its watch), and so does this.
    if (s_.state.busy && !host_.WaitUntil([this] { return !s_.state.busy; }, -1)) return false;
    const std::int64_t startMs = host_.NowMs();
    const int firstLine = s_.io.memo.LineCount();
    const int firstMessage = host_.MessageCount();
    const std::uint64_t sentBefore = s_.bytesSent;
    record.result = TaskResult::Done;
    bool lost = false;

    if (info.kind == TaskKind::Setting) {
      info.command(s_);
      if (s_.bytesSent == sentBefore) {
        Failed(record, "refused, nothing was sent");
      } else if (s_.state.linkState != core::LinkState::Online) {
        Failed(record, "the line took no more bytes");
        lost = true;
      }
    } else {
      const bool answered =
          info.kind == TaskKind::Search
              ? cli::Ask(s_, [this] { core::SearchAndPrint(s_, settings_.period); })
              : cli::Ask(s_, info.command);
      if (!answered) {
        lost = s_.bytesSent != sentBefore;
        if (!lost) {
          Failed(record, "refused, nothing was sent");
        } else if (host_.StopRequested()) {
          record.result = TaskResult::Interrupted;
          record.problem = "given up after the stop: no answer";
        } else if (host_.HungUp()) {
          Failed(record, "the port hung up");
        } else {
          Failed(record, "no answer within " + std::to_string(core::kReplyTimeoutSeconds) + " s");
        }
      } else {
        TakeAnswer(record);
      }
    }

    record.seconds = static_cast<double>(host_.NowMs() - startMs) / 1000.0;
    std::vector<std::string> said = host_.LinesFrom(firstLine);
    for (std::string& message : host_.MessagesFrom(firstMessage)) said.push_back(message);
    record.detail = cli::JoinLines(said);
    std::string event = TaskName(record.task) + ": " + TaskResultName(record.result) + ", " +
                        cli::Seconds(record.seconds);
    if (!record.problem.empty()) event += " (" + record.problem + ")";
    if (!record.detail.empty()) event += ": " + record.detail;
    sink_.Event(event);
    if (record.result == TaskResult::Failed) {
      cli::Fail(report_, TaskName(record.task) + ": " + record.problem);
    }
    return !lost;
  }

 private:
  void Failed(TaskRecord& record, const std::string& problem) {
    record.result = TaskResult::Failed;
    record.problem = problem;
  }

  // The answer as the reply section left it in the receive buffer.
  void TakeAnswer(TaskRecord& record) {
    const core::ReceiveBuffer& rx = s_.rx;
    switch (record.task) {
      case Task::Firmware:
        report_.firmware = core::DecodeFirmwareReply(rx);
        break;
      case Task::Clock:
        report_.clock = ClockReading{core::DecodeDateTimeReply(rx), s_.io.clock.Now()};
        if (report_.clock->printer.readError)
          Failed(record, "the printer could not read its clock");
        break;
      case Task::Multipliers:
        report_.multipliers = core::DecodeMultiplierReply(rx);
        break;
      case Task::PrintStatus:
        report_.printStatus = core::DecodePrintStatus(rx[0]);
        break;
      case Task::Totals:
        report_.totals = core::DecodeSummaryReply(rx);
        break;
      case Task::RecordSearch:
        TakeSearchAnswer(record);
        return;
      default:
        // A test print or report: 1 done, 0 no paper (or busy).
        if (rx[0] == 0) {
          Failed(record, "no paper, or the printer is busy");
        } else if (rx[0] != 1) {
          Failed(record, "the printer answered " + Hex(rx[0]) + ", neither done nor no paper");
        }
        return;
    }
    // The window decodes a short read as it comes; here it fails the task.
    if (record.result == TaskResult::Done && rx.ReadLength() < ReplyLength(record.task)) {
      Failed(record, "garbled answer: " + std::to_string(rx.ReadLength()) + " bytes where " +
                         std::to_string(ReplyLength(record.task)) + " come");
    }
  }

  void TakeSearchAnswer(TaskRecord& record) {
    const core::ReceiveBuffer& rx = s_.rx;
    const std::optional<std::string> saved = savedWorkbook_ ? savedWorkbook_() : std::nullopt;
    RecordsResult& records = report_.records.emplace();
    if (rx[0] == 0x00) {
      Failed(record, "no paper");
      return;
    }
    if (rx[0] == 0x55) return;  // "No record be found .": nothing to write
    records.found = true;
    records.selectedBegin = DateAt(rx, 0);
    records.selectedEnd = DateAt(rx, 3);
    records.workbook = saved;
    if (rx[6] == 1 && !saved) Failed(record, "the period workbook was not written");
  }

  core::Session& s_;
  PrinterHost& host_;
  const FleetSettings& settings_;
  FleetPrinterReport& report_;
  ProgressSink& sink_;
  const SavedWorkbook& savedWorkbook_;
};

void AddCheck(FleetPrinterReport& report, ProgressSink& sink, CheckRecord check) {
  std::string event = "check " + check.item + ": " + cli::CheckResultName(check.result);
  if (!check.read.empty()) event += " (read " + check.read + ", expected " + check.expected + ")";
  sink.Event(event);
  if (!cli::CheckPassed(check.result)) {
    std::string reason = check.item + ": " + cli::CheckResultName(check.result);
    if (!check.read.empty())
      reason += " (read " + check.read + ", expected " + check.expected + ")";
    cli::Fail(report, reason);
  }
  report.checks.push_back(std::move(check));
}

void Check(const Expectations& expect, FleetPrinterReport& report, ProgressSink& sink) {
  if (expect.firmware) AddCheck(report, sink, CheckFirmware(report.firmware, *expect.firmware));
  if (expect.checksums) AddCheck(report, sink, CheckChecksums(report.firmware, *expect.checksums));
  if (expect.clockToleranceMinutes) {
    if (report.clock) {
      AddCheck(report, sink,
               cli::CheckClock(report.clock->printer, report.clock->pc,
                               static_cast<std::int64_t>(*expect.clockToleranceMinutes) * 60));
    } else {
      AddCheck(report, sink, {"clock", cli::CheckResult::NoAnswer, "", ""});
    }
  }
}

}  // namespace

void RunFleetPrinter(core::Session& session, PrinterHost& host, const FleetSettings& settings,
                     FleetPrinterReport& report, ProgressSink& sink,
                     const SavedWorkbook& savedWorkbook) {
  const std::int64_t startMs = host.NowMs();
  report.tasks.clear();
  for (Task task : settings.tasks) {
    TaskRecord record;
    record.task = task;
    report.tasks.push_back(record);
  }

  cli::Identify(session, host, settings.identify, report, sink);
  if (report.online) {
    TaskRunner runner(session, host, settings, report, sink, savedWorkbook);
    for (TaskRecord& task : report.tasks) {
      if (host.StopRequested() || host.HungUp()) break;
      if (!runner.Run(task)) {
        if (!host.StopRequested() && !host.HungUp()) {
          cli::Fail(report, "the printer was lost at " + TaskName(task.task));
        }
        break;
      }
    }
  }
  std::string notDone;
  for (const TaskRecord& task : report.tasks) {
    if (task.result != TaskResult::NotRun && task.result != TaskResult::Interrupted) continue;
    notDone += (notDone.empty() ? "" : ", ") + TaskName(task.task);
  }
  if (report.online && notDone.empty() && !host.HungUp()) {
    // Everything was asked and answered, a stop meanwhile notwithstanding.
    Check(settings.expect, report, sink);
    if (report.outcome == cli::Outcome::Running) report.outcome = cli::Outcome::Succeeded;
  } else if (host.StopRequested() && report.outcome == cli::Outcome::Running) {
    report.reason = "stopped by a signal" + (notDone.empty() ? "" : "; not done: " + notDone);
  }
  cli::Finish(report, host, sink, startMs);
}

}  // namespace orvex::cli::fleet
