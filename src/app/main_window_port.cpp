// The port and the timers: choosing the port, opening and closing it with
// its receive thread, and the three one-second timers of the link.

#include <QComboBox>
#include <QCoreApplication>
#include <QTimer>
#include <iostream>

#include "link/link_control.h"
#include "link/reply_dispatcher.h"
#include "main_window.h"
#include "receive_thread.h"

void MainWindow::openChosenPort() {
  // One choice per run.
  portBox_->setEnabled(false);
  const int index = portBox_->currentIndex();
  if (index >= 0 && index <= 8) portName_ = QStringLiteral("COM%1").arg(index + 1);
  openPort();
}

void MainWindow::switchToCom1() {
  closePort();
  portName_ = QStringLiteral("COM1");
  openPort();
}

void MainWindow::switchToCom2() {
  closePort();
  portName_ = QStringLiteral("COM2");
  openPort();
}

void MainWindow::openPort() {
  if (port_.IsOpen()) return;
  const std::string name = portName_.toStdString();
  const auto result = port_.Open(name);
  if (!result.ok) {
    std::cerr << "orvex-tool: can't open " << name << ": " << result.reason << '\n';
    session_.Append("can't open  " + name);
    session_.AppendEmpty();
    return;
  }
  receiveThread_ = new ReceiveThread(
      port_, this,
      [this](std::span<const std::uint8_t> read) { orvex::ReplyDispatcher(session_, read); },
      [this] { onPortHungUp(); });
  receiveThread_->start();
  session_.Append(name + "  open now");
  session_.AppendEmpty();
}

void MainWindow::closePort() {
  if (receiveThread_ != nullptr) {
    receiveThread_->requestStop();
    // The thread may be waiting for the dispatcher to run here: keep
    // handling events until it has ended.
    while (!receiveThread_->wait(20)) QCoreApplication::processEvents();
    delete receiveThread_;
    receiveThread_ = nullptr;
  }
  port_.Close();
}

void MainWindow::onPortHungUp() {
  // The message window keeps to the printer's own reports: an outstanding
  // request runs into its reply timeout as usual.
  std::cerr << "orvex-tool: " << portName_.toStdString() << " went away; no more reads from it\n";
}

// ---- timers ----

void MainWindow::buildTimers() {
  // Each tick is a call into the core.
  const auto make = [this](const char* name, void (MainWindow::*tick)()) {
    auto* t = new QTimer(this);
    t->setObjectName(QString::fromUtf8(name));
    t->setInterval(1000);
    connect(t, &QTimer::timeout, this, tick);
    return t;
  };
  offlineCountTimer_ = make("Timer1", &MainWindow::offlineCountTick);
  replyTimeoutTimer_ = make("Timer2", &MainWindow::replyTimeoutTick);
  variantWaitTimer_ = make("Timer3", &MainWindow::variantWaitTick);
}

QTimer* MainWindow::timer(orvex::TimerId id) const {
  switch (id) {
    case orvex::TimerId::OfflineCount:
      return offlineCountTimer_;
    case orvex::TimerId::ReplyTimeout:
      return replyTimeoutTimer_;
    case orvex::TimerId::VariantWait:
      break;
  }
  return variantWaitTimer_;
}

void MainWindow::SetTimerEnabled(orvex::TimerId id, bool enabled) {
  QTimer* t = timer(id);
  if (!enabled) {
    t->stop();
  } else if (!t->isActive()) {
    t->start();  // a running timer keeps its period
  }
}

bool MainWindow::TimerEnabled(orvex::TimerId id) const {
  return timer(id)->isActive();
}

void MainWindow::offlineCountTick() {
  orvex::OfflineCountTick(session_);
}
void MainWindow::replyTimeoutTick() {
  orvex::ReplyTimeoutTick(session_);
}
void MainWindow::variantWaitTick() {
  orvex::VariantWaitTick(session_);
}
