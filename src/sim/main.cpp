// orvex-sim: a simulated Orvex ticket printer on a pseudo-terminal, so the
// tool can be tried without hardware.

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "sim/model/command_line.h"
#include "sim/model/printer_model.h"
#include "sim/tool/byte_times.h"
#include "sim/tool/port_host.h"
#include "sim/tool/sim_server.h"
#include "sim/tool/state_outputs.h"
#include "sim/tool/trace.h"

namespace {

orvex::sim::DateTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
          local.tm_hour,
          local.tm_min,
          local.tm_sec};
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orvex::sim;
  const ParsedCommandLine parsed =
      ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (parsed.action == ParsedCommandLine::Action::Help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (parsed.action == ParsedCommandLine::Action::Version) {
    std::puts("orvex-sim " ORVEX_VERSION);
    return 0;
  }
  if (parsed.action == ParsedCommandLine::Action::Error) {
    std::fprintf(stderr, "orvex-sim: %s\n", parsed.error.c_str());
    return 2;
  }
  SimConfig config = parsed.config;

  // The signals arrive through a descriptor, so the server's poll() sees them
  // and the port link is removed on the way out.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  const int stopFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
  if (stopFd < 0) {
    std::perror("orvex-sim: signalfd");
    return 1;
  }

  std::string error;
  std::string warning;
  std::optional<PortHost> host = PortHost::Open(config.port, &error, &warning);
  if (!host) {
    std::fprintf(stderr, "orvex-sim: %s\n", error.c_str());
    return 1;
  }
  if (!warning.empty()) std::fprintf(stderr, "orvex-sim: %s\n", warning.c_str());

  const auto start = std::chrono::steady_clock::now();
  config.printer.clock = LocalNow();
  config.printer.clockAtMs = 0;
  PrinterModel printer(config.printer);
  Trace trace(config.trace, stderr);
  StateOutputs outputs(config.stateFile, config.logoDir);
  ByteTimes byteTimes(config.byteTimesFile);
  if (!byteTimes.ok()) {
    std::fprintf(stderr, "orvex-sim: cannot write %s\n", config.byteTimesFile->c_str());
    return 1;
  }

  std::printf("orvex-sim serving %s on %s\n", config.port.c_str(), host->pty().slavePath().c_str());
  std::fflush(stdout);

  SimServer server(*host, printer, trace, outputs, start, config.port);
  server.RecordByteTimes(&byteTimes);
  const int code = server.Run(stopFd);
  host->Close();
  close(stopFd);
  return code;
}
