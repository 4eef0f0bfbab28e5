// The traffic log of the main window: its window, its files and the status
// note when the files fail.

#include <QMetaObject>
#include <QStatusBar>
#include <iostream>

#include "traffic_log_window.h"
#include "unit1.h"

void TForm1::setUpTrafficLog() {
  trafficLogWindow_ = std::make_unique<TrafficLogWindow>();
  trafficLog_.SetLineListener([this](const std::string& line) {
    trafficLogWindow_->addLine(QString::fromStdString(line));
  });
  trafficLog_.writer().SetFailureHandler([this](const std::string& reason) {
    // From the writer's thread: the note is shown on the window's.
    const QString note = QStringLiteral("Traffic log stopped: ") + QString::fromStdString(reason);
    QMetaObject::invokeMethod(
        this, [this, note] { showStatusNote(note); }, Qt::QueuedConnection);
  });
  session_.traffic.SetObserver(&trafficLog_);
}

void TForm1::startTrafficLog(const QString& folder, bool trace) {
  if (!folder.isEmpty()) {
    trafficLog_.StartFiles(folder.toStdString());
    trafficLogWindow_->setFolder(folder);
  }
  if (trace) trafficLog_.writer().StartTrace(2);
}

void TForm1::showTrafficLog() {
  trafficLogWindow_->show();
  trafficLogWindow_->raise();
  trafficLogWindow_->activateWindow();
}

void TForm1::showStatusNote(const QString& text) {
  lastStatusNote_ = text;
  if (auto* bar = findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly)) {
    bar->showMessage(text);
  } else {
    std::cerr << "orvex-tool: " << text.toStdString() << '\n';
  }
}
