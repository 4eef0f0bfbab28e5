#include "platform/host/port_keeper.h"

#include <algorithm>

namespace orvex::platform {

PortKeeper::PortKeeper(SessionHost& host, Listener& listener, PortNames names)
    : host_(host), listener_(listener), names_(std::move(names)) {
  host_.SetHangUpHandler([this] { OnHungUp(); });
}

PortKeeper::~PortKeeper() {
  Close();
}

void PortKeeper::Open(const std::string& comName) {
  if (port_.IsOpen() || connecting_ != nullptr || retryId_ != 0) return;
  const PortDevice device = names_.Lookup(comName);
  device_ = device;
  if (device.isAddress()) {
    failureTold_ = false;
    retryWaitMs_ = kFirstRetryMs;
    Connect(device);
    return;
  }
  const auto result = port_.Open(device);
  device_ = result.port;
  if (result.ok) {
    Opened(result.port);
    return;
  }
  // A device that is not there yet is waited for: plugged in, it opens as
  // if chosen then. Other causes need the user's fix and a new start.
  const bool awaited = result.problem.kind == PortProblemKind::NoDevice && Watch(result.port);
  listener_.PortFailed(result.port, result.problem, awaited);
  if (awaited) CheckNow();
}

void PortKeeper::Close() {
  StopConnecting();
  StopWatching();
  if (host_.line() == &port_) host_.UseLine(nullptr);
  port_.Close();
}

void PortKeeper::Opened(const PortDevice& device) {
  StopWatching();
  device_ = device;
  host_.UseLine(&port_);
  const bool again = wasOpen_;
  wasOpen_ = true;
  listener_.PortOpened(device, again);
}

void PortKeeper::OnHungUp() {
  if (device_.isAddress()) {
    // A dropped connection, as an unplugged adapter: let go at once, and
    // connect again after a wait. A connection that dropped soon after it
    // was made waits longer each time, so a server that takes the
    // connection and closes it at once is not hammered.
    host_.UseLine(nullptr);
    port_.Close();
    if (host_.NowMs() - connectedAtMs_ >= kSteadyConnectionMs) retryWaitMs_ = kFirstRetryMs;
    listener_.PortGone(device_, true);
    ConnectLater();
    return;
  }
  // The reader has stopped at the hang-up. The watch begins before the
  // close (see PortWatch); the device is let go of at once, so that it
  // comes back under its old name.
  const bool watching = Watch(device_);
  host_.UseLine(nullptr);
  port_.Close();
  listener_.PortGone(device_, watching);
  CheckNow();
}

bool PortKeeper::Watch(const PortDevice& lost) {
  StopWatching();
  auto watch = std::make_unique<PortWatch>(names_, lost);
  if (!watch->ok()) return false;
  watch_ = std::move(watch);
  watchId_ = host_.WatchReadable(watch_->fd(), [this] { CheckNow(); });
  return true;
}

void PortKeeper::CheckNow() {
  if (watch_ == nullptr) return;
  // Check() takes every pending change, so the descriptor is readable again
  // only after the next one.
  if (auto device = watch_->Check()) TryAgain(*device);
}

void PortKeeper::StopWatching() {
  if (watchId_ != 0) host_.Unwatch(watchId_);
  watchId_ = 0;
  watch_.reset();
}

void PortKeeper::TryAgain(const PortDevice& device) {
  if (port_.IsOpen()) return;
  // The same settings and exclusive use as the first open.
  const auto result = port_.Open(device);
  if (!result.ok) {
    listener_.PortBackButFailing(device, result.problem);
    return;  // tried again on the next change
  }
  Opened(result.port);
}

// ---- a device server's address ----

void PortKeeper::Connect(const PortDevice& device) {
  connecting_ = std::make_unique<BackgroundOpen>(
      [this, device](int cancelFd) { return port_.Open(device, cancelFd); });
  if (connecting_->fd() < 0) {
    Connected();  // nothing to wait on: take the result as it comes
    return;
  }
  connectingId_ = host_.WatchReadable(connecting_->fd(), [this] { Connected(); });
}

void PortKeeper::Connected() {
  if (connectingId_ != 0) host_.Unwatch(connectingId_);
  connectingId_ = 0;
  const PortOpenResult result = connecting_->Take();
  connecting_.reset();
  device_ = result.port;
  if (result.ok) {
    connectedAtMs_ = host_.NowMs();
    Opened(result.port);
    return;
  }
  // Before the first connection only what waiting may mend is tried again
  // (refused, no answer, dropped); a bad name or refused line settings need
  // the user's fix. Once connected, every failure is tried again.
  if (!wasOpen_ && result.problem.kind != PortProblemKind::Unreachable) {
    listener_.PortFailed(result.port, result.problem, false);
    return;
  }
  // The status bar's line says when the next try comes; the advice goes to
  // its tooltip.
  PortProblem problem = result.problem;
  if (!problem.fix.empty()) {
    problem.more = problem.fix + (problem.more.empty() ? "" : "\n" + problem.more);
  }
  problem.fix = "The tool tries again in " + std::to_string(retryWaitMs_ / 1000) + " s.";
  const bool first = !wasOpen_ && !failureTold_;
  failureTold_ = true;
  ConnectLater();
  if (first) {
    listener_.PortFailed(result.port, problem, true);
  } else {
    listener_.PortBackButFailing(result.port, problem);
  }
}

void PortKeeper::ConnectLater() {
  const int wait = retryWaitMs_;
  retryWaitMs_ = std::min(retryWaitMs_ * 2, kLastRetryMs);
  retryId_ = host_.After(wait, [this] {
    retryId_ = 0;
    // The link is read again: pointed at another address meanwhile, that
    // one is tried.
    const PortDevice named = names_.Lookup(device_.comName);
    Connect(named.isAddress() ? named : device_);
  });
}

void PortKeeper::StopConnecting() {
  if (retryId_ != 0) host_.CancelAfter(retryId_);
  retryId_ = 0;
  if (connectingId_ != 0) host_.Unwatch(connectingId_);
  connectingId_ = 0;
  connecting_.reset();
}

}  // namespace orvex::platform
