#pragma once
// A program started for a test or a benchmark (orvex-sim, orvex-provision),
// with its environment, its output in files, a pipe or a pseudo-terminal,
// and a bounded wait for its end. The destructor kills what still runs.

#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orvex::test {

class ChildProcess {
 public:
  struct Options {
    std::vector<std::string> env;  // NAME=value, added to or replacing the test's own
    std::string stdoutPath;        // output into files when set
    std::string stderrPath;
    bool stdoutPipe = false;  // read it with ReadLine
    bool stdoutPty = false;   // stdout is a terminal; read it with TerminalOutput
  };

  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const Options& options);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // One line of the piped stdout, without its newline; nullopt at the end
  // of the output or when timeoutMs passes first.
  std::optional<std::string> ReadLine(int timeoutMs);
  // All that the program wrote to its terminal so far.
  std::string TerminalOutput() const;

  void Signal(int signal);
  // The exit status; -1 when a signal ended it; nullopt when it still runs
  // after timeoutMs.
  std::optional<int> Wait(int timeoutMs);

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  int pipe_ = -1;
  std::string pending_;
  int ptyMaster_ = -1;
  std::thread ptyReader_;
  mutable std::mutex ptyMutex_;
  std::string ptyOutput_;
};

}  // namespace orvex::test
