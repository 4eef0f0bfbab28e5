#include "app/command_line.h"

#include <QCoreApplication>
#include <QList>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace orvex::app {

namespace {

// The tool's own options; adding one is a line here.
const QList<QCommandLineOption>& ToolOptions() {
  static const QList<QCommandLineOption> options = {
      {QStringLiteral("trace"),
       QStringLiteral("Also print the traffic log's lines (every request and reply, timed and "
                      "named) on standard error.")},
  };
  return options;
}

}  // namespace

bool AsksOnlyForText(int argc, char** argv) {
  static const QStringList kTextOptions = {QStringLiteral("-h"), QStringLiteral("--help"),
                                           QStringLiteral("-?"), QStringLiteral("-v"),
                                           QStringLiteral("--version")};
  if (argc < 2) return false;
  for (int i = 1; i < argc; ++i) {
    if (!kTextOptions.contains(QString::fromLocal8Bit(argv[i]))) return false;
  }
  return true;
}

void ReadCommandLine(QCommandLineParser& parser, const QCoreApplication& app) {
  parser.setApplicationDescription(QStringLiteral(
      "Sets up and tests an Orvex 58 mm ticket printer on a serial port (38400 8N1).\n"
      "Pick the port in the window; COM1..COM9 map to devices through the links in\n"
      "~/.config/orvex-tool/ports/. Period reports are saved in the documents folder."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOptions(ToolOptions());
  parser.addPositionalArgument(
      QStringLiteral("file"),
      QStringLiteral("A format file (.orx) to load at the start, as \"Load  Ticket  Format\" "
                     "does."),
      QStringLiteral("[file]"));
  parser.process(app);
  if (parser.positionalArguments().size() > 1) {
    std::fprintf(stderr, "%s: unexpected argument '%s'; see --help\n",
                 qPrintable(QCoreApplication::applicationName()),
                 qPrintable(parser.positionalArguments().at(1)));
    std::exit(1);
  }
}

QString NoDisplayReason(int argc, char** argv,
                        const std::function<QByteArray(const char*)>& environment) {
  QString platform = QString::fromLocal8Bit(environment("QT_QPA_PLATFORM"));
  for (int i = 1; i + 1 < argc; ++i) {
    const QString argument = QString::fromLocal8Bit(argv[i]);
    if (argument == QStringLiteral("-platform") || argument == QStringLiteral("--platform")) {
      platform = QString::fromLocal8Bit(argv[i + 1]);
    }
  }
  platform = platform.section(QLatin1Char(':'), 0, 0);  // "xcb:option" names xcb
  // Wayland finds its default socket without WAYLAND_DISPLAY; offscreen,
  // vnc, linuxfb and the like need no session: Qt is left to judge them.
  if (!platform.isEmpty() && platform != QStringLiteral("xcb")) return {};
  if (!environment("DISPLAY").isEmpty()) return {};
  if (platform.isEmpty() && !environment("WAYLAND_DISPLAY").isEmpty()) return {};
  return QStringLiteral(
             "the window needs a desktop session, and there is none here (%1 set). Start it "
             "from a desktop, or through ssh -X. Without a desktop, orvex-provision sets up and "
             "tests printers from the command line; see orvex-provision(1).")
      .arg(platform.isEmpty() ? QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is")
                              : QStringLiteral("xcb asked for, DISPLAY not"));
}

}  // namespace orvex::app
