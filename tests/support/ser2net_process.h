#pragma once
// ser2net (Debian's) as the device server of a test: it serves pseudo-
// terminals (orvex-sim's) on 127.0.0.1 only, from a configuration the test
// writes, in telnet with RFC 2217 or in raw TCP. It can be stopped and
// started again on the same ports.

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

namespace orvex::test {

class Ser2net {
 public:
  struct Served {
    std::string device;  // the pseudo-terminal: "/dev/pts/3"
    bool rfc2217 = true;
  };

  // Where ser2net is installed, or "" when it is not.
  static std::string Program();

  // Writes the configuration into `folder` with a free port for each; not
  // started yet.
  Ser2net(const std::string& folder, const std::vector<Served>& served);
  ~Ser2net();
  Ser2net(const Ser2net&) = delete;
  Ser2net& operator=(const Ser2net&) = delete;

  // Starts it and waits until every port listens (read from /proc/net/tcp,
  // so that no connection reaches a printer before the tool's).
  bool Start();
  // Ends it (SIGTERM) and waits: its connections close.
  void Stop();

  int tcpPort(std::size_t i) const { return ports_[i]; }
  // "rfc2217://127.0.0.1:P" or "tcp://127.0.0.1:P".
  std::string Address(std::size_t i) const;
  const std::string& log() const { return logPath_; }

 private:
  bool Listening() const;

  std::string folder_;
  std::vector<Served> served_;
  std::vector<int> ports_;
  std::string configPath_;
  std::string logPath_;
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace orvex::test
