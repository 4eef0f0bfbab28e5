#pragma once
// A desktop's "open" for one test: an xdg-open early in PATH.

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include "app_fixture.h"

// A desktop's "open" of its own while it lives: an xdg-open early in PATH
// that records what it was given and ends with `status` (3: no program for
// it, as xdg-open says when nothing opens a file).
class FakeDesktop {
 public:
  explicit FakeDesktop(int status = 0)
      : path_("PATH", (dir_.path() + QStringLiteral(":") + qgetenv("PATH")).toLocal8Bit()) {
    QFile script(dir_.filePath(QStringLiteral("xdg-open")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\nexit %2\n")
                     .arg(dir_.filePath(QStringLiteral("opened")))
                     .arg(status)
                     .toLocal8Bit());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  QStringList opened() const {
    QFile file(dir_.filePath(QStringLiteral("opened")));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

 private:
  QTemporaryDir dir_;
  ScopedVariable path_;
};
