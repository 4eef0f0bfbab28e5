#pragma once
// orvex-sim as a process of its own for the end-to-end tests; it links its
// port in a ConfigHome (app_fixture.h) of the test process.

#include <sys/resource.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/status_bar.h"
#include "app_fixture.h"

namespace {

// The simulator, serving `port` with its link under configHome.
class Simulator {
 public:
  Simulator(const QString& configHome, const QStringList& extraArgs,
            const QString& port = QStringLiteral("COM3")) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(ORVEX_SIM_EXE),
                   QStringList{QStringLiteral("--port"), port} + extraArgs);
    link_ = configHome + QStringLiteral("/orvex-tool/ports/") + port;
  }
  // The pseudo-terminal served now.
  QString device() const { return QFileInfo(link_).symLinkTarget(); }
  ~Simulator() { Stop(); }

  bool WaitUntilServing() {
    if (!process_.waitForStarted(5000)) return false;
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(link_) && clock.elapsed() < 5000) QTest::qWait(20);
    return QFileInfo::exists(link_);
  }
  void Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
      process_.kill();
      process_.waitForFinished(3000);
    }
  }

 private:
  QProcess process_;
  QString link_;
};

// The status bar's words about the port.
inline QString PortStatus(AppFixture& f) {
  return f.form->toolStatusBar()->portStatus();
}

// This process's CPU time so far, user and system.
inline double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace
