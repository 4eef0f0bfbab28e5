#include "start_file.h"

#include <QFileInfo>
#include <string>

#include "formatfile/format_file.h"
#include "main_window.h"

void LoadStartFile(MainWindow& window, const QString& path) {
  // Absolute, as the file dialog gives it: the messages name it so.
  const std::string absolute = QFileInfo(path).absoluteFilePath().toStdString();
  window.sessionThread().post(
      [absolute](orvex::Session& session) { orvex::LoadFormatFileAt(session, absolute); });
}
