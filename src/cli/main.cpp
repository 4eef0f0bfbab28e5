// orvex-provision: sets up many printers at once from a setup saved by
// orvex-tool, one thread per printer, and reports what each printer took.

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "command_line.h"
#include "formatfile/file_io.h"
#include "port_list.h"
#include "printer_worker.h"
#include "report_json.h"
#include "setup_file.h"
#include "status_board.h"
#include "text/escaped_text.h"

namespace orvex::provision {
namespace {

constexpr const char* kProgram = "orvex-provision";
constexpr int kRedrawMs = 100;     // at most this often on a terminal
constexpr int kClockTickMs = 500;  // the rows' running times

std::string LocalTimestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

int BadInput(const std::vector<std::string>& problems) {
  // A problem may quote a format file's line: nothing of it acts on the terminal.
  for (const std::string& problem : problems) {
    std::cerr << kProgram << ": " << EscapeControls(problem) << '\n';
  }
  std::cerr << kProgram << ": nothing was sent\n";
  return kExitBadInput;
}

// `--json -`: the report goes to standard output, everything else to
// standard error.
constexpr const char* kReportToStandardOutput = "-";

// The report's path is checked as the write at the end will take it, so
// that a run of many minutes does not end without its report, and nothing
// but a regular file is ever replaced by it.
std::optional<std::string> ReportPathProblem(const std::string& path) {
  if (path == kReportToStandardOutput) return std::nullopt;
  const auto why = ReplaceFileProblem(path);
  if (!why) return std::nullopt;
  std::string text = "cannot write the report to " + path + ": " + *why;
  if (*why == "it is not a regular file" || *why == "it is where standard output goes") {
    text += " (--json - writes the report to standard output)";
  }
  return text;
}

bool WriteReport(const std::string& path, const std::string& json) {
  if (path != kReportToStandardOutput) return ReplaceFile(path, json);
  std::cout << json << std::flush;
  return static_cast<bool>(std::cout);
}

std::size_t TerminalWidth(int fd) {
  winsize size{};
  if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col - 1;
  return 79;
}

bool UseTerminalRows(bool plain, int fd) {
  if (plain || isatty(fd) == 0) return false;
  const char* term = std::getenv("TERM");
  return term == nullptr || std::strcmp(term, "dumb") != 0;
}

// The rows or the event lines, on standard output (standard error when the
// report goes there).
class Display {
 public:
  Display(StatusBoard& board, std::ostream& out, int fd, bool plain)
      : board_(board), out_(out), fd_(fd), rows_(UseTerminalRows(plain, fd)) {}

  bool rows() const { return rows_; }

  void Update(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!rows_) {
      for (const std::string& line : board_.TakeEvents()) out_ << line << '\n';
      out_.flush();
      return;
    }
    board_.TakeEvents();  // the rows say it in place
    if (!force && now - lastDraw_ < std::chrono::milliseconds(kRedrawMs)) return;
    lastDraw_ = now;
    std::string out;
    if (drawn_ > 0) out += "\x1b[" + std::to_string(drawn_) + "A";
    const auto lines = FormatRows(board_.Rows(), TerminalWidth(fd_), now);
    for (const std::string& line : lines) out += "\r\x1b[K" + line + "\n";
    drawn_ = static_cast<int>(lines.size());
    out_ << out << std::flush;
  }

  // Milliseconds until the next redraw is due; -1: only on news.
  int NextWaitMs() const { return rows_ ? kClockTickMs : -1; }

 private:
  StatusBoard& board_;
  std::ostream& out_;
  int fd_;
  bool rows_;
  int drawn_ = 0;
  std::chrono::steady_clock::time_point lastDraw_{};
};

int Run(const CommandLine& command) {
  const SetupLoad setup = LoadSetup(command.setupPath);
  if (!setup.setup) return BadInput(setup.problems);
  const PortList ports = ResolvePorts(command.ports);
  if (!ports.problems.empty()) return BadInput(ports.problems);
  if (command.jsonPath) {
    if (const auto problem = ReportPathProblem(*command.jsonPath)) return BadInput({*problem});
  }

  // Signals are taken by the main thread alone, through a descriptor; the
  // printers' threads inherit the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);

  RunReport run;
  run.version = ORVEX_VERSION;
  run.setupPath = command.setupPath;
  run.started = LocalTimestamp();
  run.eraseRecords = command.settings.eraseRecords;
  run.setClock = command.settings.setClock;
  run.probe = command.settings.probe;

  std::vector<std::string> names;
  for (const PortChoice& port : ports.ports) names.push_back(port.name);
  StatusBoard board(names);
  std::atomic<bool> stop{false};
  std::chrono::steady_clock::time_point stopAt;
  std::vector<std::unique_ptr<PrinterWorker>> workers;
  for (std::size_t i = 0; i < ports.ports.size(); ++i) {
    workers.push_back(std::make_unique<PrinterWorker>(ports.ports[i], *setup.setup,
                                                      command.settings, board.SinkFor(i), stop));
  }
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < workers.size(); ++i) {
    threads.emplace_back([&board, &workers, i] {
      workers[i]->Run();
      board.MarkFinished(i);
    });
  }

  const bool reportOnStandardOutput = command.jsonPath == kReportToStandardOutput;
  std::ostream& progress = reportOnStandardOutput ? std::cerr : std::cout;
  Display display(board, progress, reportOnStandardOutput ? STDERR_FILENO : STDOUT_FILENO,
                  command.plain);
  display.Update(true);
  while (board.FinishedCount() < workers.size()) {
    pollfd fds[2] = {{board.notifyFd(), POLLIN, 0}, {signalFd, POLLIN, 0}};
    const int ready = poll(fds, signalFd >= 0 ? 2 : 1, display.NextWaitMs());
    if (ready < 0 && errno != EINTR) break;
    if ((fds[1].revents & POLLIN) != 0) {
      signalfd_siginfo info{};
      while (read(signalFd, &info, sizeof info) == sizeof info) {
        const auto now = std::chrono::steady_clock::now();
        if (stop && now - stopAt >= std::chrono::seconds(1)) {
          // Asked again: no more waiting for anything. (Some senders deliver
          // one stop twice at once; that counts as one.)
          std::cerr << kProgram << ": stopped at once, without a report\n";
          std::_Exit(kExitInterrupted);
        }
        if (stop) continue;
        stop = true;
        stopAt = now;
        for (auto& worker : workers) worker->Wake();
        if (!display.rows()) {
          std::cerr << kProgram << ": " << strsignal(static_cast<int>(info.ssi_signo))
                    << ": stopping after the steps under way\n";
        }
      }
    }
    if ((fds[0].revents & POLLIN) != 0) board.ConsumeNotification();
    display.Update(false);
  }
  for (std::thread& thread : threads) thread.join();
  display.Update(true);

  std::size_t succeeded = 0;
  for (const auto& worker : workers) {
    run.printers.push_back(worker->report());
    if (worker->report().outcome == Outcome::Succeeded) ++succeeded;
  }
  run.interrupted = stop;
  int status = stop                          ? kExitInterrupted
               : succeeded == workers.size() ? kExitAllSucceeded
                                             : kExitSomeFailed;
  if (command.jsonPath) {
    run.exitStatus = status;
    if (!WriteReport(*command.jsonPath, ReportJson(run))) {
      std::cerr << kProgram << ": cannot write the report "
                << (reportOnStandardOutput ? "to standard output" : *command.jsonPath) << '\n';
      status = kExitReportNotWritten;
    }
  }
  progress << workers.size() << (workers.size() == 1 ? " printer: " : " printers: ") << succeeded
           << " succeeded, " << workers.size() - succeeded
           << (stop ? " failed or interrupted" : " failed") << '\n';
  if (signalFd >= 0) close(signalFd);
  return status;
}

}  // namespace
}  // namespace orvex::provision

int main(int argc, char** argv) {
  using namespace orvex::provision;
  const CommandLine command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (command.action) {
    case CommandLine::Action::Help:
      std::cout << UsageText();
      return kExitAllSucceeded;
    case CommandLine::Action::Version:
      std::cout << kProgram << ' ' << ORVEX_VERSION << '\n';
      return kExitAllSucceeded;
    case CommandLine::Action::Error:
      std::cerr << kProgram << ": " << command.error << "\nTry '" << kProgram << " --help'.\n";
      return kExitBadInput;
    case CommandLine::Action::Run:
      break;
  }
  return Run(command);
}
