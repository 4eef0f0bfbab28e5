#include "core/setup/ticket_setup.h"

namespace orvex::core {

LineKind FormatLine::kind() const {
  if (kindItem < 0 || kindItem >= kKindItems) return LineKind::NotUsed;
  return static_cast<LineKind>(kindItem);
}

void FormatLine::SetText(std::string bytes) {
  if (bytes.size() > kMaxTextBytes) bytes.resize(kMaxTextBytes);
  text = std::move(bytes);
}

std::uint8_t PrintStatus::Byte() const {
  std::uint8_t value = 0;
  if (coin) value |= 0x01;
  if (note) value |= 0x02;
  if (payout) value |= 0x04;
  if (symbol) value |= 0x20;
  if (recordSearch) value |= 0x40;
  return value;
}

namespace {

// Items 0..16 are the same in both groups.
constexpr std::uint8_t kCommonCodes[17] = {42, 47, 36, 61,  37, 34, 35, 59, 64,
                                           63, 33, 62, 126, 60, 94, 58, 45};
const char* const kCommonChars[17] = {"*", "/", "$", "=", "%", "\"", "#", ";", "@",
                                      "?", "!", ">", "~", "<", "^",  ":", "-"};

}  // namespace

std::uint8_t SymbolCodeForItem(int item, bool wideSymbols) {
  if (item < 0) return 0;
  if (item < 17) return kCommonCodes[item];
  if (wideSymbols) {
    if (item == 17) return 0x83;  // pound sign in the printer's font
    if (item == 18) return 43;
    if (item == 19) return 0xE0;  // euro sign in the printer's font
    return 0;
  }
  return item == 17 ? 43 : 0;
}

std::uint8_t SymbolCode(const TicketSetup& setup, bool wideSymbols) {
  return SymbolCodeForItem(wideSymbols ? setup.symbolItemWide : setup.symbolItemNarrow,
                           wideSymbols);
}

std::string SymbolCharacter(int item, bool wideSymbols) {
  if (item < 0) return {};
  if (item < 17) return kCommonChars[item];
  if (wideSymbols) {
    if (item == 17) return "\xC2\xA3";
    if (item == 18) return "+";
    if (item == 19) return "\xE2\x82\xAC";
    return {};
  }
  return item == 17 ? "+" : "";
}

LineAppearance KindRule(int kindItem) {
  switch (kindItem) {
    case 0:
      return {true, true, true, ""};
    case 1:
      return {false, false, true, "Print Logo1"};
    case 2:
      return {false, false, true, "Print Logo2"};
    case 3:
      return {false, false, true, "Print Logo3"};
    case 4:
      return {false, true, true, "Print Data"};
    case 5:
      return {false, false, false, "Not used"};
    case 6:
      return {false, true, true, "Security"};
    default:
      // No kind selected: the controls keep their look; treat as not used.
      return {false, false, false, "Not used"};
  }
}

}  // namespace orvex::core
