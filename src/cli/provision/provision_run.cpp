#include "cli/provision/provision_run.h"

#include <algorithm>

#include "cli/printer_job.h"
#include "cli/provision/verification.h"
#include "cli/readouts.h"
#include "core/commands/clock_setting.h"
#include "core/commands/queries.h"
#include "core/formats/settings.h"

namespace orvex::cli::provision {

namespace {

using cli::CheckRecord;
using cli::CheckResult;
using cli::Outcome;
using cli::PrinterHost;
using cli::ProgressSink;
using Step = core::DownloadAllStep;

std::string StepLabel(Step step) {
  return "step " + std::to_string(StepNumber(step)) + " " + StepName(step);
}

class StepObserver : public core::DownloadAllObserver {
 public:
  StepObserver(core::Session& session, PrinterHost& host, PrinterReport& report, ProgressSink& sink)
      : session_(session), host_(host), report_(report), sink_(sink) {}

  void StepStarting(Step step) override {
    current_ = step;
    startMs_ = host_.NowMs();
    // The step's own lines follow its STEP line, which the batch writes first.
    firstLine_ = session_.io.memo.LineCount() + 1;
    firstMessage_ = host_.MessageCount();
    sink_.Activity("step " + std::to_string(core::StepNumber(step)) + "/" +
                   std::to_string(core::kDownloadAllSteps) + " " + StepName(step));
  }

  void StepFinished(Step step, core::StepResult result) override {
    StepRecord& record = report_.Step(step);
    record.seconds = static_cast<double>(host_.NowMs() - startMs_) / 1000.0;
    std::vector<std::string> said = host_.LinesFrom(firstLine_);
    for (std::string& message : host_.MessagesFrom(firstMessage_)) said.push_back(message);
    record.detail = cli::JoinLines(said);
    record.result = Classify(step, result, record.detail);
    finished_ = core::StepNumber(step);
    std::string event = StepLabel(step) + ": " + StepOutcomeName(record.result) + ", " +
                        cli::Seconds(record.seconds);
    if (!record.detail.empty()) event += ": " + record.detail;
    sink_.Event(event);
  }

  int finished() const { return finished_; }
  std::optional<Step> current() const { return current_; }

 private:
  StepOutcome Classify(Step step, core::StepResult result, std::string& detail) const {
    switch (result) {
      case core::StepResult::Done:
        return StepOutcome::Done;
      case core::StepResult::Skipped:
        detail = step == Step::Clock ? "--no-clock: the printer's clock is left alone"
                                     : "no --erase-records: the day records are kept";
        return StepOutcome::Skipped;
      case core::StepResult::NotSent:
        break;
      case core::StepResult::Rejected:
        return StepOutcome::Failed;
      case core::StepResult::NoAnswer:
        // After a stop request a request may be given up unanswered.
        return host_.StopRequested() ? StepOutcome::Interrupted : StepOutcome::Failed;
      case core::StepResult::Interrupted:
        return StepOutcome::Interrupted;
    }
    // Nothing went out. Two reasons are no failure: a PC year the printer
    // cannot hold, and a logo slot the setup leaves empty.
    if (step == Step::Clock) {
      const auto reading = host_.LastClockReading();
      if (reading && core::ClockYearProblem(*reading)) {
        detail = *ClockYearProblem(*reading) + " The printer holds the years 2002 to 2021.";
        return StepOutcome::Skipped;
      }
    }
    if (const auto logo = LogoSlot(step); logo && session_.setup.logos[*logo].path.empty()) {
      detail = "no logo " + std::to_string(*logo + 1) + " in the setup";
      return StepOutcome::Skipped;
    }
    return StepOutcome::Failed;
  }

  static std::optional<std::size_t> LogoSlot(Step step) {
    if (core::StepNumber(step) < StepNumber(Step::Logo1)) return std::nullopt;
    return static_cast<std::size_t>(core::StepNumber(step) - StepNumber(Step::Logo1));
  }

  core::Session& session_;
  PrinterHost& host_;
  PrinterReport& report_;
  ProgressSink& sink_;
  std::int64_t startMs_ = 0;
  int firstLine_ = 0;
  int firstMessage_ = 0;
  int finished_ = 0;
  std::optional<Step> current_;
};

void ReadFirmware(core::Session& session, PrinterHost& host, PrinterReport& report,
                  ProgressSink& sink) {
  sink.Activity("reading the firmware version");
  if (!cli::Ask(session, core::ReadFirmwareVersion)) {
    if (!host.StopRequested() && !host.HungUp()) {
      cli::Fail(report, "no answer to the firmware query");
    }
    return;
  }
  report.firmware = DecodeFirmwareReply(session.rx);
  sink.Event("firmware " + cli::Describe(*report.firmware));
}

// The multiplier request exactly as step 3 sent it; nullopt when a box is
// not a number (step 3 then sent nothing).
std::optional<core::MultiplierReply> SentMultipliers(const core::TicketSetup& setup) {
  const core::MultiplierSettings& m = setup.multipliers;
  std::int32_t values[4] = {};
  const std::string* texts[4] = {&m.coin, &m.note, &m.payout, &m.decimals};
  for (int i = 0; i < 4; ++i) {
    const auto value = core::ParseWholeNumber(*texts[i]);
    if (!value) return std::nullopt;
    values[i] = *value;
  }
  return core::MultipliersInRequest(
      core::EncodeMultiplierRequest(values[0], values[1], values[2], values[3]));
}

void AddCheck(PrinterReport& report, ProgressSink& sink, CheckRecord check) {
  std::string event = "check " + check.item + ": " + cli::CheckResultName(check.result);
  if (!check.read.empty()) event += " (read " + check.read + ")";
  sink.Event(event);
  if (!cli::CheckPassed(check.result)) {
    cli::Fail(report, check.item + " read back: " + cli::CheckResultName(check.result));
  }
  report.checks.push_back(std::move(check));
}

// False when a query went unanswered: the others would wait as long.
bool ReadBack(core::Session& session, PrinterHost& host, PrinterReport& report, ProgressSink& sink,
              const char* item, void (*query)(core::Session&),
              const std::function<CheckRecord()>& compare) {
  sink.Activity(std::string("reading back the ") + item);
  if (!cli::Ask(session, query)) {
    if (host.StopRequested() || host.HungUp()) return false;
    AddCheck(report, sink, {item, CheckResult::NoAnswer, "", ""});
    return false;
  }
  AddCheck(report, sink, compare());
  return true;
}

bool Done(const PrinterReport& report, Step step) {
  return report.Step(step).result == StepOutcome::Done;
}

void Verify(core::Session& session, PrinterHost& host, PrinterReport& report, ProgressSink& sink) {
  const core::TicketSetup& setup = session.setup;
  if (Done(report, Step::Multipliers)) {
    const auto sent = SentMultipliers(setup);
    if (sent && !ReadBack(session, host, report, sink, "multipliers", core::ReadMultipliers, [&] {
          return CheckMultipliers(*sent, DecodeMultiplierReply(session.rx));
        })) {
      return;
    }
  }
  if (Done(report, Step::PrintStatus)) {
    const std::uint8_t sent = setup.printStatus.Byte();
    if (!ReadBack(session, host, report, sink, "print status", core::ReadPrintStatus,
                  [&] { return CheckPrintStatus(sent, session.rx[0]); })) {
      return;
    }
  }
  if (Done(report, Step::Clock)) {
    if (!ReadBack(session, host, report, sink, "clock", core::ReadPrinterClock, [&] {
          return CheckClock(DecodeDateTimeReply(session.rx), session.io.clock.Now());
        })) {
      return;
    }
  }
  // Formats and logos cannot be read back: their answer is all there is.
  for (int number = StepNumber(Step::CoinFormat); number <= core::kDownloadAllSteps; ++number) {
    const auto step = static_cast<Step>(number);
    if (!Done(report, step)) continue;
    const auto first = StepNumber(Step::Logo1);
    std::string item =
        number < first ? StepName(step) : "Logo " + std::to_string(number - first + 1);
    AddCheck(report, sink, {item, CheckResult::Acknowledged, "", ""});
  }
}

}  // namespace

void RunProvisioning(core::Session& session, PrinterHost& host, const ProvisionSettings& settings,
                     PrinterReport& report, ProgressSink& sink) {
  const std::int64_t startMs = host.NowMs();
  auto finish = [&] { cli::Finish(report, host, sink, startMs); };

  cli::IdentifySettings identify;
  identify.probe = settings.probe;
  identify.onlineWaitMs = settings.onlineWaitMs;
  identify.silentHint = " (switched off, or already on: try --probe)";
  cli::Identify(session, host, identify, report, sink);
  if (!report.online) return finish();
  ReadFirmware(session, host, report, sink);
  if (!report.firmware || host.StopRequested()) return finish();

  StepObserver observer(session, host, report, sink);
  core::DownloadAllOptions options;
  options.setClock = settings.setClock;
  options.eraseRecords = settings.eraseRecords;
  options.observer = &observer;
  DownloadAll(session, options);

  if (host.HungUp()) {
    cli::Fail(report, "the port hung up during " +
                          StepLabel(observer.current().value_or(Step::Clock)) +
                          " (printer unplugged or switched off)");
  }
  for (const StepRecord& step : report.steps) {
    if (StepNumber(step.step) <= observer.finished() && step.result == StepOutcome::Failed) {
      cli::Fail(report, StepLabel(step.step) + ": " + StepOutcomeName(step.result) +
                            (step.detail.empty() ? "" : " (" + step.detail + ")"));
      break;
    }
  }
  if (host.StopRequested() || host.HungUp()) return finish();
  if (observer.finished() < core::kDownloadAllSteps) {
    cli::Fail(report, observer.finished() == 0
                          ? "the batch did not start: the printer was lost"
                          : "the batch stopped after step " + std::to_string(observer.finished()) +
                                ": the printer was lost");
    return finish();
  }
  if (session.state.linkState != core::LinkState::Online) {
    cli::Fail(report, "the printer was lost after the last step");
    return finish();
  }
  Verify(session, host, report, sink);
  finish();
}

}  // namespace orvex::cli::provision
