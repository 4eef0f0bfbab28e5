#pragma once
// The parts every printer's run has, whichever program runs it: waiting for
// the printer to be identified, asking it something the way a menu item
// does, and ending with one outcome.

#include <cstdint>
#include <functional>
#include <string>

#include "cli/printer_host.h"
#include "cli/printer_record.h"
#include "core/session.h"

namespace orvex::cli {

// Whether the session still waits for the reply to a request. The one
// place that looks at the pending requests.
bool RequestPending(const core::Session& session);

// Runs `command` as its menu item runs it and waits for its reply section
// as the core's own commands wait (a stop gives the request its grace);
// false when nothing was sent (its guard refused it), or the reply timeout,
// a stop or a hang-up ended the wait instead.
bool Ask(core::Session& session, const std::function<void()>& command);
bool Ask(core::Session& session, void (*command)(core::Session&));

// The record fails, with the first reason given.
void Fail(PrinterRecord& record, const std::string& reason);

struct IdentifySettings {
  bool probe = false;  // ask for the variant instead of awaiting the announcement
  int onlineWaitMs = 15000;
  // Said after "the printer did not announce itself within N s": what to do.
  std::string silentHint;
};
// Waits until the printer is identified and online; sets record.online and
// record.variant, or fails the record.
void Identify(core::Session& session, PrinterHost& host, const IdentifySettings& settings,
              PrinterRecord& record, ProgressSink& sink);

// The outcome of a run nothing failed: interrupted by a stop, failed by a
// hang-up, else succeeded; and the run's time from startMs.
void Finish(PrinterRecord& record, const PrinterHost& host, ProgressSink& sink,
            std::int64_t startMs);

// "2.8 s"
std::string Seconds(double seconds);

// The printer's lines and message boxes from a point on, without the empty
// lines, joined: "Renew records finished . / Download coin format finished .".
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace orvex::cli
