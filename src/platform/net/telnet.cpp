#include "platform/net/telnet.h"

namespace orvex::platform::telnet {

void Decoder::Feed(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& data,
                   Commands& commands) {
  for (const std::uint8_t byte : in) {
    switch (state_) {
      case State::Data:
        if (byte == kIac) {
          state_ = State::Iac;
        } else {
          data.push_back(byte);
        }
        break;
      case State::Iac:
        AfterIac(byte, data);
        break;
      case State::Option:
        commands.negotiations.push_back({verb_, byte});
        state_ = State::Data;
        break;
      case State::SbOption:
        sub_ = {byte, {}};
        subTooLong_ = false;
        state_ = State::SbData;
        break;
      case State::SbData:
        if (byte == kIac) {
          state_ = State::SbIac;
        } else if (sub_.data.size() < kMaxSubnegotiation) {
          sub_.data.push_back(byte);
        } else {
          subTooLong_ = true;
        }
        break;
      case State::SbIac:
        if (byte == kIac) {
          if (sub_.data.size() < kMaxSubnegotiation) {
            sub_.data.push_back(kIac);
          } else {
            subTooLong_ = true;
          }
          state_ = State::SbData;
        } else if (byte == kSe) {
          if (!subTooLong_) commands.subnegotiations.push_back(std::move(sub_));
          sub_ = {};
          state_ = State::Data;
        } else {
          // A command inside a subnegotiation that did not end it: the
          // subnegotiation is broken; the command is taken as such.
          sub_ = {};
          AfterIac(byte, data);
        }
        break;
    }
  }
}

void Decoder::AfterIac(std::uint8_t byte, std::vector<std::uint8_t>& data) {
  switch (byte) {
    case kIac:
      data.push_back(kIac);
      state_ = State::Data;
      return;
    case kWill:
    case kWont:
    case kDo:
    case kDont:
      verb_ = byte;
      state_ = State::Option;
      return;
    case kSb:
      state_ = State::SbOption;
      return;
    default:
      state_ = State::Data;  // NOP, data mark, go ahead, break, ...: nothing for the line
      return;
  }
}

void AppendData(std::uint8_t byte, std::vector<std::uint8_t>& out) {
  out.push_back(byte);
  if (byte == kIac) out.push_back(kIac);
}

void AppendNegotiation(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& out) {
  out.insert(out.end(), {kIac, verb, option});
}

void AppendComPort(std::uint8_t command, std::span<const std::uint8_t> value,
                   std::vector<std::uint8_t>& out) {
  out.insert(out.end(), {kIac, kSb, kComPort, command});
  for (const std::uint8_t byte : value) AppendData(byte, out);
  out.insert(out.end(), {kIac, kSe});
}

}  // namespace orvex::platform::telnet
