// The port and its status: choosing the port, opening and closing it with
// its receive thread, getting it back after its device went away, the
// status bar, and the three one-second timers of the link.

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <iostream>

#include "link/link_control.h"
#include "link/reply_dispatcher.h"
#include "link/stuck_watch.h"
#include "main_window.h"
#include "port_recovery.h"
#include "port_status_text.h"
#include "receive_thread.h"
#include "status_bar.h"

void MainWindow::buildStatusBar() {
  // Below the designed client area: the tool's own words about the port.
  statusBar_ = new StatusBar(this);
  QFont barFont = QApplication::font();  // plain text, not the designed bold serif
  barFont.setBold(false);
  statusBar_->setFont(barFont);
  setStatusBar(statusBar_);
  statusBar_->setPortStatus(
      QStringLiteral("No port open: choose the printer's port above (hold the mouse over a name "
                     "to see its device)."));
  // Where the period report went, since the message window only says that
  // it is done.
  connect(this, &MainWindow::workbookSaved, statusBar_, [this](const QString& path) {
    statusBar_->showSavedFile(QStringLiteral("Workbook"), path);
  });
  portRecovery_ = new PortRecovery(
      this, [this](const orvex::platform::PortDevice& device) { onPortBack(device); });
}

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
  portDevice_ = result.port;
  if (!result.ok) {
    std::cerr << "orvex-tool: can't open " << name << ": " << result.reason << '\n';
    session_.Append("can't open  " + name);
    session_.AppendEmpty();
    // A device that is not there yet is waited for: plugged in, it opens
    // as if chosen then. Other causes need the user's fix and a new start.
    if (result.problem.kind == orvex::platform::PortProblemKind::NoDevice &&
        portRecovery_->watch(result.port)) {
      statusBar_->setPortStatus(portAwaitedText(result.port, result.problem),
                                portDetails(result.port, result.problem));
      portRecovery_->checkNow();
      return;
    }
    statusBar_->setPortStatus(portFailedText(result.port, result.problem),
                              portDetails(result.port, result.problem));
    return;
  }
  portWasOpen_ = true;
  startReceiveThread();
  statusBar_->setPortStatus(portOpenText(result.port), portDetails(result.port));
  session_.Append(name + "  open now");
  session_.AppendEmpty();
}

void MainWindow::startReceiveThread() {
  const int generation = ++portGeneration_;
  receivedReads_.Resume();
  receiveThread_ = new ReceiveThread(
      port_, receivedReads_, this, [this] { orvex::DispatchQueuedReads(session_, receivedReads_); },
      [this, generation] { onPortHungUp(generation); });
  receiveThread_->start();
}

void MainWindow::closePort() {
  if (portRecovery_ != nullptr) portRecovery_->stop();
  stopReceiveThread();
  port_.Close();
}

void MainWindow::stopReceiveThread() {
  if (receiveThread_ != nullptr) {
    receiveThread_->requestStop();
    // It waits for nothing of this thread, so it ends at once. Bursts it
    // queued before are still dispatched, in order, as their turn comes.
    receiveThread_->wait();
    delete receiveThread_;
    receiveThread_ = nullptr;
  }
}

void MainWindow::onPortHungUp(int generation) {
  if (generation != portGeneration_ || receiveThread_ == nullptr) return;  // closed since
  // The message window keeps to the printer's own reports: an outstanding
  // request runs into its reply timeout as usual. The status bar says what
  // happened and the tool waits for the device to come back.
  std::cerr << "orvex-tool: " << portName_.toStdString()
            << " went away; waiting for it to come back\n";
  stopReceiveThread();  // it ended after the hang-up
  // The watch begins before the close (see PortWatch); the device is let go
  // of at once, so that it comes back under its old name.
  const bool watching = portRecovery_->watch(portDevice_);
  port_.Close();
  statusBar_->setPortStatus(portGoneText(portDevice_, watching), portDetails(portDevice_));
  portRecovery_->checkNow();
}

void MainWindow::onPortBack(const orvex::platform::PortDevice& device) {
  if (port_.IsOpen()) return;
  // The same settings and exclusive use as the first open.
  const auto result = port_.Open(device);
  if (!result.ok) {
    std::cerr << "orvex-tool: " << portName_.toStdString()
              << " is there but can't open: " << result.reason << '\n';
    statusBar_->setPortStatus(portBackButFailingText(device, result.problem),
                              portDetails(device, result.problem));
    return;  // tried again on the next change
  }
  portRecovery_->stop();
  portDevice_ = result.port;
  startReceiveThread();
  std::cerr << "orvex-tool: " << portName_.toStdString() << " is open on " << result.port.device
            << '\n';
  statusBar_->setPortStatus(portOpenText(result.port), portDetails(result.port));
  if (portWasOpen_) {
    statusBar_->showNotice(portBackNotice(result.port));
  } else {
    // The first open, late: the message window says so as for one at once.
    portWasOpen_ = true;
    session_.Append(portName_.toStdString() + "  open now");
    session_.AppendEmpty();
  }
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
  // The tool's own: ends the states that none of the three ends.
  stuckWatchTimer_ = new QTimer(this);
  stuckWatchTimer_->setInterval(1000);
  connect(stuckWatchTimer_, &QTimer::timeout, this, [this] { orvex::StuckWatchTick(session_); });
}

QTimer* MainWindow::timer(orvex::TimerId id) const {
  switch (id) {
    case orvex::TimerId::OfflineCount:
      return offlineCountTimer_;
    case orvex::TimerId::ReplyTimeout:
      return replyTimeoutTimer_;
    case orvex::TimerId::StuckWatch:
      return stuckWatchTimer_;
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
