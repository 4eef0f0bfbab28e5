#include "cli/run_loop.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>
#include <vector>

#include "cli/exit_status.h"

namespace orvex::cli {

StopSignals::StopSignals() {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  fd_ = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
}

StopSignals::~StopSignals() {
  if (fd_ >= 0) close(fd_);
}

bool RunPrinters(const PrinterThreads& printers, StatusBoard& board, Display& display,
                 std::atomic<bool>& stop, const StopSignals& signals) {
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < printers.count; ++i) {
    threads.emplace_back([&printers, &board, i] {
      printers.run(i);
      board.MarkFinished(i);
    });
  }
  const int signalFd = signals.fd();
  std::chrono::steady_clock::time_point stopAt;
  display.Update(true);
  while (board.FinishedCount() < printers.count) {
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
          std::cerr << printers.program << ": stopped at once, without a report\n";
          std::_Exit(kExitInterrupted);
        }
        if (stop) continue;
        stop = true;
        stopAt = now;
        printers.wake();
        if (!display.rows()) {
          std::cerr << printers.program << ": " << strsignal(static_cast<int>(info.ssi_signo))
                    << ": stopping after " << printers.stoppingWhat << '\n';
        }
      }
    }
    if ((fds[0].revents & POLLIN) != 0) board.ConsumeNotification();
    display.Update(false);
  }
  for (std::thread& thread : threads) thread.join();
  return stop;
}

}  // namespace orvex::cli
