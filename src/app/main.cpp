// orvex-tool: sets up and tests an Orvex ticket printer on a serial port.

#include <QApplication>

#include "about.h"
#include "unit1.h"
#include "unit3.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("orvex-tool"));

  TForm1 form1;
  TForm3 form3(&form1);
  TAboutBox aboutBox;
  form1.SetPreviewWindow(&form3);
  form1.SetAboutBox(&aboutBox);
  form1.show();
  return QApplication::exec();
}
