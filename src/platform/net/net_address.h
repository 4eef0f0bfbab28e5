#pragma once
// A printer's serial line behind a serial device server, named by address:
// rfc2217://HOST:PORT is telnet with the COM-PORT-OPTION (the tool sets the
// line to 38400 8N1 itself); tcp://HOST:PORT is raw TCP (the server's own
// line settings apply). Neither carries authentication or encryption.

#include <string>

namespace orvex::platform {

enum class NetMode { None, Rfc2217, RawTcp };

struct NetAddress {
  NetMode mode = NetMode::None;
  std::string text;     // as written, trimmed: "rfc2217://192.0.2.21:4001"
  std::string host;     // "192.0.2.21", "printers.venue", "::1" (without brackets)
  std::string service;  // "4001"
  // Why the text is no usable address ("no port number"); empty when it is.
  std::string problem;

  bool named() const { return mode != NetMode::None; }
  bool ok() const { return named() && problem.empty(); }
  // "192.0.2.21:4001", "[::1]:4001"
  std::string HostPort() const;
  // The same server port whatever the scheme and the case of the name.
  std::string Key() const;
};

// Whether `text` is meant as an address: it begins with "rfc2217://" or
// "tcp://" (any case).
bool LooksLikeNetAddress(const std::string& text);
// Mode None when the text does not look like an address; otherwise the
// parts, or the problem with them.
NetAddress ParseNetAddress(const std::string& text);

}  // namespace orvex::platform
