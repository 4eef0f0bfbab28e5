// The traffic log of the main window: its window, its files, and the status
// bar's word when the files fail.

#include <QLabel>
#include <QMetaObject>

#include "app/main_window.h"
#include "app/status_bar.h"
#include "app/traffic_log_window.h"

namespace orvex::app {

void MainWindow::setUpTrafficLog() {
  trafficLogWindow_ = std::make_unique<TrafficLogWindow>();
  // Lines are made on the session thread; the window shows them on its own.
  trafficLog_.SetLineListener([this](const std::string& line) {
    QMetaObject::invokeMethod(
        this, [this, text = QString::fromStdString(line)] { trafficLogWindow_->addLine(text); },
        Qt::QueuedConnection);
  });
  trafficLog_.writer().SetFailureHandler([this](const std::string& reason) {
    // From the writer's thread: the status bar is the window thread's.
    const QString text = QString::fromStdString(reason);
    QMetaObject::invokeMethod(
        this, [this, text] { onTrafficFilesFailed(text); }, Qt::QueuedConnection);
  });
  session_->setPortTaken([this](const std::string& comName) { trafficLog_.SetPort(comName); });
  session_->session().traffic.SetObserver(&trafficLog_);
}

void MainWindow::startTrafficLog(const QString& folder, bool trace) {
  // The writer takes lines from any thread, the session's among them.
  if (!folder.isEmpty()) {
    trafficLog_.StartFiles(folder.toStdString());
    trafficLogWindow_->setFolder(folder);
  }
  if (trace) trafficLog_.writer().StartTrace(2);
}

void MainWindow::showTrafficLog() {
  trafficLogWindow_->show();
  trafficLogWindow_->raise();
  trafficLogWindow_->activateWindow();
}

void MainWindow::onTrafficFilesFailed(const QString& reason) {
  // Said once, and left standing on the right, since no more lines reach the
  // files in this run; the window and --trace go on.
  statusBar_->showNotice(QStringLiteral("Traffic log stopped: ") + reason);
  auto* stopped = new QLabel(QStringLiteral("Traffic log stopped"), statusBar_);
  stopped->setObjectName(QStringLiteral("TrafficLogStopped"));
  stopped->setToolTip(reason);
  statusBar_->addPermanentWidget(stopped);
  trafficLogWindow_->setFolder({});
}

}  // namespace orvex::app
