// orvex-tool: sets up and tests an Orvex ticket printer on a serial port.

#include <QApplication>
#include <QIcon>
#include <csignal>
#include <cstdio>

#include "app/about_box.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/start_file.h"
#include "platform/traffic/traffic_writer.h"

int main(int argc, char* argv[]) {
  using namespace orvex::app;
  QCoreApplication::setApplicationName(QStringLiteral("orvex-tool"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORVEX_VERSION));
  QCommandLineParser commandLine;
  if (AsksOnlyForText(argc, argv)) {
    const QCoreApplication textOnly(argc, argv);
    ReadCommandLine(commandLine, textOnly);  // prints the text and ends the process
    return 0;
  }
  if (const QString reason = NoDisplayReason(argc, argv, qgetenv); !reason.isEmpty()) {
    std::fprintf(stderr, "orvex-tool: %s\n", qPrintable(reason));
    return 1;
  }
  // Standard error may be a pipe whose reader goes (--trace 2> >(head)):
  // what is written there is then lost, and the tool goes on.
  std::signal(SIGPIPE, SIG_IGN);
  QApplication app(argc, argv);
  ReadCommandLine(commandLine, app);
  // The desktop finds the menu entry and the icon by this id.
  QGuiApplication::setDesktopFileName(QStringLiteral(ORVEX_APP_ID));
  QApplication::setWindowIcon(
      QIcon::fromTheme(QStringLiteral(ORVEX_APP_ID), QIcon(printerIcon(QSize(64, 64)))));

  MainWindow mainWindow;
  PreviewWindow previewWindow(&mainWindow);
  AboutBox aboutBox;
  mainWindow.setPreviewWindow(&previewWindow);
  mainWindow.setAboutBox(&aboutBox);
  mainWindow.startTrafficLog(QString::fromStdString(orvex::platform::TrafficFolder()),
                             commandLine.isSet(QStringLiteral("trace")));
  mainWindow.show();
  if (!commandLine.positionalArguments().isEmpty())
    LoadStartFile(mainWindow, commandLine.positionalArguments().first());
  return QApplication::exec();
}
