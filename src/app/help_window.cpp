#include "app/help_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QVBoxLayout>

namespace orvex::app {

namespace {

QString FirstExisting(const QStringList& candidates) {
  for (const QString& path : candidates) {
    if (QFileInfo(path).isFile()) return QFileInfo(path).absoluteFilePath();
  }
  return {};
}

QString Installed(const QString& underShare) {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/../share/") + underShare;
}

}  // namespace

QString ManualPagePath() {
  return FirstExisting({Installed(QStringLiteral("man/man1/orvex-tool.1.gz")),
                        QStringLiteral(ORVEX_SOURCE_DIR "/packaging/man/orvex-tool.1")});
}

QString ReadmePath() {
  return FirstExisting({Installed(QStringLiteral("doc/orvex-tool/README.md")),
                        QStringLiteral(ORVEX_SOURCE_DIR "/README.md")});
}

ManualWindow::ManualWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("ManualWindow"));
  setWindowTitle(QStringLiteral("orvex-tool(1)"));
  resize(720, 600);
  view_ = new QPlainTextEdit(this);
  view_->setObjectName(QStringLiteral("ManualText"));
  view_->setReadOnly(true);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view_->setAccessibleName(QStringLiteral("Manual"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_);
  // Escape closes it, as it closes the traffic log and the preview.
  auto* closing = new QAction(this);
  closing->setShortcut(QKeySequence(Qt::Key_Escape));
  closing->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(closing, &QAction::triggered, this, &QWidget::close);
  addAction(closing);
}

void ManualWindow::showPage(const QString& page,
                            const std::function<void(const QString& reason)>& failed) {
  if (page.isEmpty()) {
    failed(QStringLiteral("No manual page orvex-tool(1) was found next to the program."));
    return;
  }
  auto* man = new QProcess(this);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
  environment.remove(QStringLiteral("MAN_KEEP_FORMATTING"));  // plain text into a pipe
  man->setProcessEnvironment(environment);
  man->setStandardInputFile(QProcess::nullDevice());
  man->setStandardErrorFile(QProcess::nullDevice());
  const QString cannot =
      QStringLiteral("The manual needs man (package man-db) to show ") + page + QStringLiteral(".");
  connect(man, &QProcess::finished, this,
          [this, man, failed, cannot](int exitCode, QProcess::ExitStatus status) {
            const QString text = QString::fromUtf8(man->readAllStandardOutput());
            man->deleteLater();
            if (status != QProcess::NormalExit || exitCode != 0 || text.isEmpty()) {
              failed(cannot);
              return;
            }
            view_->setPlainText(text);
            show();
            raise();
            activateWindow();
          });
  connect(man, &QProcess::errorOccurred, this, [man, failed, cannot](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    man->deleteLater();
    failed(cannot);
  });
  man->start(QStringLiteral("man"), {QStringLiteral("-l"), page});
}

QString ManualWindow::text() const {
  return view_->toPlainText();
}

}  // namespace orvex::app
