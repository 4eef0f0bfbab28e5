#include "host/port_keeper.h"

namespace orvex::platform {

PortKeeper::PortKeeper(SessionHost& host, Listener& listener, PortNames names)
    : host_(host), listener_(listener), names_(std::move(names)) {
  host_.SetHangUpHandler([this] { OnHungUp(); });
}

PortKeeper::~PortKeeper() {
  Close();
}

void PortKeeper::Open(const std::string& comName) {
  if (port_.IsOpen()) return;
  const auto result = port_.Open(names_.Lookup(comName));
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

}  // namespace orvex::platform
