#include "start_file.h"

#include <QFileInfo>

#include "main_window.h"

void LoadStartFile(MainWindow& window, const QString& path) {
  // Absolute, as the file dialog gives it: the messages name it so.
  window.loadFormatFileAt(QFileInfo(path).absoluteFilePath());
}
