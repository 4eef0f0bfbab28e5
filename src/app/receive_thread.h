#pragma once
// The receive thread: it waits on the port (poll, no busy loop) and
// hands every burst to the window thread, waiting until it is handled.

#include <QThread>
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>

#include "serial/serial_port.h"

class ReceiveThread : public QThread {
  Q_OBJECT

 public:
  using Dispatch = std::function<void(std::span<const std::uint8_t>)>;

  // dispatch runs on the thread of `window`; hungUp too, once, if the device
  // goes away.
  ReceiveThread(orvex::platform::SerialPort& port, QObject* window, Dispatch dispatch,
                std::function<void()> hungUp);

  // Asks the loop to end; the caller then waits for the thread while still
  // handling events, since the loop may be waiting for the window thread.
  void requestStop();

 protected:
  void run() override;

 private:
  orvex::platform::SerialPort& port_;
  QObject* window_;
  Dispatch dispatch_;
  std::function<void()> hungUp_;
  std::atomic<bool> stop_{false};
};
