#pragma once
// Splits the byte stream from the tool into printer commands. Commands have
// fixed lengths per code, except the logo downloads, whose length comes from
// their header and whose image rows are handed over one at a time (the
// printer acknowledges each row before the tool sends the next).

#include <cstdint>
#include <optional>
#include <vector>

namespace orvex::sim {

inline constexpr std::uint8_t kEsc = 0x1B;
inline constexpr std::uint8_t kGs = 0x1D;
inline constexpr int kLogoRowBytes = 48;

struct ParsedCommand {
  enum class Kind {
    Command,     // prefix, code and its complete payload
    LogoHeader,  // prefix GS, logo code, payload nL nH
    LogoRow,     // one 48-byte row of the logo announced by the last header
  };
  Kind kind = Kind::Command;
  std::uint8_t prefix = 0;
  std::uint8_t code = 0;
  std::vector<std::uint8_t> payload;
  int rowIndex = 0;  // LogoRow: 1 for the first row
};

// Payload length of a command, or nullopt for a code the printer does not know.
// Logo codes give their two header bytes.
std::optional<int> PayloadLength(std::uint8_t prefix, std::uint8_t code);
bool IsLogoCode(std::uint8_t prefix, std::uint8_t code);

class CommandParser {
 public:
  // A command left incomplete for longer than this is dropped, so one lost
  // byte does not swallow the next command; 0 waits forever.
  explicit CommandParser(int commandTimeoutMs) : commandTimeoutMs_(commandTimeoutMs) {}

  std::optional<ParsedCommand> Feed(std::uint8_t byte, std::int64_t nowMs);
  void Reset();

  // Bytes outside any command, unknown codes included.
  std::uint64_t ignoredBytes() const { return ignoredBytes_; }
  // Incomplete commands dropped after the timeout.
  std::uint64_t droppedCommands() const { return droppedCommands_; }
  bool midCommand() const { return state_ != State::Idle; }

 private:
  enum class State { Idle, Code, Payload, LogoData };

  std::optional<ParsedCommand> FeedIdle(std::uint8_t byte);
  std::optional<ParsedCommand> FinishPayload();

  int commandTimeoutMs_;
  State state_ = State::Idle;
  std::int64_t lastByteMs_ = 0;
  std::uint8_t prefix_ = 0;
  std::uint8_t code_ = 0;
  int wanted_ = 0;
  std::vector<std::uint8_t> payload_;
  int logoRows_ = 0;
  int logoRowsDone_ = 0;
  std::vector<std::uint8_t> row_;
  std::uint64_t ignoredBytes_ = 0;
  std::uint64_t droppedCommands_ = 0;
};

}  // namespace orvex::sim
