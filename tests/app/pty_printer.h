#pragma once
// A printer played by hand on the printer's end of a pseudo-terminal that
// the tool knows by a COM name (a link in the ports folder of configHome).

#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "pseudo_terminal.h"

class PtyPrinter {
 public:
  explicit PtyPrinter(const QString& configHome, const QString& port = QStringLiteral("COM3")) {
    if (line_.path.empty()) qFatal("no pseudo-terminal");
    const QString ports = configHome + QStringLiteral("/orvex-tool/ports");
    QDir().mkpath(ports);
    QFile::link(QString::fromStdString(line_.path), ports + QLatin1Char('/') + port);
  }

  void Write(std::initializer_list<std::uint8_t> bytes) const {
    if (!line_.Send(std::vector<std::uint8_t>(bytes))) qFatal("write to the pty failed");
  }

  // What the tool sent, collected while the window handles its events,
  // until `count` bytes are in or `limitMs` has passed.
  std::vector<std::uint8_t> Read(std::size_t count, int limitMs = 3000) const {
    std::vector<std::uint8_t> got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < count && clock.elapsed() < limitMs) {
      pollfd in{line_.master, POLLIN, 0};
      if (poll(&in, 1, 10) > 0) {
        std::uint8_t buffer[512];
        const ssize_t n = ::read(line_.master, buffer, sizeof buffer);
        if (n > 0) got.insert(got.end(), buffer, buffer + n);
      }
      QCoreApplication::processEvents();
    }
    return got;
  }

 private:
  orvex::test::PseudoTerminal line_;
};
