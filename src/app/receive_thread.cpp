#include "receive_thread.h"

#include <QMetaObject>
#include <cstdint>
#include <vector>

ReceiveThread::ReceiveThread(orvex::platform::SerialPort& port, orvex::ReadQueue& reads,
                             QObject* window, std::function<void()> readsWaiting,
                             std::function<void()> hungUp)
    : port_(port),
      reads_(reads),
      window_(window),
      readsWaiting_(std::move(readsWaiting)),
      hungUp_(std::move(hungUp)) {}

void ReceiveThread::requestStop() {
  stop_ = true;
  port_.Wake();
  reads_.Interrupt();
}

void ReceiveThread::run() {
  std::vector<std::uint8_t> burst;
  while (!stop_) {
    const auto status = port_.ReadBurst(burst, 30000, 50);
    if (status == orvex::platform::SerialPort::ReadStatus::HungUp) {
      if (!stop_) QMetaObject::invokeMethod(window_, hungUp_, Qt::QueuedConnection);
      return;  // the device is gone: stop reading it rather than spin
    }
    if (status != orvex::platform::SerialPort::ReadStatus::Data || burst.empty()) continue;
    // The dispatcher owns every piece of state and runs on the window
    // thread; the burst waits for it in the queue, while this thread goes on
    // framing the next one. A full queue holds this thread until the window
    // thread takes a burst.
    if (!reads_.Push(std::move(burst))) return;  // told to stop
    burst = {};
    QMetaObject::invokeMethod(window_, readsWaiting_, Qt::QueuedConnection);
  }
}
