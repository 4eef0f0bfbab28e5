#pragma once
// Data multipliers, decimal places and print status: each sent with its own
// "Save" button, without waiting for an answer.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/session.h"

namespace orvex::core {

// A box's text read as a signed whole number, as the edit boxes always read
// them: leading blanks and a sign allowed, nothing after the digits.
std::optional<std::int32_t> ParseWholeNumber(const std::string& text);
// "'text' is not a valid integer value", quoting at most the first 40
// characters of the text.
std::string NotAnIntegerMessage(const std::string& text);

// 1D F6, coin, note and payout low and high, decimals.
std::vector<std::uint8_t> EncodeMultiplierRequest(std::int32_t coin, std::int32_t note,
                                                  std::int32_t payout, std::int32_t decimals);

void SendMultiplierSettings(Session& session);  // multipliers and decimals
void SendPrintStatus(Session& session);         // print status
// The decimal places the printer takes, from 0.
constexpr int kMaxDecimalPlaces = 3;
// Range check of the decimal box; runs on every change of its text.
void CheckDecimalPlaces(Session& session);

}  // namespace orvex::core
