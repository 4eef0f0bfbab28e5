#include "provision_run.h"

#include <algorithm>
#include <cstdio>

#include "commands/clock_setting.h"
#include "commands/queries.h"
#include "formats/settings.h"
#include "link/link_control.h"
#include "verification.h"

namespace orvex::provision {

namespace {

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

// The step's own lines and message boxes, without its STEP line and the
// empty lines: "Download coin format finished .".
std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (line.empty() || line.rfind("STEP ", 0) == 0) continue;
    if (!text.empty()) text += " / ";
    text += line;
  }
  return text;
}

// A step stopped on request is left undone, not failed.
bool IsFailure(const StepRecord& step) {
  return step.result == "failed";
}

class StepObserver : public DownloadAllObserver {
 public:
  StepObserver(Session& session, PrinterHost& host, PrinterReport& report, ProgressSink& sink)
      : session_(session), host_(host), report_(report), sink_(sink) {}

  void StepStarting(int step) override {
    current_ = step;
    startMs_ = host_.NowMs();
    firstLine_ = session_.io.memo.LineCount();
    firstMessage_ = host_.MessageCount();
    sink_.Activity("step " + std::to_string(step) + "/" + std::to_string(kDownloadAllSteps) + " " +
                   StepName(step));
  }

  void StepFinished(int step, StepResult result) override {
    StepRecord& record = report_.steps[static_cast<std::size_t>(step - 1)];
    record.seconds = static_cast<double>(host_.NowMs() - startMs_) / 1000.0;
    std::vector<std::string> said = host_.LinesFrom(firstLine_);
    for (std::string& message : host_.MessagesFrom(firstMessage_)) said.push_back(message);
    record.detail = JoinLines(said);
    record.result = Classify(step, result, record.detail);
    finished_ = step;
    std::string event = "step " + std::to_string(step) + " " + record.name + ": " + record.result +
                        ", " + Seconds(record.seconds);
    if (!record.detail.empty()) event += ": " + record.detail;
    sink_.Event(event);
  }

  int finished() const { return finished_; }
  int current() const { return current_; }

 private:
  std::string Classify(int step, StepResult result, std::string& detail) const {
    switch (result) {
      case StepResult::Done:
        return "done";
      case StepResult::Skipped:
        detail = step == 1 ? "--no-clock: the printer's clock is left alone"
                           : "no --erase-records: the day records are kept";
        return "skipped";
      case StepResult::NotSent:
        break;
      case StepResult::Rejected:
        return "failed";
      case StepResult::NoAnswer:
        // After a stop request a request may be given up unanswered.
        return host_.StopRequested() ? "interrupted" : "failed";
      case StepResult::Interrupted:
        return "interrupted";
    }
    // Nothing went out. Two reasons are no failure: a PC year the printer
    // cannot hold, and a logo slot the setup leaves empty.
    if (step == 1) {
      const auto reading = host_.LastClockReading();
      if (reading && ClockYearProblem(*reading)) {
        detail = *ClockYearProblem(*reading) + " The printer holds the years 2002 to 2021.";
        return "skipped";
      }
    }
    if (step >= 8 && session_.setup.logos[static_cast<std::size_t>(step - 8)].path.empty()) {
      detail = "no logo " + std::to_string(step - 7) + " in the setup";
      return "skipped";
    }
    return "failed";
  }

  Session& session_;
  PrinterHost& host_;
  PrinterReport& report_;
  ProgressSink& sink_;
  std::int64_t startMs_ = 0;
  int firstLine_ = 0;
  int firstMessage_ = 0;
  int finished_ = 0;
  int current_ = 0;
};

// Sends one query and waits for its reply section; false when the reply
// timeout (or a stop, or a hang-up) ended the wait instead.
bool Ask(Session& session, PrinterHost& host, void (*query)(Session&), Request request) {
  const std::uint64_t answered = session.requestsAnswered;
  query(session);
  if (!session.pending.Has(request)) return false;  // refused by its guard
  host.WaitUntil([&session, request] { return !session.pending.Has(request); }, -1);
  return session.requestsAnswered != answered;
}

void Fail(PrinterReport& report, const std::string& reason) {
  if (report.outcome == Outcome::Running) report.outcome = Outcome::Failed;
  if (report.reason.empty()) report.reason = reason;
}

// The printer answers within tens of milliseconds and leaves 100 ms between
// bursts; this is time for a late answer to arrive.
constexpr int kSettleMs = 300;

bool Identified(const Session& session) {
  const ConnectionState& st = session.state;
  return st.identified && st.identifyStep == 0 && st.linkState == LinkState::Online;
}

void Identify(Session& session, PrinterHost& host, const ProvisionSettings& settings,
              PrinterReport& report, ProgressSink& sink) {
  sink.Activity(settings.probe ? "asking for the printer's variant" : "waiting for the printer");
  if (settings.probe) ProbeVariant(session);
  if (host.WaitUntil([&session] { return Identified(session); }, settings.onlineWaitMs)) {
    // A printer asked twice (a probe crossing its announcement) answers
    // twice; the second answer must pass while nothing waits for a reply,
    // or it would be taken for the first request's.
    host.WaitUntil([] { return false; }, kSettleMs);
    report.online = true;
    report.variant = session.state.wideSymbols ? "20 symbols" : "18 symbols";
    sink.Event("online, " + report.variant + " printer");
    return;
  }
  if (host.StopRequested() || host.HungUp()) return;
  const std::string within = " within " + Seconds(settings.onlineWaitMs / 1000.0);
  Fail(report, settings.probe ? "no answer to the variant query" + within
                              : "the printer did not announce itself" + within +
                                    " (switched off, or already on: try --probe)");
}

void ReadFirmware(Session& session, PrinterHost& host, PrinterReport& report, ProgressSink& sink) {
  sink.Activity("reading the firmware version");
  if (!Ask(session, host, ReadFirmwareVersion, Request::Firmware)) {
    if (!host.StopRequested() && !host.HungUp()) Fail(report, "no answer to the firmware query");
    return;
  }
  report.firmware = DecodeFirmwareReply(session.rx);
  std::string version = report.firmware->version;
  while (!version.empty() && version.back() == ' ') version.pop_back();
  sink.Event("firmware " + version + ", checksums " + report.firmware->checksum1 + " " +
             report.firmware->checksum2);
}

// The multiplier request exactly as step 3 sent it; nullopt when a box is
// not a number (step 3 then sent nothing).
std::optional<MultiplierReply> SentMultipliers(const TicketSetup& setup) {
  const MultiplierSettings& m = setup.multipliers;
  std::int32_t values[4] = {};
  const std::string* texts[4] = {&m.coin, &m.note, &m.payout, &m.decimals};
  for (int i = 0; i < 4; ++i) {
    const auto value = ParseWholeNumber(*texts[i]);
    if (!value) return std::nullopt;
    values[i] = *value;
  }
  return MultipliersInRequest(EncodeMultiplierRequest(values[0], values[1], values[2], values[3]));
}

void AddCheck(PrinterReport& report, ProgressSink& sink, CheckRecord check) {
  std::string event = "check " + check.item + ": " + check.result;
  if (!check.read.empty()) event += " (read " + check.read + ")";
  sink.Event(event);
  if (check.result != "match" && check.result != "acknowledged") {
    Fail(report, check.item + " read back: " + check.result);
  }
  report.checks.push_back(std::move(check));
}

// False when a query went unanswered: the others would wait as long.
bool ReadBack(Session& session, PrinterHost& host, PrinterReport& report, ProgressSink& sink,
              const char* item, void (*query)(Session&), Request request,
              const std::function<CheckRecord()>& compare) {
  sink.Activity(std::string("reading back the ") + item);
  if (!Ask(session, host, query, request)) {
    if (host.StopRequested() || host.HungUp()) return false;
    AddCheck(report, sink, {item, "no answer", "", ""});
    return false;
  }
  AddCheck(report, sink, compare());
  return true;
}

void Verify(Session& session, PrinterHost& host, PrinterReport& report, ProgressSink& sink) {
  const TicketSetup& setup = session.setup;
  if (report.steps[2].result == "done") {
    const auto sent = SentMultipliers(setup);
    if (sent &&
        !ReadBack(session, host, report, sink, "multipliers", ReadMultipliers, Request::Multiplier,
                  [&] { return CheckMultipliers(*sent, DecodeMultiplierReply(session.rx)); })) {
      return;
    }
  }
  if (report.steps[3].result == "done") {
    const std::uint8_t sent = setup.printStatus.Byte();
    if (!ReadBack(session, host, report, sink, "print status", ReadPrintStatus,
                  Request::PrintStatus, [&] { return CheckPrintStatus(sent, session.rx[0]); })) {
      return;
    }
  }
  if (report.steps[0].result == "done") {
    if (!ReadBack(session, host, report, sink, "clock", ReadPrinterClock, Request::DateTime, [&] {
          return CheckClock(DecodeDateTimeReply(session.rx), session.io.clock.Now());
        })) {
      return;
    }
  }
  // Formats and logos cannot be read back: their answer is all there is.
  for (int step = 5; step <= kDownloadAllSteps; ++step) {
    const StepRecord& record = report.steps[static_cast<std::size_t>(step - 1)];
    if (record.result != "done") continue;
    std::string item = step <= 7 ? StepName(step) : "Logo " + std::to_string(step - 7);
    AddCheck(report, sink, {item, "acknowledged", "", ""});
  }
}

}  // namespace

std::string StepName(int step) {
  const std::string line = DownloadAllStepLine(step);
  const std::size_t open = line.find('(');
  const std::size_t close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return line;
  return line.substr(open + 1, close - open - 1);
}

void RunProvisioning(Session& session, PrinterHost& host, const ProvisionSettings& settings,
                     PrinterReport& report, ProgressSink& sink) {
  const std::int64_t startMs = host.NowMs();
  auto finish = [&] {
    if (report.outcome == Outcome::Running) {
      if (host.StopRequested()) {
        report.outcome = Outcome::Interrupted;
        if (report.reason.empty()) report.reason = "stopped by a signal";
      } else if (host.HungUp()) {
        Fail(report, "the port hung up (printer unplugged or switched off)");
      }
    }
    if (report.outcome == Outcome::Running) report.outcome = Outcome::Succeeded;
    report.seconds = static_cast<double>(host.NowMs() - startMs) / 1000.0;
    sink.Activity(report.outcome == Outcome::Failed ? "FAILED: " + report.reason
                                                    : std::string(OutcomeName(report.outcome)));
  };

  Identify(session, host, settings, report, sink);
  if (!report.online) return finish();
  ReadFirmware(session, host, report, sink);
  if (!report.firmware || host.StopRequested()) return finish();

  StepObserver observer(session, host, report, sink);
  DownloadAllOptions options;
  options.setClock = settings.setClock;
  options.eraseRecords = settings.eraseRecords;
  options.observer = &observer;
  DownloadAll(session, options);

  if (host.HungUp()) {
    const int step = std::max(observer.current(), 1);
    Fail(report, "the port hung up during step " + std::to_string(step) + " " + StepName(step) +
                     " (printer unplugged or switched off)");
  }
  for (const StepRecord& step : report.steps) {
    if (step.number <= observer.finished() && IsFailure(step)) {
      Fail(report, "step " + std::to_string(step.number) + " " + step.name + ": " + step.result +
                       (step.detail.empty() ? "" : " (" + step.detail + ")"));
      break;
    }
  }
  if (host.StopRequested() || host.HungUp()) return finish();
  if (observer.finished() < kDownloadAllSteps) {
    Fail(report, observer.finished() == 0
                     ? "the batch did not start: the printer was lost"
                     : "the batch stopped after step " + std::to_string(observer.finished()) +
                           ": the printer was lost");
    return finish();
  }
  if (session.state.linkState != LinkState::Online) {
    Fail(report, "the printer was lost after the last step");
    return finish();
  }
  Verify(session, host, report, sink);
  finish();
}

}  // namespace orvex::provision
