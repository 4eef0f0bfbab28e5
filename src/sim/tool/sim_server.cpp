#include "tool/sim_server.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orvex::sim {
namespace {

// How often the hang-up state is looked at while nobody has the port open,
// when inotify cannot tell us about opens (with it, only as a safety net).
constexpr int kHangupCheckMs = 100;
constexpr int kHangupCheckWithWatchMs = 1000;

}  // namespace

SimServer::SimServer(PseudoTerminal& pty, PrinterModel& printer, Trace& trace,
                     StateOutputs& outputs, std::chrono::steady_clock::time_point start)
    : pty_(pty), printer_(printer), trace_(trace), outputs_(outputs), start_(start) {}

std::int64_t SimServer::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

int SimServer::Run(int stopFd) {
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ >= 0 && inotify_add_watch(watch_, pty_.slavePath().c_str(), IN_OPEN | IN_CLOSE) < 0) {
    close(watch_);
    watch_ = -1;
  }
  outputs_.Update(printer_, NowMs());

  bool reopened = false;
  for (;;) {
    CheckOpened(reopened);
    reopened = false;
    WriteDue();

    const std::int64_t now = NowMs();
    int timeout = -1;
    if (const std::optional<std::int64_t> next = printer_.NextBurstTime()) {
      timeout = static_cast<int>(std::clamp<std::int64_t>(*next - now, 0, 60000));
    }
    if (!connected_) {
      const int check = watch_ >= 0 ? kHangupCheckWithWatchMs : kHangupCheckMs;
      timeout = timeout < 0 ? check : std::min(timeout, check);
    }

    pollfd fds[3] = {{stopFd, POLLIN, 0}, {watch_, POLLIN, 0}, {-1, 0, 0}};
    // A hung-up master reports POLLHUP without end; it is only polled while
    // the tool holds the port open.
    if (connected_) {
      fds[2].fd = pty_.master();
      fds[2].events = static_cast<short>(POLLIN | (output_.empty() ? 0 : POLLOUT));
    }
    const int ready = poll(fds, 3, timeout);
    if (ready < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "orvex-sim: poll: %s\n", std::strerror(errno));
      return 1;
    }
    if (fds[0].revents != 0) return 0;
    if (fds[1].revents != 0) DrainWatch(&reopened);
    if (connected_ && fds[2].revents != 0) {
      if (fds[2].revents & POLLIN) ReadFromTool();
      if (connected_ && (fds[2].revents & (POLLHUP | POLLERR))) {
        Disconnect("the tool closed the port");
      }
      if (connected_ && (fds[2].revents & POLLOUT)) FlushOutput();
    }
  }
}

void SimServer::CheckOpened(bool reopened) {
  if (connected_ && reopened && !pty_.HungUp()) {
    // Closed and opened again between two looks: a new session all the same.
    Disconnect("the tool closed the port");
  }
  if (connected_ || pty_.HungUp()) return;
  connected_ = true;
  // Whatever the previous session left unread is not for this one.
  pty_.Flush();
  const std::int64_t now = NowMs();
  trace_.Note(now, "the tool opened the port");
  printer_.PortOpened(now);
}

void SimServer::Disconnect(const char* why) {
  connected_ = false;
  output_.clear();
  pty_.Flush();
  trace_.Note(NowMs(), why);
}

void SimServer::DrainWatch(bool* reopened) {
  alignas(inotify_event) char buffer[4096];
  bool closed = false;
  for (;;) {
    const ssize_t got = read(watch_, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->mask & IN_CLOSE) closed = true;
      if ((event->mask & IN_OPEN) && closed && connected_) *reopened = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

void SimServer::ReadFromTool() {
  std::uint8_t buffer[4096];
  for (;;) {
    const ssize_t got = read(pty_.master(), buffer, sizeof buffer);
    if (got > 0) {
      const std::int64_t now = NowMs();
      trace_.Received(now, buffer, static_cast<std::size_t>(got));
      for (ssize_t i = 0; i < got; ++i) printer_.Receive(buffer[i], now);
      outputs_.Update(printer_, now);
      continue;
    }
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
    // EIO: the last holder of the slave has closed it.
    Disconnect("the tool closed the port");
    return;
  }
}

void SimServer::WriteDue() {
  const std::int64_t now = NowMs();
  for (Burst& burst : printer_.TakeDue(now)) {
    if (!connected_) {
      trace_.Note(now, "dropped a reply: nobody has the port open");
      continue;
    }
    trace_.Sent(now, burst.bytes.data(), burst.bytes.size());
    output_.insert(output_.end(), burst.bytes.begin(), burst.bytes.end());
  }
  if (connected_ && !output_.empty()) FlushOutput();
}

void SimServer::FlushOutput() {
  while (!output_.empty()) {
    const ssize_t put = write(pty_.master(), output_.data(), output_.size());
    if (put > 0) {
      output_.erase(output_.begin(), output_.begin() + put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && errno == EAGAIN) return;  // the rest goes when POLLOUT says so
    Disconnect("the port went away while writing");
    return;
  }
}

}  // namespace orvex::sim
