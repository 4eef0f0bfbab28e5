#pragma once
// The receive thread: it waits on the port (poll, no busy loop), frames each
// burst and queues it for the window thread, which is told and dispatches
// the queued bursts in order when it gets to them. The thread never waits
// for the window thread, so a burst that comes while the window thread is
// busy (paced sending) is framed on its own, not merged with the next.

#include <QThread>
#include <atomic>
#include <functional>

#include "link/read_queue.h"
#include "serial/serial_port.h"

class ReceiveThread : public QThread {
  Q_OBJECT

 public:
  // Each burst goes into `reads`, and then `readsWaiting` runs on the thread
  // of `window` (queued, not waited for); hungUp too, once, if the device
  // goes away.
  ReceiveThread(orvex::platform::SerialPort& port, orvex::ReadQueue& reads, QObject* window,
                std::function<void()> readsWaiting, std::function<void()> hungUp);

  // Asks the loop to end, also while it waits for room in a full queue; the
  // thread then ends at once (it waits for nothing of the window thread).
  void requestStop();

 protected:
  void run() override;

 private:
  orvex::platform::SerialPort& port_;
  orvex::ReadQueue& reads_;
  QObject* window_;
  std::function<void()> readsWaiting_;
  std::function<void()> hungUp_;
  std::atomic<bool> stop_{false};
};
