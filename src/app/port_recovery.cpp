#include "port_recovery.h"

#include <QSocketNotifier>

PortRecovery::PortRecovery(QObject* parent,
                           std::function<void(const orvex::platform::PortDevice&)> found)
    : QObject(parent), found_(std::move(found)) {}

PortRecovery::~PortRecovery() {
  stop();
}

bool PortRecovery::watch(const orvex::platform::PortDevice& lost) {
  stop();
  auto watch = std::make_unique<orvex::platform::PortWatch>(orvex::platform::PortNames(), lost);
  if (!watch->ok()) return false;
  watch_ = std::move(watch);
  notifier_ = new QSocketNotifier(watch_->fd(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &PortRecovery::checkNow);
  return true;
}

void PortRecovery::checkNow() {
  if (watch_ == nullptr) return;
  // Check() takes every pending change, so the notifier fires again only
  // after the next one.
  if (auto device = watch_->Check()) found_(*device);
}

void PortRecovery::stop() {
  if (notifier_ != nullptr) {
    // May run inside the notifier's own signal: let it go later.
    notifier_->setEnabled(false);
    notifier_->deleteLater();
    notifier_ = nullptr;
  }
  watch_.reset();
}
