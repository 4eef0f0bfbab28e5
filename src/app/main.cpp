// orvex-tool: sets up and tests an Orvex ticket printer on a serial port.

#include <QApplication>
#include <QIcon>

#include "about.h"
#include "command_line.h"
#include "traffic/traffic_writer.h"
#include "unit1.h"
#include "unit3.h"

int main(int argc, char* argv[]) {
  QCoreApplication::setApplicationName(QStringLiteral("orvex-tool"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ORVEX_VERSION));
  QCommandLineParser commandLine;
  if (AsksOnlyForText(argc, argv)) {
    const QCoreApplication textOnly(argc, argv);
    ReadCommandLine(commandLine, textOnly);  // prints the text and ends the process
    return 0;
  }
  QApplication app(argc, argv);
  ReadCommandLine(commandLine, app);
  // The desktop finds the menu entry and the icon by this id.
  QGuiApplication::setDesktopFileName(QStringLiteral(ORVEX_APP_ID));
  QApplication::setWindowIcon(
      QIcon::fromTheme(QStringLiteral(ORVEX_APP_ID), QIcon(PrinterIcon(QSize(64, 64)))));

  TForm1 form1;
  TForm3 form3(&form1);
  TAboutBox aboutBox;
  form1.SetPreviewWindow(&form3);
  form1.SetAboutBox(&aboutBox);
  form1.startTrafficLog(QString::fromStdString(orvex::platform::TrafficFolder()),
                        commandLine.isSet(QStringLiteral("trace")));
  form1.show();
  return QApplication::exec();
}
