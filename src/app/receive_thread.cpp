#include "receive_thread.h"

#include <QMetaObject>
#include <vector>

ReceiveThread::ReceiveThread(orvex::platform::SerialPort& port, QObject* window, Dispatch dispatch,
                             std::function<void()> hungUp)
    : port_(port), window_(window), dispatch_(std::move(dispatch)), hungUp_(std::move(hungUp)) {}

void ReceiveThread::requestStop() {
  stop_ = true;
  port_.Wake();
}

void ReceiveThread::run() {
  std::vector<std::uint8_t> burst;
  while (!stop_) {
    burst.clear();
    const auto status = port_.ReadBurst(burst, 30000, 50);
    if (status == orvex::platform::SerialPort::ReadStatus::HungUp) {
      if (!stop_) QMetaObject::invokeMethod(window_, hungUp_, Qt::QueuedConnection);
      return;  // the device is gone: stop reading it rather than spin
    }
    if (status != orvex::platform::SerialPort::ReadStatus::Data || burst.empty()) continue;
    // The dispatcher owns every piece of state; it runs on the window thread
    // and the next read waits until it has finished.
    QMetaObject::invokeMethod(
        window_, [this, &burst] { dispatch_(std::span<const std::uint8_t>(burst)); },
        Qt::BlockingQueuedConnection);
  }
}
