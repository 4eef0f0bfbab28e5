// orvex-provision: sets up many printers at once from a setup saved by
// orvex-tool, one thread per printer, and reports what each printer took.

#include <unistd.h>

#include <atomic>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/display.h"
#include "cli/exit_status.h"
#include "cli/port_list.h"
#include "cli/printer_worker.h"
#include "cli/provision/command_line.h"
#include "cli/provision/report_json.h"
#include "cli/provision/setup_file.h"
#include "cli/report_output.h"
#include "cli/run_loop.h"
#include "cli/status_board.h"
#include "core/text/escaped_text.h"

namespace orvex::cli::provision {
namespace {

constexpr const char* kProgram = "orvex-provision";

int BadInput(const std::vector<std::string>& problems) {
  // A problem may quote a format file's line: nothing of it acts on the terminal.
  for (const std::string& problem : problems) {
    std::cerr << kProgram << ": " << core::EscapeControls(problem) << '\n';
  }
  std::cerr << kProgram << ": nothing was sent\n";
  return cli::kExitBadInput;
}

int Run(const CommandLine& command) {
  const SetupLoad setup = LoadSetup(command.setupPath);
  if (!setup.setup) return BadInput(setup.problems);
  const cli::PortList ports = cli::ResolvePorts(command.ports);
  if (!ports.problems.empty()) return BadInput(ports.problems);
  if (command.jsonPath) {
    if (const auto problem = cli::ReportPathProblem(*command.jsonPath, "--json")) {
      return BadInput({*problem});
    }
  }

  const cli::StopSignals signals;
  RunReport run;
  run.version = ORVEX_VERSION;
  run.setupPath = cli::AbsolutePath(command.setupPath);
  run.started = cli::LocalTimestamp();
  run.eraseRecords = command.settings.eraseRecords;
  run.setClock = command.settings.setClock;
  run.probe = command.settings.probe;

  std::vector<std::string> names;
  for (const cli::PortChoice& port : ports.ports) names.push_back(port.name);
  cli::StatusBoard board(names);
  std::atomic<bool> stop{false};
  std::vector<std::unique_ptr<cli::PrinterWorker>> workers;
  run.printers.resize(ports.ports.size());
  for (std::size_t i = 0; i < ports.ports.size(); ++i) {
    workers.push_back(std::make_unique<cli::PrinterWorker>(ports.ports[i], board.SinkFor(i), stop));
    workers.back()->session().setup = *setup.setup;
  }

  const bool reportOnStandardOutput = command.jsonPath == cli::kToStandardOutput;
  std::ostream& progress = reportOnStandardOutput ? std::cerr : std::cout;
  cli::Display display(board, progress, reportOnStandardOutput ? STDERR_FILENO : STDOUT_FILENO,
                       command.plain);
  cli::PrinterThreads threads;
  threads.program = kProgram;
  threads.stoppingWhat = "the steps under way";
  threads.count = workers.size();
  threads.run = [&](std::size_t i) {
    cli::PrinterWorker& worker = *workers[i];
    PrinterReport& report = run.printers[i];
    worker.Run(report, [&] {
      RunProvisioning(worker.session(), worker, command.settings, report, board.SinkFor(i));
    });
  };
  threads.wake = [&workers] {
    for (auto& worker : workers) worker->Wake();
  };
  const bool stopped = cli::RunPrinters(threads, board, display, stop, signals);

  std::vector<const cli::PrinterRecord*> records;
  for (const PrinterReport& report : run.printers) records.push_back(&report);
  run.interrupted = stopped;
  int status = cli::RunStatus(records, stopped);
  if (command.jsonPath) {
    run.exitStatus = status;
    if (!cli::WriteReport(*command.jsonPath, ReportJson(run))) {
      std::cerr << kProgram << ": cannot write the report "
                << (reportOnStandardOutput ? "to standard output" : *command.jsonPath) << '\n';
      status = cli::kExitReportNotWritten;
    }
  }
  display.Finish(records, stopped);
  return status;
}

}  // namespace
}  // namespace orvex::cli::provision

int main(int argc, char** argv) {
  using namespace orvex::cli::provision;
  const CommandLine command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (command.action) {
    case CommandLine::Action::Help:
      std::cout << UsageText();
      return orvex::cli::kExitAllSucceeded;
    case CommandLine::Action::Version:
      std::cout << kProgram << ' ' << ORVEX_VERSION << '\n';
      return orvex::cli::kExitAllSucceeded;
    case CommandLine::Action::Error:
      std::cerr << kProgram << ": " << command.error << "\nTry '" << kProgram << " --help'.\n";
      return orvex::cli::kExitBadInput;
    case CommandLine::Action::Run:
      break;
  }
  return Run(command);
}
