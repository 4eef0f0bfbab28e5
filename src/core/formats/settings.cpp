#include "core/formats/settings.h"

#include <cctype>
#include <limits>

#include "core/link/request_guard.h"

namespace orvex::core {

std::optional<std::int32_t> ParseWholeNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max() ||
      value < std::numeric_limits<std::int32_t>::min()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

std::string NotAnIntegerMessage(const std::string& text) {
  // At most the first 40 characters: a box with a whole long line in it
  // would not fit the screen.
  constexpr std::size_t kQuotedCharacters = 40;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (startsCharacter && characters++ == kQuotedCharacters) {
      return "'" + text.substr(0, i) + "...' is not a valid integer value";
    }
  }
  return "'" + text + "' is not a valid integer value";
}

namespace {

// Remainder and quotient by 256, truncated toward zero, each taken modulo 256.
void AppendValue(std::vector<std::uint8_t>& out, std::int32_t value) {
  out.push_back(static_cast<std::uint8_t>(value % 256));
  out.push_back(static_cast<std::uint8_t>(value / 256));
}

}  // namespace

std::vector<std::uint8_t> EncodeMultiplierRequest(std::int32_t coin, std::int32_t note,
                                                  std::int32_t payout, std::int32_t decimals) {
  std::vector<std::uint8_t> request{GS, 0xF6};
  AppendValue(request, coin);
  AppendValue(request, note);
  AppendValue(request, payout);
  request.push_back(static_cast<std::uint8_t>(decimals % 256));
  return request;
}

void SendMultiplierSettings(Session& session) {
  if (!BusyCheck(session)) return;
  // Every box is converted before the first byte goes out, so that a bad
  // box never leaves half a request at the printer.
  const MultiplierSettings& m = session.setup.multipliers;
  std::int32_t values[4] = {};
  const std::string* texts[4] = {&m.coin, &m.note, &m.payout, &m.decimals};
  for (int i = 0; i < 4; ++i) {
    const auto value = ParseWholeNumber(*texts[i]);
    if (!value) {
      session.io.panel.ShowMessage(NotAnIntegerMessage(*texts[i]));
      return;
    }
    values[i] = *value;
  }
  session.state.busy = true;
  if (!session.Send("multiplier setting",
                    EncodeMultiplierRequest(values[0], values[1], values[2], values[3]),
                    LastPause::No)) {
    return;
  }
  session.Append("Set data mutiplier & floating-point finished .");
  session.AppendEmpty();
  session.state.busy = false;
}

void SendPrintStatus(Session& session) {
  if (!BusyCheck(session)) return;
  session.state.busy = true;
  if (!session.Send("print status setting", {ESC, 0xF7, session.setup.printStatus.Byte()},
                    LastPause::No)) {
    return;
  }
  session.Append("Set print status finished .");
  session.AppendEmpty();
  session.state.busy = false;
}

void CheckDecimalPlaces(Session& session) {
  const std::string& text = session.setup.multipliers.decimals;
  if (text.empty()) return;
  const auto value = ParseWholeNumber(text);
  if (!value) {
    session.io.panel.ShowMessage(NotAnIntegerMessage(text));
  } else if (*value > kMaxDecimalPlaces || *value < 0) {
    session.io.panel.ShowMessage("The floating-point too large (0~" +
                                 std::to_string(kMaxDecimalPlaces) + ").");
  }
}

}  // namespace orvex::core
