// orvex-fleet: one of the window's printer commands on many printers at
// once, one session per port, and a report of what each printer said.

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/display.h"
#include "cli/exit_status.h"
#include "cli/fleet/fleet_command_line.h"
#include "cli/fleet/fleet_json.h"
#include "cli/fleet/fleet_run.h"
#include "cli/fleet/workbook_names.h"
#include "cli/port_list.h"
#include "cli/printer_worker.h"
#include "cli/report_output.h"
#include "cli/run_loop.h"
#include "cli/status_board.h"
#include "core/text/escaped_text.h"
#include "platform/workbook/embedded_spreadsheet.h"
#include "platform/workbook/report_folder.h"

namespace orvex::cli::fleet {
namespace {

constexpr const char* kProgram = "orvex-fleet";

int BadInput(const std::vector<std::string>& problems) {
  for (const std::string& problem : problems) {
    std::cerr << kProgram << ": " << core::EscapeControls(problem) << '\n';
  }
  std::cerr << kProgram << ": nothing was sent\n";
  return cli::kExitBadInput;
}

// The folder the period workbooks go into, ending in '/', or why it cannot
// be: checked before anything is sent, as the reports' paths are.
std::optional<std::string> WorkbookFolder(const std::optional<std::string>& given,
                                          std::string* problem) {
  if (!given) return platform::workbook::DocumentsFolder(platform::workbook::ProcessEnvironment());
  const std::string folder = cli::AbsolutePath(*given);
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    *problem = "--folder " + *given + ": no such folder";
    return std::nullopt;
  }
  if (access(folder.c_str(), W_OK | X_OK) != 0) {
    *problem = "--folder " + *given + ": cannot make files in it";
    return std::nullopt;
  }
  return folder.back() == '/' ? folder : folder + "/";
}

// One printer's session and, for a period report, the window's workbook
// writer under the fleet's name for it.
struct Printer {
  std::unique_ptr<platform::workbook::EmbeddedSpreadsheet> writer;
  std::unique_ptr<FleetWorkbook> workbook;
  std::optional<std::string> saved;
  std::unique_ptr<cli::PrinterWorker> worker;
};

int Run(const FleetCommandLine& command) {
  const cli::PortList ports = cli::ResolvePorts(command.ports);
  if (!ports.problems.empty()) return BadInput(ports.problems);
  std::vector<std::string> names;
  for (const cli::PortChoice& port : ports.ports) names.push_back(port.name);
  std::string folder;
  if (*command.command == Command::Records) {
    if (auto clashes = WorkbookNameClashes(names); !clashes.empty()) return BadInput(clashes);
    std::string problem;
    const auto chosen = WorkbookFolder(command.folder, &problem);
    if (!chosen) return BadInput({problem});
    folder = *chosen;
  }
  for (const auto& [path, option] :
       {std::pair{command.jsonPath, "--json"}, std::pair{command.csvPath, "--csv"}}) {
    if (!path) continue;
    if (const auto problem = cli::ReportPathProblem(*path, option)) return BadInput({*problem});
  }

  const cli::StopSignals signals;
  FleetRun run;
  run.version = ORVEX_VERSION;
  run.started = cli::LocalTimestamp();
  run.command = &command;
  run.folder = folder;

  FleetSettings settings;
  settings.identify = command.identify;
  settings.tasks = command.tasks;
  settings.expect = command.expect;
  settings.period = command.period;

  cli::StatusBoard board(names);
  std::atomic<bool> stop{false};
  std::vector<Printer> printers(ports.ports.size());
  run.printers.resize(ports.ports.size());
  for (std::size_t i = 0; i < printers.size(); ++i) {
    Printer& p = printers[i];
    core::Spreadsheet* spreadsheet = nullptr;
    if (*command.command == Command::Records) {
      p.writer = std::make_unique<platform::workbook::EmbeddedSpreadsheet>(folder);
      p.writer->SetSavedListener([&p](const std::string& path) { p.saved = path; });
      p.workbook = std::make_unique<FleetWorkbook>(
          *p.writer, folder, PeriodWorkbookFileName(names[i], command.period));
      spreadsheet = p.workbook.get();
    }
    p.worker =
        std::make_unique<cli::PrinterWorker>(ports.ports[i], board.SinkFor(i), stop, spreadsheet);
  }

  const bool toStandardOutput =
      command.jsonPath == cli::kToStandardOutput || command.csvPath == cli::kToStandardOutput;
  std::ostream& progress = toStandardOutput ? std::cerr : std::cout;
  cli::Display display(board, progress, toStandardOutput ? STDERR_FILENO : STDOUT_FILENO,
                       command.plain);
  cli::PrinterThreads threads;
  threads.program = kProgram;
  threads.stoppingWhat = "the requests under way";
  threads.count = printers.size();
  threads.run = [&](std::size_t i) {
    Printer& p = printers[i];
    FleetPrinterReport& report = run.printers[i];
    p.worker->Run(report, [&] {
      RunFleetPrinter(p.worker->session(), *p.worker, settings, report, board.SinkFor(i),
                      [&p] { return std::exchange(p.saved, std::nullopt); });
    });
  };
  threads.wake = [&printers] {
    for (Printer& p : printers) p.worker->Wake();
  };
  const bool stopped = cli::RunPrinters(threads, board, display, stop, signals);

  std::vector<const cli::PrinterRecord*> records;
  for (const FleetPrinterReport& report : run.printers) records.push_back(&report);
  run.interrupted = stopped;
  int status = cli::RunStatus(records, stopped);
  run.exitStatus = status;
  const auto write = [&](const std::optional<std::string>& path, const std::string& text) {
    if (!path || cli::WriteReport(*path, text)) return;
    std::cerr << kProgram << ": cannot write the report "
              << (*path == cli::kToStandardOutput ? "to standard output" : *path) << '\n';
    status = cli::kExitReportNotWritten;
  };
  write(command.jsonPath, FleetJson(run));
  write(command.csvPath, ReadoutCsv(run.printers));
  display.Finish(records, stopped);
  return status;
}

}  // namespace
}  // namespace orvex::cli::fleet

int main(int argc, char** argv) {
  using namespace orvex::cli::fleet;
  const FleetCommandLine command =
      ParseFleetCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (command.action) {
    case FleetCommandLine::Action::Help:
      std::cout << (command.command ? CommandUsageText(*command.command) : FleetUsageText());
      return orvex::cli::kExitAllSucceeded;
    case FleetCommandLine::Action::Version:
      std::cout << kProgram << ' ' << ORVEX_VERSION << '\n';
      return orvex::cli::kExitAllSucceeded;
    case FleetCommandLine::Action::Error:
      std::cerr << kProgram << ": " << command.error << "\nTry '" << kProgram
                << (command.command ? std::string(" ") + CommandName(*command.command) : "")
                << " --help'.\n";
      return orvex::cli::kExitBadInput;
    case FleetCommandLine::Action::Run:
      break;
  }
  return Run(command);
}
