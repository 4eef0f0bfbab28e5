#include "sim/tool/sim_server.h"

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

SimServer::SimServer(PortHost& host, PrinterModel& printer, Trace& trace, StateOutputs& outputs,
                     std::chrono::steady_clock::time_point start, const std::string& portName)
    : host_(host),
      printer_(printer),
      trace_(trace),
      outputs_(outputs),
      start_(start),
      portName_(portName) {}

SimServer::~SimServer() {
  if (watch_ >= 0) close(watch_);
}

std::int64_t SimServer::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

void SimServer::StartWatch() {
  if (watch_ >= 0) close(watch_);
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ >= 0 &&
      inotify_add_watch(watch_, host_.pty().slavePath().c_str(), IN_OPEN | IN_CLOSE) < 0) {
    close(watch_);
    watch_ = -1;
  }
}

void SimServer::CheckHangUp() {
  if (printer_.faultLog().hangUps == seenHangUps_) return;
  seenHangUps_ = printer_.faultLog().hangUps;
  if (connected_) Disconnect("the line hung up");
  if (watch_ >= 0) close(watch_);
  watch_ = -1;
  host_.Close();
  lineBackAtMs_ = printer_.lineDownUntilMs().value_or(NowMs());
}

bool SimServer::WaitLineBack(int stopFd, int* exitCode) {
  const std::int64_t wait = lineBackAtMs_ - NowMs();
  if (wait > 0) {
    pollfd stop{stopFd, POLLIN, 0};
    const int ready = poll(&stop, 1, static_cast<int>(std::min<std::int64_t>(wait, 60000)));
    if (ready > 0) {
      *exitCode = 0;
      return false;
    }
    return true;  // looked at again on the next turn
  }
  std::string error;
  std::string warning;
  if (!host_.Reopen(&error, &warning)) {
    std::fprintf(stderr, "orvex-sim: %s\n", error.c_str());
    *exitCode = 1;
    return false;
  }
  if (!warning.empty()) std::fprintf(stderr, "orvex-sim: %s\n", warning.c_str());
  StartWatch();
  trace_.Note(NowMs(), "the line is back");
  std::printf("orvex-sim serving %s on %s\n", portName_.c_str(), host_.pty().slavePath().c_str());
  std::fflush(stdout);
  return true;
}

int SimServer::Run(int stopFd) {
  StartWatch();
  outputs_.Update(printer_, NowMs());

  bool reopened = false;
  for (;;) {
    CheckHangUp();
    if (!host_.serving()) {
      WriteDue();  // whatever falls due on a dead line is lost
      int exitCode = 0;
      if (!WaitLineBack(stopFd, &exitCode)) return exitCode;
      continue;
    }
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
      fds[2].fd = host_.pty().master();
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
      CheckHangUp();
      if (!host_.serving()) continue;
      if (connected_ && (fds[2].revents & (POLLHUP | POLLERR))) {
        Disconnect("the tool closed the port");
      }
      if (connected_ && (fds[2].revents & POLLOUT)) FlushOutput();
    }
  }
}

void SimServer::CheckOpened(bool reopened) {
  if (connected_ && reopened && !host_.pty().HungUp()) {
    // Closed and opened again between two looks: a new session all the same.
    Disconnect("the tool closed the port");
  }
  if (connected_ || host_.pty().HungUp()) return;
  connected_ = true;
  // Whatever the previous session left unread is not for this one.
  host_.pty().Flush();
  const std::int64_t now = NowMs();
  trace_.Note(now, "the tool opened the port");
  printer_.PortOpened(now);
}

void SimServer::Disconnect(const char* why) {
  connected_ = false;
  output_.clear();
  host_.pty().Flush();
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
    const ssize_t got = read(host_.pty().master(), buffer, sizeof buffer);
    if (got > 0) {
      if (byteTimes_ != nullptr) byteTimes_->Received(static_cast<std::size_t>(got));
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
    const ssize_t put = write(host_.pty().master(), output_.data(), output_.size());
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
