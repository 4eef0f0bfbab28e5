#pragma once
// The serial port: POSIX termios on a non-blocking descriptor, 38400 8N1 raw
// without flow control, opened for exclusive use.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex::platform {

// "COM1".."COM9" -> device path: the symlink
// $XDG_CONFIG_HOME/orvex-tool/ports/COMn (default ~/.config/orvex-tool/ports/)
// when it exists, else /dev/ttyS<n-1>.
std::string PortsFolder();
std::string DevicePathFor(const std::string& comName);

class SerialPort {
 public:
  SerialPort();
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  struct OpenResult {
    bool ok = false;
    std::string reason;  // for standard error: no such device, permission denied, ...
  };
  OpenResult Open(const std::string& comName);
  bool IsOpen() const;

  // Blocking single-byte write; failures are not reported.
  void WriteByte(std::uint8_t byte);

  enum class ReadStatus { Data, Woken, HungUp };
  // Waits in poll() (no busy loop) until bytes arrive, Wake() is called or
  // the device goes away. With bytes: reads one burst, which ends when no
  // byte has come for gapMs or when maxBytes are in.
  ReadStatus ReadBurst(std::vector<std::uint8_t>& out, std::size_t maxBytes = 30000,
                       int gapMs = 50);
  // Safe from any thread: makes a waiting ReadBurst return Woken.
  void Wake();

  void Close();

 private:
  int fd_ = -1;
  int wakeFd_ = -1;
  bool hungUp_ = false;
};

}  // namespace orvex::platform
