#include "platform/net/net_address.h"

#include <algorithm>
#include <cctype>

namespace orvex::platform {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Trimmed(const std::string& text) {
  const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  auto begin = std::find_if_not(text.begin(), text.end(), blank);
  auto end = std::find_if_not(text.rbegin(), std::make_reverse_iterator(begin), blank).base();
  return std::string(begin, end);
}

bool HostCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.' || c == '_';
}

bool V6Character(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.' || c == '%' ||
         HostCharacter(c);
}

constexpr const char* kRfc2217 = "rfc2217://";
constexpr const char* kTcp = "tcp://";

}  // namespace

std::string NetAddress::HostPort() const {
  const bool v6 = host.find(':') != std::string::npos;
  return (v6 ? "[" + host + "]" : host) + ":" + service;
}

std::string NetAddress::Key() const {
  return Lower(HostPort());
}

bool LooksLikeNetAddress(const std::string& text) {
  const std::string start = Lower(Trimmed(text).substr(0, 10));
  return start.rfind(kRfc2217, 0) == 0 || start.rfind(kTcp, 0) == 0;
}

NetAddress ParseNetAddress(const std::string& written) {
  NetAddress address;
  if (!LooksLikeNetAddress(written)) return address;
  address.text = Trimmed(written);
  const bool telnet = Lower(address.text).rfind(kRfc2217, 0) == 0;
  address.mode = telnet ? NetMode::Rfc2217 : NetMode::RawTcp;
  std::string rest = address.text.substr(std::string(telnet ? kRfc2217 : kTcp).size());
  const auto fail = [&address](const std::string& problem) {
    address.problem = problem;
    return address;
  };

  std::string host;
  if (!rest.empty() && rest[0] == '[') {
    const auto close = rest.find(']');
    if (close == std::string::npos) return fail("the IPv6 address has no closing ]");
    host = rest.substr(1, close - 1);
    rest.erase(0, close + 1);
    if (host.empty() || !std::all_of(host.begin(), host.end(), V6Character))
      return fail("\"" + host + "\" is no IPv6 address");
  } else {
    const auto colon = rest.find(':');
    host = rest.substr(0, colon);
    rest.erase(0, colon == std::string::npos ? rest.size() : colon);
    if (host.empty()) return fail("no host name");
    if (!std::all_of(host.begin(), host.end(), HostCharacter))
      return fail("\"" + host + "\" is no host name");
  }
  if (rest.empty() || rest[0] != ':') return fail("no port number (HOST:PORT)");
  const std::string service = rest.substr(1);
  if (service.empty() || service.size() > 5 ||
      !std::all_of(service.begin(), service.end(),
                   [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }))
    return fail("\"" + service + "\" is no port number");
  const long number = std::stol(service);
  if (number < 1 || number > 65535) return fail("port " + service + " is not between 1 and 65535");
  address.host = host;
  address.service = std::to_string(number);
  return address;
}

}  // namespace orvex::platform
