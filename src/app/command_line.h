#pragma once
// The command line of orvex-tool: Qt's usual options (--help, --help-all,
// --version and the toolkit's own, such as -platform), the tool's, and a
// format file.

#include <QCommandLineParser>

class QCoreApplication;

// True when every argument asks for --help or --version: that text needs no
// window, so it is printed without connecting to a display.
bool AsksOnlyForText(int argc, char** argv);

// Reads the arguments of app into parser. --help and --version print their
// text and end the process; an unknown option or a stray argument prints the
// reason and ends it with exit code 1. Read the tool's options afterwards
// with parser.isSet(name) or parser.value(name), and the format file to load
// (at most one) from parser.positionalArguments().
void ReadCommandLine(QCommandLineParser& parser, const QCoreApplication& app);
