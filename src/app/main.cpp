// orvex-tool: sets up and tests an Orvex ticket printer on a serial port.

#include <QApplication>
#include <QCommandLineParser>

#include "about.h"
#include "traffic/traffic_writer.h"
#include "unit1.h"
#include "unit3.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("orvex-tool"));

  QCommandLineParser options;
  const QCommandLineOption trace(
      QStringLiteral("trace"),
      QStringLiteral("Also print the traffic log's lines to standard error."));
  options.addOption(trace);
  options.process(app);

  TForm1 form1;
  TForm3 form3(&form1);
  TAboutBox aboutBox;
  form1.SetPreviewWindow(&form3);
  form1.SetAboutBox(&aboutBox);
  form1.startTrafficLog(QString::fromStdString(orvex::platform::TrafficFolder()),
                        options.isSet(trace));
  form1.show();
  return QApplication::exec();
}
