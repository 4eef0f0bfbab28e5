// Connecting to a device server and, for RFC 2217, setting its line.

#include "platform/net/net_line.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/net/net_problem.h"

namespace orvex::platform {
namespace {

using Clock = std::chrono::steady_clock;
using namespace telnet;

constexpr std::uint32_t kBaudRate = 38400;

enum class Wait { Ready, TimedOut, Cancelled };

// Waits for `events` on fd until the deadline or until cancelFd is readable.
Wait WaitFor(int fd, short events, int cancelFd, Clock::time_point deadline) {
  for (;;) {
    pollfd fds[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
    const int ready = poll(fds, cancelFd >= 0 ? 2 : 1, MillisecondsUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready > 0 && cancelFd >= 0 && (fds[1].revents & POLLIN) != 0) return Wait::Cancelled;
    if (ready > 0 && fds[0].revents != 0) return Wait::Ready;
    if (ready < 0 || Clock::now() >= deadline) return Wait::TimedOut;
  }
}

// Each byte its own segment, at once; a server that vanishes without a word
// is noticed: idle, by keepalive probes after 10 s (three, 5 s apart), and
// with bytes unacknowledged after 20 s.
void SetSocketOptions(int fd) {
  const int on = 1;
  (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  (void)setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  const int idle = 10, interval = 5, count = 3;
  (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
  const unsigned userTimeoutMs = 20000;
  (void)setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
}

struct Connected {
  int fd = -1;
  int error = 0;  // errno of the last address tried, ETIMEDOUT when time ran out
  bool cancelled = false;
};

// Tries the addresses in turn within one deadline.
Connected ConnectAny(const addrinfo* addresses, int cancelFd, Clock::time_point deadline) {
  Connected result{-1, ETIMEDOUT, false};
  for (const addrinfo* at = addresses; at != nullptr; at = at->ai_next) {
    const int fd =
        socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, at->ai_protocol);
    if (fd < 0) {
      result.error = errno;
      continue;
    }
    int error = 0;
    if (connect(fd, at->ai_addr, at->ai_addrlen) != 0) {
      error = errno;
      if (error == EINPROGRESS || error == EINTR) {
        const Wait wait = WaitFor(fd, POLLOUT, cancelFd, deadline);
        if (wait == Wait::Cancelled) {
          close(fd);
          return {-1, ECANCELED, true};
        }
        socklen_t size = sizeof error;
        if (wait == Wait::TimedOut) {
          error = ETIMEDOUT;
        } else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
          error = errno;
        }
      }
    }
    if (error == 0) return {fd, 0, false};
    close(fd);
    result.error = error;
    if (error == ETIMEDOUT) break;  // the time is spent for every address
  }
  return result;
}

std::string ParityName(std::uint8_t value) {
  switch (value) {
    case 1:
      return "no parity";
    case 2:
      return "odd parity";
    case 3:
      return "even parity";
    case 4:
      return "mark parity";
    case 5:
      return "space parity";
    default:
      return "parity " + std::to_string(value);
  }
}

std::string FlowName(std::uint8_t value) {
  switch (value) {
    case 1:
      return "no flow control";
    case 2:
      return "XON/XOFF";
    case 3:
      return "hardware flow control";
    default:
      return "flow control " + std::to_string(value);
  }
}

}  // namespace

NetLine::NetLine() : wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

NetLine::~NetLine() {
  Close();
  if (wakeFd_ >= 0) close(wakeFd_);
}

PortOpenResult NetLine::Open(const PortDevice& port, int cancelFd) {
  const auto failed = [&port](PortProblem problem) {
    PortOpenResult result{false, problem.reason, port, std::move(problem)};
    return result;
  };
  if (fd_ >= 0) return {false, "already open", port, {}};
  if (wakeFd_ < 0) {
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) return failed(ConnectProblem(port, errno, timeouts_.connectMs));
  }
  if (!port.address.ok()) return failed(BadAddressProblem(port));

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* addresses = nullptr;
  const int lookup =
      getaddrinfo(port.address.host.c_str(), port.address.service.c_str(), &hints, &addresses);
  if (lookup == EAI_SYSTEM) return failed(ConnectProblem(port, errno, timeouts_.connectMs));
  if (lookup != 0) return failed(UnresolvedProblem(port, lookup));
  const Connected connected = ConnectAny(
      addresses, cancelFd, Clock::now() + std::chrono::milliseconds(timeouts_.connectMs));
  freeaddrinfo(addresses);
  if (connected.fd < 0) return failed(ConnectProblem(port, connected.error, timeouts_.connectMs));
  SetSocketOptions(connected.fd);

  fd_ = connected.fd;
  mode_ = port.address.mode;
  hungUp_ = false;
  hangupReported_ = false;
  writeBudget_ = writeBound_;
  ResetTelnet();
  if (mode_ == NetMode::Rfc2217) {
    if (auto problem = SetLine(port, cancelFd)) {
      Close();
      return failed(std::move(*problem));
    }
  }
  return {true, {}, port, {}};
}

void NetLine::ResetTelnet() {
  decoder_.Reset();
  localOn_ = {};
  remoteOn_ = {};
  askedWill_ = {};
  askedDo_ = {};
  refusedLocal_ = {};
  refusedRemote_ = {};
  comPortRefused_ = false;
  answers_ = {};
  pending_.clear();
}

std::optional<PortProblem> NetLine::SetLine(const PortDevice& port, int cancelFd) {
  // Binary both ways, so that no byte of the line is taken for a line end;
  // go-aheads suppressed; the COM-PORT-OPTION offered.
  std::vector<std::uint8_t> offer;
  for (const std::uint8_t option : {kComPort, kBinary, kSuppressGoAhead}) {
    AppendNegotiation(kWill, option, offer);
    askedWill_[option] = true;
  }
  for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
    AppendNegotiation(kDo, option, offer);
    askedDo_[option] = true;
  }
  SendCommand(offer);

  const auto deadline = Clock::now() + std::chrono::milliseconds(timeouts_.settingsMs);
  bool settingsSent = false;
  for (;;) {
    if (comPortRefused_) return NoRfc2217Problem(port);
    // The settings go once the server has taken the option (RFC 2217 1).
    if (localOn_[kComPort] && !settingsSent) {
      std::vector<std::uint8_t> settings;
      const std::uint8_t baud[4] = {
          static_cast<std::uint8_t>(kBaudRate >> 24), static_cast<std::uint8_t>(kBaudRate >> 16),
          static_cast<std::uint8_t>(kBaudRate >> 8), static_cast<std::uint8_t>(kBaudRate)};
      AppendComPort(kSetBaudRate, baud, settings);
      const std::uint8_t dataSize = 8, parity = kParityNone, stopSize = kStopBitsOne,
                         control = kNoFlowControl, noNotices = 0;
      AppendComPort(kSetDataSize, {&dataSize, 1}, settings);
      AppendComPort(kSetParity, {&parity, 1}, settings);
      AppendComPort(kSetStopSize, {&stopSize, 1}, settings);
      AppendComPort(kSetControl, {&control, 1}, settings);
      // Modem line changes are of no use here; fewer notices on the wire.
      AppendComPort(kSetModemStateMask, {&noNotices, 1}, settings);
      SendCommand(settings);
      settingsSent = true;
    }
    if (settingsSent && std::all_of(answers_.begin() + 1, answers_.end(),
                                    [](const auto& answer) { return answer.has_value(); })) {
      break;
    }
    const Wait wait = WaitFor(fd_, POLLIN, cancelFd, deadline);
    if (wait == Wait::Cancelled) return ConnectProblem(port, ECANCELED, timeouts_.connectMs);
    if (wait == Wait::TimedOut) return SettingsUnansweredProblem(port, timeouts_.settingsMs);
    if (FetchQueued(pending_, core::kReadMaxBytes) == Fetched::Gone) return DroppedProblem(port);
  }
  if (auto refused = CheckAnswers()) return SettingsRefusedProblem(port, *refused);
  return std::nullopt;
}

std::optional<std::string> NetLine::CheckAnswers() const {
  std::string refused;
  const auto add = [&refused](const std::string& what) {
    refused += (refused.empty() ? "" : "; ") + what;
  };
  const auto one = [this](ComPortCommand command) -> int {
    const auto& answer = answers_[command];
    return answer && answer->size() == 1 ? (*answer)[0] : -1;
  };
  const auto& baud = *answers_[kSetBaudRate];
  std::uint32_t rate = 0;
  for (const std::uint8_t byte : baud) rate = (rate << 8) | byte;
  if (baud.size() != 4 || rate != kBaudRate)
    add("asked for 38400 baud, it set " + std::to_string(rate));
  if (one(kSetDataSize) != 8)
    add("asked for 8 data bits, it set " + std::to_string(one(kSetDataSize)));
  if (one(kSetParity) != kParityNone)
    add("asked for no parity, it set " + ParityName(static_cast<std::uint8_t>(one(kSetParity))));
  if (one(kSetStopSize) != kStopBitsOne)
    add("asked for 1 stop bit, it set " + std::to_string(one(kSetStopSize)));
  if (one(kSetControl) != kNoFlowControl)
    add("asked for no flow control, it set " +
        FlowName(static_cast<std::uint8_t>(one(kSetControl))));
  if (refused.empty()) return std::nullopt;
  return refused;
}

void NetLine::Handle(const Commands& commands) {
  std::vector<std::uint8_t> reply;
  for (const Negotiation& negotiation : commands.negotiations) Negotiate(negotiation, reply);
  if (!reply.empty()) SendCommand(reply);
  for (const Subnegotiation& sub : commands.subnegotiations) {
    // The server's answers to the settings; its line and modem state
    // notices, and anything else, are dropped.
    if (sub.option != kComPort || sub.data.empty()) continue;
    const int command = sub.data[0] - kServerReply;
    if (command >= kSetBaudRate && command <= kSetControl)
      answers_[static_cast<std::size_t>(command)].emplace(sub.data.begin() + 1, sub.data.end());
  }
}

void NetLine::Negotiate(const Negotiation& negotiation, std::vector<std::uint8_t>& reply) {
  const std::uint8_t option = negotiation.option;
  const bool wantLocal = option == kBinary || option == kSuppressGoAhead || option == kComPort;
  const bool wantRemote = option == kBinary || option == kSuppressGoAhead;
  switch (negotiation.verb) {
    case kDo:
      if (wantLocal) {
        if (!localOn_[option] && !askedWill_[option]) AppendNegotiation(kWill, option, reply);
        localOn_[option] = true;
      } else if (!refusedLocal_[option]) {
        refusedLocal_[option] = true;
        AppendNegotiation(kWont, option, reply);
      }
      return;
    case kDont:
      if (option == kComPort) comPortRefused_ = true;
      if (localOn_[option]) AppendNegotiation(kWont, option, reply);
      localOn_[option] = false;
      askedWill_[option] = false;
      return;
    case kWill:
      if (wantRemote) {
        if (!remoteOn_[option] && !askedDo_[option]) AppendNegotiation(kDo, option, reply);
        remoteOn_[option] = true;
      } else if (!refusedRemote_[option]) {
        // Echo among them: the printer's replies are the only bytes wanted.
        refusedRemote_[option] = true;
        AppendNegotiation(kDont, option, reply);
      }
      return;
    case kWont:
      if (remoteOn_[option]) AppendNegotiation(kDont, option, reply);
      remoteOn_[option] = false;
      askedDo_[option] = false;
      return;
    default:
      return;
  }
}

void NetLine::Close() {
  if (fd_ < 0) return;
  close(fd_);
  fd_ = -1;
  mode_ = NetMode::None;
  hungUp_ = false;
  hangupReported_ = false;
  ResetTelnet();
}

}  // namespace orvex::platform
