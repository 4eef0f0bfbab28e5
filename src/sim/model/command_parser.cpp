#include "sim/model/command_parser.h"

namespace orvex::sim {

std::optional<int> PayloadLength(std::uint8_t prefix, std::uint8_t code) {
  if (prefix == kEsc) {
    switch (code) {
      case 0xA0:  // variant query
      case 0xF0:  // read clock
      case 0xF3:  // erase records
      case 0xF4:  // summary
      case 0xF5:  // full cut
      case 0xF6:  // part cut
      case 0xFA:  // test coin ticket
      case 0xFB:  // test note ticket
      case 0xFC:  // test payout ticket
        return 0;
      case 0xF7:  // print status
      case 0xF9:  // date format
      case 0xE6:  // serial-number printing
        return 1;
      case 0xF1:  // set clock: yymmddhhmm
        return 10;
      case 0xFD:  // ticket formats: symbol, 0 0, ten line records, 0 0 0
      case 0xFE:
      case 0xFF:
        return 3 + 260 + 3;
      default:
        return std::nullopt;
    }
  }
  if (prefix == kGs) {
    switch (code) {
      case 0xF0:  // daily report
      case 0xF1:  // history report
      case 0xF5:  // read multipliers
      case 0xF7:  // read print status
      case 0xF9:  // firmware
        return 0;
      case 0xF2:  // record search: two dates
        return 6;
      case 0xF6:  // set multipliers
        return 7;
      case 0xF4:  // logos: nL nH, then the rows
      case 0xF8:
      case 0xFA:
        return 2;
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

bool IsLogoCode(std::uint8_t prefix, std::uint8_t code) {
  return prefix == kGs && (code == 0xF4 || code == 0xF8 || code == 0xFA);
}

void CommandParser::Reset() {
  state_ = State::Idle;
  payload_.clear();
  row_.clear();
  wanted_ = 0;
  logoRows_ = 0;
  logoRowsDone_ = 0;
}

std::optional<ParsedCommand> CommandParser::Feed(std::uint8_t byte, std::int64_t nowMs) {
  if (state_ != State::Idle && commandTimeoutMs_ > 0 && nowMs - lastByteMs_ > commandTimeoutMs_) {
    ++droppedCommands_;
    Reset();
  }
  lastByteMs_ = nowMs;

  switch (state_) {
    case State::Idle:
      return FeedIdle(byte);
    case State::Code: {
      const std::optional<int> length = PayloadLength(prefix_, byte);
      if (!length) {
        // The prefix and the unknown code are dropped; a prefix byte in the
        // code position starts the next command.
        ++ignoredBytes_;
        state_ = State::Idle;
        if (byte == kEsc || byte == kGs) return FeedIdle(byte);
        ++ignoredBytes_;
        return std::nullopt;
      }
      code_ = byte;
      wanted_ = *length;
      payload_.clear();
      if (wanted_ == 0) return FinishPayload();
      state_ = State::Payload;
      return std::nullopt;
    }
    case State::Payload:
      payload_.push_back(byte);
      if (static_cast<int>(payload_.size()) < wanted_) return std::nullopt;
      return FinishPayload();
    case State::LogoData: {
      row_.push_back(byte);
      if (static_cast<int>(row_.size()) < kLogoRowBytes) return std::nullopt;
      ParsedCommand row;
      row.kind = ParsedCommand::Kind::LogoRow;
      row.prefix = prefix_;
      row.code = code_;
      row.payload.swap(row_);
      row.rowIndex = ++logoRowsDone_;
      if (logoRowsDone_ >= logoRows_) Reset();
      return row;
    }
  }
  return std::nullopt;
}

std::optional<ParsedCommand> CommandParser::FeedIdle(std::uint8_t byte) {
  if (byte == kEsc || byte == kGs) {
    prefix_ = byte;
    state_ = State::Code;
  } else {
    ++ignoredBytes_;
  }
  return std::nullopt;
}

std::optional<ParsedCommand> CommandParser::FinishPayload() {
  ParsedCommand out;
  out.prefix = prefix_;
  out.code = code_;
  out.payload = payload_;
  if (IsLogoCode(prefix_, code_)) {
    out.kind = ParsedCommand::Kind::LogoHeader;
    const int size = payload_[0] + 256 * payload_[1];
    // Only whole rows travel on the wire.
    logoRows_ = size / kLogoRowBytes;
    logoRowsDone_ = 0;
    row_.clear();
    payload_.clear();
    state_ = logoRows_ > 0 ? State::LogoData : State::Idle;
    return out;
  }
  Reset();
  return out;
}

}  // namespace orvex::sim
