#include "app/start_file.h"

#include <QFileInfo>

#include "app/main_window.h"

namespace orvex::app {

void LoadStartFile(MainWindow& window, const QString& path) {
  // Absolute, as the file dialog gives it: the messages name it so.
  window.loadFormatFileAt(QFileInfo(path).absoluteFilePath());
}

}  // namespace orvex::app
