#pragma once
// Waits for the port's device to come back after it hung up, on the window
// thread: a socket notifier on the watch's inotify descriptor, so nothing
// runs until a watched folder changes.

#include <QObject>
#include <functional>
#include <memory>

#include "serial/port_names.h"
#include "serial/port_watch.h"

class QSocketNotifier;

class PortRecovery : public QObject {
  Q_OBJECT

 public:
  // `found` runs on the window thread each time the device looks back; it
  // tries to open it and calls stop() when that worked.
  PortRecovery(QObject* parent, std::function<void(const orvex::platform::PortDevice&)> found);
  ~PortRecovery() override;

  // Starts watching for `lost`. Call while the lost port is still open (see
  // PortWatch). False when the system offers no watch (no inotify).
  bool watch(const orvex::platform::PortDevice& lost);
  // Looks at once (the device may be back already), then on every change.
  void checkNow();
  void stop();
  bool watching() const { return watch_ != nullptr; }

 private:
  std::function<void(const orvex::platform::PortDevice&)> found_;
  std::unique_ptr<orvex::platform::PortWatch> watch_;
  QSocketNotifier* notifier_ = nullptr;
};
