#pragma once
// Hands a file or a folder to the desktop's "open" (xdg-open) and tells
// whether anything opened it. QDesktopServices only tells whether xdg-open
// could be started: when xdg-open then finds no program for the file (exit
// status 3 or 4), nothing at all happened and nobody said so.

#include <QString>
#include <functional>

class QObject;

namespace orvex::app {

// Runs xdg-open on path; done(true) once it has handed the path on,
// done(false) when it is missing or no program opened the path. done runs
// on the calling thread, unless `context` has gone by then.
void OpenOnDesktop(const QString& path, QObject* context, std::function<void(bool opened)> done);

// What the tool says when nothing opened path.
QString NothingOpenedText(const QString& path);

}  // namespace orvex::app
