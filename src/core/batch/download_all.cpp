#include "core/batch/download_all.h"

#include <optional>

#include "core/commands/actions.h"
#include "core/commands/clock_setting.h"
#include "core/formats/format_download.h"
#include "core/formats/settings.h"
#include "core/logos/logo_download.h"

namespace orvex::core {

namespace {

enum class AfterStep { CancelSaysInterrupt, CancelSilent, CancelOnly };

struct Step {
  const char* line;
  void (*handler)(Session&);
  std::optional<Request> awaits;  // the answer the step waits for, if any
  AfterStep after;
  bool (*accepted)(const ReceiveBuffer&) = nullptr;  // the answer's verdict, if it has one
};

constexpr Step kSteps[kDownloadAllSteps] = {
    {"STEP 1 : (Date & Time)", SetPrinterClock, Request::ClockSet, AfterStep::CancelSaysInterrupt,
     ClockSetAccepted},
    {"STEP 2 : (Erase Record)", EraseRecords, Request::Erase, AfterStep::CancelSaysInterrupt,
     EraseAccepted},
    {"STEP 3 : (Data mutiplier & Decimal)", SendMultiplierSettings, std::nullopt,
     AfterStep::CancelSaysInterrupt},
    {"STEP 4 : (Printer status)", SendPrintStatus, std::nullopt, AfterStep::CancelSaysInterrupt},
    {"STEP 5 : (Coin Format)", DownloadCoinFormat, Request::CoinFormat,
     AfterStep::CancelSaysInterrupt},
    {"STEP 6 : (Note Format)", DownloadNoteFormat, Request::NoteFormat,
     AfterStep::CancelSaysInterrupt},
    {"STEP 7 : (Payout Format)", DownloadPayoutFormat, Request::PayoutFormat,
     AfterStep::CancelSaysInterrupt},
    {"STEP 8 : (Logo1)", DownloadLogo1, Request::Logo1, AfterStep::CancelSilent},
    {"STEP 9 : (Logo2)", DownloadLogo2, Request::Logo2, AfterStep::CancelSilent},
    {"STEP 10 : (Logo3)", DownloadLogo3, Request::Logo3, AfterStep::CancelOnly},
};

constexpr const char* kOffline = "Can't detect printer, please check it .";

// What the session looked like when a step began.
struct StepMark {
  std::uint64_t bytesSent;
  std::uint64_t requestsAnswered;
};

StepResult ResultOf(const Session& session, const Step& step, const StepMark& mark) {
  if (session.bytesSent == mark.bytesSent) return StepResult::NotSent;
  const bool answered = session.requestsAnswered != mark.requestsAnswered;
  if (answered) {
    return step.accepted == nullptr || step.accepted(session.rx) ? StepResult::Done
                                                                 : StepResult::Rejected;
  }
  if (session.state.linkState != LinkState::Online) return StepResult::NoAnswer;
  // Sent and online but never answered: a step that awaits nothing, or a
  // logo download that Cancel stopped.
  return step.awaits ? StepResult::Interrupted : StepResult::Done;
}

struct RunningFlag {
  explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunningFlag() { flag_ = false; }
  bool& flag_;
};

}  // namespace

const char* DownloadAllStepLine(int step) {
  return step >= 1 && step <= kDownloadAllSteps ? kSteps[step - 1].line : "";
}

const char* StepResultName(StepResult result) {
  switch (result) {
    case StepResult::Done:
      return "done";
    case StepResult::Rejected:
      return "rejected";
    case StepResult::NoAnswer:
      return "no answer";
    case StepResult::NotSent:
      return "not sent";
    case StepResult::Interrupted:
      return "interrupted";
    case StepResult::Skipped:
      break;
  }
  return "skipped";
}

void DownloadAll(Session& session) {
  DownloadAll(session, DownloadAllOptions{});
}

void DownloadAll(Session& session, const DownloadAllOptions& options) {
  ConnectionState& st = session.state;
  if (!st.identified) return;
  // A second batch started from inside the waits of a running one would
  // interleave two batches on one printer.
  if (session.batchRunning) {
    session.Append("Printer is busy right now .");
    session.AppendEmpty();
    return;
  }
  RunningFlag running(session.batchRunning);

  session.Append("Download all part begin!!");
  st.cancelLogo = false;
  st.cancelBatch = false;
  if (st.linkState != LinkState::Online) {
    session.Append(kOffline);
    session.AppendEmpty();
    return;
  }

  DownloadAllObserver* observer = options.observer;
  for (int number = 1; number <= kDownloadAllSteps; ++number) {
    const Step& step = kSteps[number - 1];
    const auto id = static_cast<DownloadAllStep>(number);
    if (observer != nullptr) observer->StepStarting(id);
    if ((id == DownloadAllStep::Clock && !options.setClock) ||
        (id == DownloadAllStep::EraseRecords && !options.eraseRecords)) {
      if (observer != nullptr) observer->StepFinished(id, StepResult::Skipped);
      continue;
    }
    const StepMark mark{session.bytesSent, session.requestsAnswered};
    session.Append(step.line);
    step.handler(session);
    if (const auto awaited = step.awaits) {
      session.io.events.WaitWhile([&session, awaited] { return session.pending.Has(*awaited); });
    }
    session.io.link.Pause(1000);
    if (observer != nullptr) observer->StepFinished(id, ResultOf(session, step, mark));

    if (st.cancelBatch) {
      if (step.after == AfterStep::CancelSaysInterrupt) {
        session.Append("Data transfer interrupt .");
        session.AppendEmpty();
      }
      return;
    }
    if (step.after != AfterStep::CancelOnly && st.linkState != LinkState::Online) {
      session.Append(kOffline);
      session.AppendEmpty();
      return;
    }
  }
  session.Append("Download all part finished!!");
  session.AppendEmpty();
}

}  // namespace orvex::core
