#pragma once
// The ticket setup: three ticket layouts, the symbol choice, the multiplier
// and decimal texts, the print-status boxes and the three logo slots. The
// widgets of the main window are views of this model.

#include <array>
#include <cstdint>
#include <string>

namespace orvex::core {

enum class TicketKind { Coin = 0, Note = 1, Payout = 2 };

// Numbered as the items of a line's kind group.
enum class LineKind {
  Text = 0,
  Logo1 = 1,
  Logo2 = 2,
  Logo3 = 3,
  Data = 4,
  NotUsed = 5,
  Security = 6
};

constexpr int kLinesPerTicket = 10;
constexpr int kKindItems = 7;
constexpr int kSizeItems = 3;
constexpr int kHeightItems = 2;
constexpr std::size_t kMaxTextBytes = 24;

struct FormatLine {
  // Windows-1252 bytes exactly as typed; at most 24 (see SetText).
  std::string text;
  // Radio group item indices as the groups hold them; -1 means no item is
  // selected (possible only after a hand-written format file).
  int kindItem = 0;
  int sizeItem = 0;
  int heightItem = 0;

  // No kind selected prints nothing.
  LineKind kind() const;
  int size() const { return sizeItem >= 1 ? sizeItem + 1 : 1; }
  int height() const { return heightItem >= 1 ? 2 : 1; }

  // Keeps the first 24 bytes of a longer text.
  void SetText(std::string bytes);
};

using TicketFormat = std::array<FormatLine, kLinesPerTicket>;

// Texts of the multiplier and decimal boxes, read as whole numbers at the moment of use.
struct MultiplierSettings {
  std::string coin = "1";
  std::string note = "1";
  std::string payout = "1";
  std::string decimals = "0";
};

// The five print-status check boxes.
struct PrintStatus {
  bool coin = true;          // "Coin Ticket"
  bool note = true;          // "Note Ticket"
  bool payout = true;        // "Payout Ticket"
  bool symbol = true;        // "Symbol" on the payout ticket
  bool recordSearch = true;  // "Print Record Search"

  std::uint8_t Byte() const;
};

struct LogoSlot {
  std::string path;  // empty: no logo
  int height = 0;
};

struct TicketSetup {
  std::array<TicketFormat, 3> tickets{};
  int symbolItemWide = 0;    // chooser of the 20-symbol printer
  int symbolItemNarrow = 0;  // chooser of the 18-symbol printer
  MultiplierSettings multipliers;
  PrintStatus printStatus;
  std::array<LogoSlot, 3> logos{};

  TicketFormat& Ticket(TicketKind kind) { return tickets[static_cast<int>(kind)]; }
  const TicketFormat& Ticket(TicketKind kind) const { return tickets[static_cast<int>(kind)]; }
};

constexpr int kWideSymbolItems = 20;
constexpr int kNarrowSymbolItems = 18;

// The character code of a symbol item; 0 for no item.
std::uint8_t SymbolCodeForItem(int item, bool wideSymbols);
// The code of the selected item of the group in use.
std::uint8_t SymbolCode(const TicketSetup& setup, bool wideSymbols);
// The character each item shows, as UTF-8 ("*", "/", ..., "£", "€").
std::string SymbolCharacter(int item, bool wideSymbols);

// How a line's controls look for its kind item.
struct LineAppearance {
  bool textVisible = true;
  bool sizeEnabled = true;
  bool heightEnabled = true;
  std::string caption;  // shown in place of the hidden text box
};
LineAppearance KindRule(int kindItem);

}  // namespace orvex::core
