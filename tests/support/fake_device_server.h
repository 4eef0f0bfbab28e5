#pragma once
// A serial device server played by a test on 127.0.0.1: it listens on a free
// port and hands each connection to the test's script, on a thread of its
// own. The helpers speak the few bytes of telnet and RFC 2217 a script needs,
// written here from the RFC, apart from the tool's own telnet code.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvex::test {

using Bytes = std::vector<std::uint8_t>;

class FakeDeviceServer {
 public:
  using Script = std::function<void(int fd)>;
  // backlog 0 and accept false: a server whose queue fills at once, so that
  // a later connect never gets an answer. port 0: a free one.
  explicit FakeDeviceServer(Script script, bool accept = true, int backlog = 8, int port = 0);
  ~FakeDeviceServer();
  FakeDeviceServer(const FakeDeviceServer&) = delete;
  FakeDeviceServer& operator=(const FakeDeviceServer&) = delete;

  int port() const { return port_; }
  // "rfc2217://127.0.0.1:P" for scheme "rfc2217".
  std::string Address(const std::string& scheme) const;
  int accepted() const { return accepted_.load(); }

 private:
  Script script_;
  int listener_ = -1;
  int stopFd_ = -1;
  int port_ = 0;
  std::atomic<int> accepted_ = 0;
  std::thread acceptor_;
  std::mutex mutex_;
  std::vector<std::thread> connections_;
  std::vector<int> heldOpen_;  // connections of a server that does not accept
};

// A free TCP port on 127.0.0.1 (nothing listens there when it returns).
int FreeLocalPort();

// Bytes that come within `ms` (until the peer closes).
Bytes ReadFor(int fd, int ms);
// Reads until `done(got)` holds or `ms` pass; false on timeout or close.
bool ReadUntil(int fd, Bytes& got, const std::function<bool(const Bytes&)>& done, int ms);
void SendAll(int fd, const Bytes& bytes);

// The COM-PORT-OPTION subnegotiations in `bytes`: command -> value, in the
// order they came (a command sent twice keeps its last value).
std::map<int, Bytes> ComPortCommands(const Bytes& bytes);

// An RFC 2217 server's side of the setup: offers the option (DO COM-PORT),
// reads the client's line settings and answers each with the value asked,
// except those `answers` names (command -> value to answer instead). Bytes
// of the printer in `early` are sent before the answers, as a printer
// announcing itself meanwhile would. What the client sent comes back.
Bytes ServeRfc2217Setup(int fd, const std::map<int, Bytes>& answers = {}, const Bytes& early = {});

}  // namespace orvex::test
