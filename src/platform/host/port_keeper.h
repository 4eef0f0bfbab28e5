#pragma once
// Keeps the session's port: opens the name chosen, says why it did not open,
// waits for a device that is not there yet or that went away (inotify on its
// folders, in the session host's loop: nothing runs until one changes), and
// opens the same device again with the same settings. A device server's
// address is connected to on a thread of its own (BackgroundOpen), and a
// connection that drops is made again with a growing wait, capped, as an
// unplugged adapter is waited for. Runs on the session thread; what happens
// is told to a listener there.

#include <memory>
#include <string>

#include "platform/host/background_open.h"
#include "platform/host/port_line.h"
#include "platform/host/session_host.h"
#include "platform/serial/port_names.h"
#include "platform/serial/port_problem.h"
#include "platform/serial/port_watch.h"

namespace orvex::platform {

class PortKeeper {
 public:
  class Listener {
   public:
    virtual ~Listener() = default;
    // Open: for the first time (the name chosen, or a device that was not
    // there yet when it was), or again after the device went away.
    virtual void PortOpened(const PortDevice& device, bool again) = 0;
    // The name chosen did not open; awaited: the keeper waits for its
    // device to appear and opens it then.
    virtual void PortFailed(const PortDevice& device, const PortProblem& problem, bool awaited) = 0;
    // The device hung up; watching: the keeper waits for it to come back
    // (for an address: connects again after a wait).
    virtual void PortGone(const PortDevice& device, bool watching) = 0;
    // The device looks back but does not open (yet); the keeper goes on
    // watching. For an address: a try to connect failed; problem.fix says
    // when the next one comes, problem.more what to do.
    virtual void PortBackButFailing(const PortDevice& device, const PortProblem& problem) = 0;
  };

  // The waits between tries to connect to an address: the first, doubled
  // after each failure up to the last; a connection that lasted
  // kSteadyConnectionMs starts over from the first when it drops.
  static constexpr int kFirstRetryMs = 1000;
  static constexpr int kLastRetryMs = 30000;
  static constexpr int kSteadyConnectionMs = 10000;

  PortKeeper(SessionHost& host, Listener& listener, PortNames names = PortNames());
  ~PortKeeper();
  PortKeeper(const PortKeeper&) = delete;
  PortKeeper& operator=(const PortKeeper&) = delete;

  // Opens the device that comName stands for, unless a port is open.
  void Open(const std::string& comName);
  // Stops watching and reading, and releases the port.
  void Close();
  bool IsOpen() const { return port_.IsOpen(); }
  // What the name stood for when it was opened (or tried).
  const PortDevice& device() const { return device_; }
  PortLine& port() { return port_; }
  // For tests: the line's timeouts for an address.
  void SetNetTimeouts(NetLine::Timeouts timeouts) { port_.net().SetTimeouts(timeouts); }

 private:
  void OnHungUp();
  void Opened(const PortDevice& device);
  bool Watch(const PortDevice& lost);
  void CheckNow();
  void StopWatching();
  void TryAgain(const PortDevice& device);
  // An address: connects in the background; Connected takes the result.
  void Connect(const PortDevice& device);
  void Connected();
  void ConnectLater();
  void StopConnecting();

  SessionHost& host_;
  Listener& listener_;
  PortNames names_;
  PortLine port_;
  PortDevice device_;
  std::unique_ptr<PortWatch> watch_;
  int watchId_ = 0;
  bool wasOpen_ = false;  // opened once: a later open is a comeback

  std::unique_ptr<BackgroundOpen> connecting_;
  int connectingId_ = 0;
  int retryId_ = 0;
  int retryWaitMs_ = kFirstRetryMs;
  bool failureTold_ = false;  // the first failed try to connect was told as such
  std::int64_t connectedAtMs_ = 0;
};

}  // namespace orvex::platform
