// The port and its status: choosing the port, and the status bar's words
// about what the session's port keeper did with it. Opening, closing, the
// wait for a device that went away and the reopening run on the session
// thread (PortKeeper).

#include <QApplication>
#include <QComboBox>

#include "app/main_window.h"
#include "app/port_status_text.h"
#include "app/status_bar.h"

namespace orvex::app {

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
}

void MainWindow::openChosenPort() {
  // One choice per run.
  portBox_->setEnabled(false);
  const int index = portBox_->currentIndex();
  if (index >= 0 && index <= 8) portName_ = QStringLiteral("COM%1").arg(index + 1);
  sayPortChosen();
  session_->openPort(portName_.toStdString());
}

void MainWindow::switchToCom1() {
  portName_ = QStringLiteral("COM1");
  sayPortChosen();
  session_->switchPort(portName_.toStdString());
}

void MainWindow::switchToCom2() {
  portName_ = QStringLiteral("COM2");
  sayPortChosen();
  session_->switchPort(portName_.toStdString());
}

void MainWindow::sayPortChosen() {
  // The locked list says why it is locked and what to do about it.
  portBox_->setToolTip(portName_ + QStringLiteral(" is chosen for this run. ") +
                       portChoiceLockedText());
}

void MainWindow::showPortEvent(const PortEvent& event) {
  const platform::PortDevice& device = event.device;
  statusBar_->setPortStatus(event.text, portDetails(device, event.problem));
  if (!event.notice.isEmpty()) statusBar_->showNotice(event.notice);
}

}  // namespace orvex::app
