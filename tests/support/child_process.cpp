#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

extern char** environ;

namespace orvex::test {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const Options& options) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string item = *entry;
    bool replaced = false;
    for (const std::string& mine : options.env) {
      const std::size_t eq = mine.find('=');
      if (item.compare(0, eq + 1, mine, 0, eq + 1) == 0) replaced = true;
    }
    if (!replaced) env.push_back(item);
  }
  env.insert(env.end(), options.env.begin(), options.env.end());
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> argStrings = {program};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argStrings) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int pipeFds[2] = {-1, -1};
  int ptySlave = -1;
  if (options.stdoutPipe && pipe2(pipeFds, O_CLOEXEC) == 0) {
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  } else if (options.stdoutPty && openpty(&ptyMaster_, &ptySlave, nullptr, nullptr, nullptr) == 0) {
    fcntl(ptyMaster_, F_SETFD, FD_CLOEXEC);
    fcntl(ptySlave, F_SETFD, FD_CLOEXEC);
    posix_spawn_file_actions_adddup2(&actions, ptySlave, STDOUT_FILENO);
  } else if (!options.stdoutPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, options.stdoutPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (!options.stderrPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, options.stderrPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
    pid_ = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  if (pipeFds[1] >= 0) close(pipeFds[1]);
  pipe_ = pipeFds[0];
  if (ptySlave >= 0) close(ptySlave);
  if (ptyMaster_ >= 0) {
    // Drained all along: a full terminal would stop the program.
    ptyReader_ = std::thread([this] {
      char buffer[4096];
      for (;;) {
        const ssize_t got = read(ptyMaster_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return;  // EIO once the program has closed its terminal
        std::lock_guard lock(ptyMutex_);
        ptyOutput_.append(buffer, static_cast<std::size_t>(got));
      }
    });
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !status_) {
    kill(pid_, SIGKILL);
    Wait(5000);
  }
  if (ptyReader_.joinable()) ptyReader_.join();
  if (ptyMaster_ >= 0) close(ptyMaster_);
  if (pipe_ >= 0) close(pipe_);
}

std::optional<std::string> ChildProcess::ReadLine(int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const std::size_t newline = pending_.find('\n');
    if (newline != std::string::npos) {
      std::string line = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (pipe_ < 0 || left.count() <= 0) return std::nullopt;
    pollfd in{pipe_, POLLIN, 0};
    if (poll(&in, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[512];
    const ssize_t got = read(pipe_, buffer, sizeof buffer);
    if (got <= 0) return std::nullopt;
    pending_.append(buffer, static_cast<std::size_t>(got));
  }
}

std::string ChildProcess::TerminalOutput() const {
  std::lock_guard lock(ptyMutex_);
  return ptyOutput_;
}

void ChildProcess::Signal(int signal) {
  if (pid_ > 0 && !status_) kill(pid_, signal);
}

std::optional<int> ChildProcess::Wait(int timeoutMs) {
  if (pid_ <= 0) return -1;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!status_) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    if (done < 0 && errno != EINTR) {
      status_ = -1;
      break;
    }
    if (std::chrono::steady_clock::now() >= end) return std::nullopt;
    usleep(10'000);
  }
  if (ptyReader_.joinable()) ptyReader_.join();
  return status_;
}

}  // namespace orvex::test
