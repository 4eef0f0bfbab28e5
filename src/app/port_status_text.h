#pragma once
// The status bar's words about the port.

#include <QString>

#include "platform/serial/port_names.h"
#include "platform/serial/port_problem.h"

namespace orvex::app {

// "COM3  /dev/ttyUSB0  38400 8N1  open", "COM5  rfc2217://192.0.2.21:4001  38400 8N1  open";
// for raw TCP the device server's line settings apply, and the text says so.
QString portOpenText(const platform::PortDevice& port);
// "COM3  can't open: <cause>. <fix>"
QString portFailedText(const platform::PortDevice& port, const platform::PortProblem& problem);
// A port whose device is not there, watched for: it opens once plugged in;
// and another port needs a restart.
QString portAwaitedText(const platform::PortDevice& port, const platform::PortProblem& problem);
// The port is chosen once per run: how to choose another.
QString portChoiceLockedText();
// The device hung up: gone, and how to get it back. For an address: the
// connection was lost, and the tool connects again.
QString portGoneText(const platform::PortDevice& port, bool watching);
// The device is there again but does not open (yet): why, and that the tool
// keeps watching.
QString portBackButFailingText(const platform::PortDevice& port,
                               const platform::PortProblem& problem);
// The notice when the device is open again.
QString portBackNotice(const platform::PortDevice& port);
// The tooltip of the port line: the problem's further advice and what the
// system knows of the device.
QString portDetails(const platform::PortDevice& port, const platform::PortProblem& problem = {});

}  // namespace orvex::app
