#pragma once
// Why a port does not open, in plain words, with what to do about it.

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/serial/port_names.h"

namespace orvex::platform {

enum class PortProblemKind {
  None,
  NoDevice,          // nothing there (no link, no UART, no adapter; or the node is gone)
  PermissionDenied,  // the user may not open it
  InUse,             // another program holds it
  NotSerial,         // it is no serial port
  Other,             // anything else the system says
  // A device server's address:
  BadAddress,    // the address is malformed or its name does not resolve
  Unreachable,   // refused, no answer, dropped: trying again later may help
  LineSettings,  // the server does not take 38400 8N1 (or RFC 2217 at all)
};

// The cause and its fix, as every program tells them (PortProblemText).
struct PortProblem {
  PortProblemKind kind = PortProblemKind::None;
  std::string cause;   // "permission denied on /dev/ttyUSB0 (group dialout)"
  std::string fix;     // "Join the group: sudo usermod -aG dialout tech, then log in again ..."
  std::string more;    // further advice, for a tooltip; may be empty
  std::string reason;  // a few words, no advice: "no such device", "permission denied", ...
};

// "<cause>. <fix>": the one text of a problem, the same in the window's
// status bar, on its standard error and in orvex-provision's report.
std::string PortProblemText(const PortProblem& problem);

// The fix while the tool waits for a device that is not there yet: plugging
// it in (or making the link) is enough, no restart.
std::string AwaitingFix(const PortDevice& port);

// What an open did: the port the name stood for, and why it failed.
struct PortOpenResult {
  bool ok = false;
  std::string reason;   // for standard error: no such device, permission denied, ...
  PortDevice port;      // what the name stood for
  PortProblem problem;  // why it failed, in plain words, with the fix
};

// A process that has the device open.
struct DeviceHolder {
  pid_t pid = 0;
  std::string name;  // /proc/<pid>/comm
};

// Processes with the device at `path` open, as far as /proc shows them (a
// user sees only their own processes' descriptors). Found by device number,
// so any name of the device counts.
std::vector<DeviceHolder> ProcessesHolding(const std::string& path,
                                           const std::string& procFolder = "/proc");

// Processes whose name (/proc/<pid>/comm) is `name`, by pid.
std::vector<DeviceHolder> ProcessesNamed(const std::string& name,
                                         const std::string& procFolder = "/proc");

// The problem behind an open() or flock() error `error` on `port`.
PortProblem DiagnoseOpenFailure(int error, const PortDevice& port);
// The port is present but names nothing to open (PortSource::None).
PortProblem NoDeviceProblem(const PortDevice& port);
// The device opened but is not a terminal, or is a ttyS node without a UART.
PortProblem NotSerialProblem(const PortDevice& port);

}  // namespace orvex::platform
