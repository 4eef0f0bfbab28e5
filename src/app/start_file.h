#pragma once
// `orvex-tool FILE.orx` (a format file opened from the desktop or a file
// manager): loaded once the window is up, as "Load  Ticket  Format" loads the
// file chosen in its dialog.

#include <QString>

namespace orvex::app {

class MainWindow;

void LoadStartFile(MainWindow& window, const QString& path);

}  // namespace orvex::app
