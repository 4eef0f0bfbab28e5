#pragma once
// An open that may take seconds (a device server's connection and its line
// settings) on a thread of its own, so that the session's loop goes on
// meanwhile: its timers tick, its posted calls run. fd() turns readable when
// the open has returned; the loop watches it (SessionHost::WatchReadable).

#include <functional>
#include <thread>

#include "platform/serial/port_problem.h"

namespace orvex::platform {

class BackgroundOpen {
 public:
  // `open` runs at once on the new thread; it is given a descriptor that
  // turns readable when the open is no longer wanted.
  explicit BackgroundOpen(std::function<PortOpenResult(int cancelFd)> open);
  // Cancels and waits for the thread (a name lookup is not cut short).
  ~BackgroundOpen();
  BackgroundOpen(const BackgroundOpen&) = delete;
  BackgroundOpen& operator=(const BackgroundOpen&) = delete;

  int fd() const { return doneFd_; }
  // Waits for the thread and gives its result; once fd() is readable it
  // returns at once.
  PortOpenResult Take();

 private:
  int doneFd_ = -1;
  int cancelFd_ = -1;
  PortOpenResult result_;
  std::thread thread_;
};

}  // namespace orvex::platform
