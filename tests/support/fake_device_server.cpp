#include "fake_device_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace orvex::test {
namespace {

constexpr std::uint8_t kIac = 255, kSb = 250, kSe = 240, kDo = 253, kComPort = 44;

int Listen(int backlog, int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, backlog) != 0) {
    close(fd);
    return -1;
  }
  socklen_t size = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

int FreeLocalPort() {
  int port = 0;
  const int fd = Listen(1, port);
  if (fd >= 0) close(fd);
  return port;
}

FakeDeviceServer::FakeDeviceServer(Script script, bool accept, int backlog, int port)
    : script_(std::move(script)), stopFd_(eventfd(0, EFD_CLOEXEC)), port_(port) {
  listener_ = Listen(backlog, port_);
  if (!accept) {
    // Fill the queue: the kernel answers no SYN while it is full.
    for (int i = 0; i < 4; ++i) {
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(static_cast<std::uint16_t>(port_));
      connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      heldOpen_.push_back(fd);
    }
    return;
  }
  acceptor_ = std::thread([this] {
    for (;;) {
      pollfd fds[2] = {{listener_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
      if (poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN) != 0) return;
      const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ++accepted_;
      const std::lock_guard lock(mutex_);
      connections_.emplace_back([this, fd] {
        script_(fd);
        close(fd);
      });
    }
  });
}

FakeDeviceServer::~FakeDeviceServer() {
  const std::uint64_t one = 1;
  (void)!write(stopFd_, &one, sizeof one);
  if (acceptor_.joinable()) acceptor_.join();
  for (std::thread& connection : connections_) connection.join();
  for (const int fd : heldOpen_) close(fd);
  if (listener_ >= 0) close(listener_);
  close(stopFd_);
}

std::string FakeDeviceServer::Address(const std::string& scheme) const {
  return scheme + "://127.0.0.1:" + std::to_string(port_);
}

bool ReadUntil(int fd, Bytes& got, const std::function<bool(const Bytes&)>& done, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done(got)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return false;
    pollfd in{fd, POLLIN, 0};
    if (poll(&in, 1, static_cast<int>(left)) <= 0) continue;
    std::uint8_t buffer[1024];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    got.insert(got.end(), buffer, buffer + n);
  }
  return true;
}

Bytes ReadFor(int fd, int ms) {
  Bytes got;
  ReadUntil(
      fd, got, [](const Bytes&) { return false; }, ms);
  return got;
}

void SendAll(int fd, const Bytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

std::map<int, Bytes> ComPortCommands(const Bytes& bytes) {
  std::map<int, Bytes> commands;
  for (std::size_t i = 0; i + 4 < bytes.size(); ++i) {
    if (bytes[i] != kIac || bytes[i + 1] != kSb || bytes[i + 2] != kComPort) continue;
    Bytes value;
    std::size_t j = i + 4;
    for (; j + 1 < bytes.size(); ++j) {
      if (bytes[j] == kIac && bytes[j + 1] == kSe) break;
      if (bytes[j] == kIac && bytes[j + 1] == kIac) ++j;
      value.push_back(bytes[j]);
    }
    commands[bytes[i + 3]] = value;
    i = j;
  }
  return commands;
}

Bytes ServeRfc2217Setup(int fd, const std::map<int, Bytes>& answers, const Bytes& early) {
  SendAll(fd, {kIac, kDo, kComPort});
  Bytes got;
  // The five settings: baud rate, data size, parity, stop size, control.
  ReadUntil(
      fd, got,
      [](const Bytes& bytes) {
        const auto commands = ComPortCommands(bytes);
        for (int command = 1; command <= 5; ++command) {
          if (commands.count(command) == 0) return false;
        }
        return true;
      },
      3000);
  SendAll(fd, early);
  for (const auto& [command, value] : ComPortCommands(got)) {
    if (command < 1 || command > 5) continue;
    const auto changed = answers.find(command);
    Bytes reply = {kIac, kSb, kComPort, static_cast<std::uint8_t>(command + 100)};
    for (const std::uint8_t byte : changed != answers.end() ? changed->second : value) {
      reply.push_back(byte);
      if (byte == kIac) reply.push_back(kIac);
    }
    reply.insert(reply.end(), {kIac, kSe});
    SendAll(fd, reply);
  }
  return got;
}

}  // namespace orvex::test
