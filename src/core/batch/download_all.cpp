#include "batch/download_all.h"

#include "commands/actions.h"
#include "commands/clock_setting.h"
#include "formats/format_download.h"
#include "formats/settings.h"
#include "logos/logo_download.h"

namespace orvex {

namespace {

enum class AfterStep { CancelSaysInterrupt, CancelSilent, CancelOnly };

struct Step {
  const char* line;
  void (*handler)(Session&);
  bool PendingRequest::*flag;  // nullptr: the step awaits no answer
  AfterStep after;
};

constexpr Step kSteps[10] = {
    {"STEP 1 : (Date & Time)", SetPrinterClock, &PendingRequest::awaitClockSet,
     AfterStep::CancelSaysInterrupt},
    {"STEP 2 : (Erase Record)", EraseRecords, &PendingRequest::awaitErase,
     AfterStep::CancelSaysInterrupt},
    {"STEP 3 : (Data mutiplier & Decimal)", SendMultiplierSettings, nullptr,
     AfterStep::CancelSaysInterrupt},
    {"STEP 4 : (Printer status)", SendPrintStatus, nullptr, AfterStep::CancelSaysInterrupt},
    {"STEP 5 : (Coin Format)", DownloadCoinFormat, &PendingRequest::awaitCoinFormat,
     AfterStep::CancelSaysInterrupt},
    {"STEP 6 : (Note Format)", DownloadNoteFormat, &PendingRequest::awaitNoteFormat,
     AfterStep::CancelSaysInterrupt},
    {"STEP 7 : (Payout Format)", DownloadPayoutFormat, &PendingRequest::awaitPayoutFormat,
     AfterStep::CancelSaysInterrupt},
    {"STEP 8 : (Logo1)", DownloadLogo1, &PendingRequest::awaitLogo1, AfterStep::CancelSilent},
    {"STEP 9 : (Logo2)", DownloadLogo2, &PendingRequest::awaitLogo2, AfterStep::CancelSilent},
    {"STEP 10 : (Logo3)", DownloadLogo3, &PendingRequest::awaitLogo3, AfterStep::CancelOnly},
};

constexpr const char* kOffline = "Can't detect printer, please check it .";

struct RunningFlag {
  explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunningFlag() { flag_ = false; }
  bool& flag_;
};

}  // namespace

void DownloadAll(Session& session) {
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

  for (const Step& step : kSteps) {
    session.Append(step.line);
    step.handler(session);
    if (step.flag != nullptr) {
      const bool& flag = session.pending.*step.flag;
      session.io.events.WaitWhile([&flag] { return flag; });
    }
    session.io.link.Pause(1000);

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

}  // namespace orvex
