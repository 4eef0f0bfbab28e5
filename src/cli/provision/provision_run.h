#pragma once
// One printer's provisioning, from the wait for its announcement to the
// read-back of what was sent. It drives the core through a Session and
// needs from its host only waiting and a clock; the host implements the
// core's ports (a real serial port, or the virtual bench in tests).

#include "cli/printer_host.h"
#include "cli/provision/printer_report.h"
#include "core/session.h"

namespace orvex::cli::provision {

struct ProvisionSettings {
  bool probe = false;         // ask for the variant instead of awaiting the announcement
  bool setClock = true;       // --no-clock clears it
  bool eraseRecords = false;  // --erase-records sets it
  int onlineWaitMs = 15000;   // how long to wait for the printer to be identified
};

// Runs everything after the port is open. The session's setup must hold the
// setup to apply; report.port and report.device are the caller's.
void RunProvisioning(core::Session& session, cli::PrinterHost& host,
                     const ProvisionSettings& settings, PrinterReport& report,
                     cli::ProgressSink& sink);

}  // namespace orvex::cli::provision
