#include "app/desktop_opener.h"

#include <QDir>
#include <QPointer>
#include <QProcess>

namespace orvex::app {

void OpenOnDesktop(const QString& path, QObject* context, std::function<void(bool opened)> done) {
  // No parent: a QProcess that is destroyed kills its program, and xdg-open
  // may wait for the program it started (an editor, without a desktop
  // environment). One still running when the tool ends is left to itself.
  auto* opener = new QProcess;
  opener->setProgram(QStringLiteral("xdg-open"));
  opener->setArguments({path});
  opener->setStandardInputFile(QProcess::nullDevice());
  opener->setStandardOutputFile(QProcess::nullDevice());
  opener->setStandardErrorFile(QProcess::nullDevice());
  const QPointer<QObject> alive(context);
  auto report = [alive, done = std::move(done)](bool opened) {
    if (alive) done(opened);
  };
  QObject::connect(opener, &QProcess::finished, opener,
                   [opener, report](int exitCode, QProcess::ExitStatus status) {
                     report(status == QProcess::NormalExit && exitCode == 0);
                     opener->deleteLater();
                   });
  QObject::connect(opener, &QProcess::errorOccurred, opener,
                   [opener, report](QProcess::ProcessError error) {
                     if (error != QProcess::FailedToStart) return;
                     report(false);
                     opener->deleteLater();
                   });
  opener->start();
}

QString NothingOpenedText(const QString& path) {
  return QStringLiteral("Could not open %1: no program on this desktop opens it.")
      .arg(QDir::toNativeSeparators(path));
}

}  // namespace orvex::app
