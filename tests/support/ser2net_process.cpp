#include "ser2net_process.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "bitmaps.h"
#include "fake_device_server.h"

namespace orvex::test {

std::string Ser2net::Program() {
  for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net"}) {
    if (access(path, X_OK) == 0) return path;
  }
  return {};
}

Ser2net::Ser2net(const std::string& folder, const std::vector<Served>& served)
    : folder_(folder), served_(served) {
  configPath_ = folder_ + "/ser2net.yaml";
  logPath_ = folder_ + "/ser2net.log";
  std::ostringstream config;
  for (std::size_t i = 0; i < served_.size(); ++i) {
    ports_.push_back(FreeLocalPort());
    // "local": a pseudo-terminal has no modem lines to watch.
    config << "connection: &printer" << i << "\n"
           << "  accepter: " << (served_[i].rfc2217 ? "telnet(rfc2217),tcp," : "tcp,")
           << "127.0.0.1," << ports_[i] << "\n"
           << "  connector: serialdev," << served_[i].device << ",38400n81,local\n";
  }
  WriteFile(configPath_, config.str());
}

Ser2net::~Ser2net() {
  Stop();
}

std::string Ser2net::Address(std::size_t i) const {
  return std::string(served_[i].rfc2217 ? "rfc2217" : "tcp") +
         "://127.0.0.1:" + std::to_string(ports_[i]);
}

bool Ser2net::Start() {
  if (Program().empty()) return false;
  Stop();
  ChildProcess::Options options;
  options.stdoutPath = logPath_;
  options.stderrPath = logPath_ + ".err";
  // In the foreground, without UUCP lock files (which need /var/lock) and
  // with a pid file of its own.
  process_ = std::make_unique<ChildProcess>(
      Program(), std::vector<std::string>{"-n", "-u", "-c", configPath_, "-P", folder_ + "/pid"},
      options);
  if (!process_->started()) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Listening()) return true;
    if (process_->Wait(0).has_value()) return false;  // it ended: a broken configuration
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void Ser2net::Stop() {
  if (process_ == nullptr) return;
  process_->Signal(SIGTERM);
  if (!process_->Wait(3000)) {
    process_->Signal(SIGKILL);
    process_->Wait(3000);
  }
  process_.reset();
}

bool Ser2net::Listening() const {
  // Lines of /proc/net/tcp: "sl local_address rem_address st ...", the
  // address in hex ("0100007F:1F90"), state 0A for listening.
  std::set<int> listening;
  std::istringstream table(ReadFile("/proc/net/tcp"));
  std::string line;
  std::getline(table, line);
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (state != "0A" || local.rfind("0100007F:", 0) != 0) continue;
    listening.insert(static_cast<int>(std::strtol(local.substr(9).c_str(), nullptr, 16)));
  }
  for (const int port : ports_) {
    if (listening.count(port) == 0) return false;
  }
  return true;
}

}  // namespace orvex::test
