#pragma once
// The command line of orvex-tool: Qt's usual options (--help, --help-all,
// --version and the toolkit's own, such as -platform), the tool's, and a
// format file.

#include <QByteArray>
#include <QCommandLineParser>
#include <QString>
#include <functional>

class QCoreApplication;

namespace orvex::app {

// True when every argument asks for --help or --version: that text needs no
// window, so it is printed without connecting to a display.
bool AsksOnlyForText(int argc, char** argv);

// Reads the arguments of app into parser. --help and --version print their
// text and end the process; an unknown option or a stray argument prints the
// reason and ends it with exit code 1. Read the tool's options afterwards
// with parser.isSet(name) or parser.value(name), and the format file to load
// (at most one) from parser.positionalArguments().
void ReadCommandLine(QCommandLineParser& parser, const QCoreApplication& app);

// Why the window cannot be shown, or an empty text when it can: the Qt
// platform to use (-platform, else QT_QPA_PLATFORM, else the desktop's) is
// X11 or Wayland and the session names no display for it. Checked before
// QApplication, which would abort with advice meant for broken installs.
// `environment` gives a variable's value (empty when unset).
QString NoDisplayReason(int argc, char** argv,
                        const std::function<QByteArray(const char*)>& environment);

}  // namespace orvex::app
