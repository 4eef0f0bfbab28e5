#pragma once
// Line settings of the printer port, applied to an open tty descriptor.

namespace orvex::platform {

// Raw 38400 8N1, receiver on, modem status lines ignored, no XON/XOFF and no
// RTS/CTS. Returns 0 or the errno of the failing call.
int ConfigureRawLine(int fd);

// Raises DTR and RTS, which some printers and adapters need to talk at all.
// Devices without modem lines (ptys) refuse; that is not an error.
void RaiseModemLines(int fd);

}  // namespace orvex::platform
