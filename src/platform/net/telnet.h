#pragma once
// Telnet as a device server speaks it for RFC 2217: the stream from the
// server split into the serial line's bytes and the telnet commands, and the
// commands the tool sends. 0xFF is the command byte (IAC); a data byte 0xFF
// goes doubled, both ways.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orvex::platform::telnet {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;

// Options.
constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kEcho = 1;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPort = 44;

// COM-PORT-OPTION commands from the client; the server answers each with
// the same command plus kServerReply.
enum ComPortCommand : std::uint8_t {
  kSetBaudRate = 1,
  kSetDataSize = 2,
  kSetParity = 3,
  kSetStopSize = 4,
  kSetControl = 5,
  kNotifyLineState = 6,
  kNotifyModemState = 7,
  kSetLineStateMask = 10,
  kSetModemStateMask = 11,
};
constexpr std::uint8_t kServerReply = 100;

constexpr std::uint8_t kParityNone = 1;
constexpr std::uint8_t kStopBitsOne = 1;
constexpr std::uint8_t kNoFlowControl = 1;  // SET-CONTROL: outbound/both

struct Negotiation {
  std::uint8_t verb;  // kWill, kWont, kDo, kDont
  std::uint8_t option;
};

struct Subnegotiation {
  std::uint8_t option;
  std::vector<std::uint8_t> data;  // unescaped
};

// What one read held besides the line's bytes.
struct Commands {
  std::vector<Negotiation> negotiations;
  std::vector<Subnegotiation> subnegotiations;
};

// Carries its state from one read to the next: a command may be split over
// two reads.
class Decoder {
 public:
  // Appends the serial line's bytes of `in` to `data` and the commands to
  // `commands`. Other commands (NOP, GA, BREAK, ...) are dropped.
  void Feed(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& data, Commands& commands);
  void Reset() { *this = Decoder(); }

  // A subnegotiation longer than this is dropped whole: no RFC 2217 answer
  // is longer, and a server's garbage must not grow it without end.
  static constexpr std::size_t kMaxSubnegotiation = 64;

 private:
  enum class State { Data, Iac, Option, SbOption, SbData, SbIac };
  void AfterIac(std::uint8_t byte, std::vector<std::uint8_t>& data);

  State state_ = State::Data;
  std::uint8_t verb_ = 0;
  Subnegotiation sub_{};
  bool subTooLong_ = false;
};

// A data byte as it goes to the server: 0xFF doubled.
void AppendData(std::uint8_t byte, std::vector<std::uint8_t>& out);
void AppendNegotiation(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& out);
// IAC SB COM-PORT-OPTION command value... IAC SE, the value escaped.
void AppendComPort(std::uint8_t command, std::span<const std::uint8_t> value,
                   std::vector<std::uint8_t>& out);

}  // namespace orvex::platform::telnet
