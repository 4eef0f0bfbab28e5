// orvex-tool: sets up and tests an Orvex ticket printer on a serial port.

#include <QApplication>

#include "about_box.h"
#include "main_window.h"
#include "preview_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("orvex-tool"));

  MainWindow mainWindow;
  PreviewWindow previewWindow(&mainWindow);
  AboutBox aboutBox;
  mainWindow.setPreviewWindow(&previewWindow);
  mainWindow.setAboutBox(&aboutBox);
  mainWindow.show();
  return QApplication::exec();
}
