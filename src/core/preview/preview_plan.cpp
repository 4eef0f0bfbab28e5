#include "core/preview/preview_plan.h"

#include <optional>

#include "core/formats/settings.h"
#include "core/link/request_guard.h"
#include "core/logos/logo_file.h"
#include "core/text/cp1252.h"

namespace orvex::core {

namespace {

constexpr int kFirstTop = 10;
constexpr int kStripLeft = 10;
constexpr int kStripWidth = 220;
constexpr int kTextStripHeight = 25;
constexpr int kSpaceBelow = 20;
// Placeholders are centred as if they were four characters long.
constexpr int kPlaceholderLength = 4;
// A size 3 text longer than this is cut and drawn at a fixed place.
constexpr std::size_t kSize3MaxChars = 16;
constexpr int kSize3CutX = 25;

struct TextFont {
  int pointSize;
  int pitch;
};

TextFont FontForSize(int size) {
  if (size == 3) return {14, 9};
  if (size == 2) return {10, 7};
  return {8, 6};
}

int CentredX(int chars, int pitch) {
  return (kStripWidth - chars * pitch - 20) / 2;
}

std::string Placeholder(std::int32_t decimals) {
  switch (decimals) {
    case 0:
      return "XXXX";
    case 1:
      return "XX.X";
    case 2:
      return "X.XX";
    default:
      return {};
  }
}

void PlaceTextStrip(PreviewStrip& strip, int& y, std::string text, int textX, int pointSize) {
  strip.laidOut = true;
  strip.top = y;
  strip.left = kStripLeft;
  strip.width = kStripWidth;
  strip.height = kTextStripHeight;
  strip.isText = true;
  strip.text = std::move(text);
  strip.textX = textX;
  strip.pointSize = pointSize;
  y += kTextStripHeight;
}

// The strip of a logo line; false when the slot's bitmap cannot be read any
// more (the preview stops there).
bool PlaceLogoStrip(PreviewStrip& strip, int& y, const LogoSlot& slot, const FormatLine& line) {
  const LogoCheckResult check = CheckLogoFile(slot.path).result;
  if (check == LogoCheckResult::Unreadable || check == LogoCheckResult::NotBmp) return false;
  strip.laidOut = true;
  strip.top = y;
  strip.left = kStripLeft;
  strip.width = kStripWidth;
  strip.height = line.height() == 2 ? slot.height : slot.height / 2;
  strip.bitmapPath = slot.path;
  y += strip.height;
  return true;
}

}  // namespace

PreviewPlan PlanTicketPreview(const TicketSetup& setup, TicketKind kind) {
  PreviewPlan plan;
  int y = kFirstTop;
  for (PreviewStrip& strip : plan.strips) strip.visible = true;

  const TicketFormat& ticket = setup.Ticket(kind);
  for (int k = 0; k < kLinesPerTicket; ++k) {
    const FormatLine& line = ticket[static_cast<std::size_t>(k)];
    PreviewStrip& strip = plan.strips[static_cast<std::size_t>(k)];
    const TextFont font = FontForSize(line.size());
    switch (line.kind()) {
      case LineKind::Text: {
        // Windows-1252: one byte is one character.
        std::string bytes = line.text;
        int textX = 0;
        if (line.size() == 3 && bytes.size() >= kSize3MaxChars) {
          bytes.resize(kSize3MaxChars);
          textX = kSize3CutX;
        } else {
          textX = CentredX(static_cast<int>(bytes.size()), font.pitch);
        }
        PlaceTextStrip(strip, y, Cp1252ToUtf8(bytes), textX, font.pointSize);
        break;
      }
      case LineKind::Data:
      case LineKind::Security: {
        const auto decimals = ParseWholeNumber(setup.multipliers.decimals);
        if (!decimals) {
          plan.stopped = true;
          plan.stopMessage = NotAnIntegerMessage(setup.multipliers.decimals);
          return plan;
        }
        PlaceTextStrip(strip, y, Placeholder(*decimals), CentredX(kPlaceholderLength, font.pitch),
                       font.pointSize);
        break;
      }
      case LineKind::Logo1:
      case LineKind::Logo2:
      case LineKind::Logo3: {
        const int slot = static_cast<int>(line.kind()) - static_cast<int>(LineKind::Logo1) + 1;
        const LogoSlot& logo = setup.logos[static_cast<std::size_t>(slot - 1)];
        if (logo.path.empty()) {
          // Not placed and not cleared: the strip keeps what it showed before.
          strip.message = "Can't find logo" + std::to_string(slot) + ", please Check it.";
          break;
        }
        if (!PlaceLogoStrip(strip, y, logo, line)) {
          plan.stopped = true;
          plan.stopMessage = "Can't read logo" + std::to_string(slot) + " file " + logo.path + " .";
          return plan;
        }
        break;
      }
      case LineKind::NotUsed:
        strip.visible = false;
        break;
    }
  }
  plan.panelHeight = y + kSpaceBelow;
  return plan;
}

void ShowTicketPreview(Session& session, TicketKind kind) {
  if (!IdentifiedCheck(session)) return;
  const PreviewPlan plan = PlanTicketPreview(session.setup, kind);
  for (const PreviewStrip& strip : plan.strips) {
    if (!strip.message.empty()) session.io.panel.ShowMessage(strip.message);
  }
  if (plan.stopped) {
    session.io.panel.ShowMessage(plan.stopMessage);
    return;
  }
  session.io.preview.ShowPreview(plan);
}

void PreviewCoinTicket(Session& session) {
  ShowTicketPreview(session, TicketKind::Coin);
}
void PreviewNoteTicket(Session& session) {
  ShowTicketPreview(session, TicketKind::Note);
}
void PreviewPayoutTicket(Session& session) {
  ShowTicketPreview(session, TicketKind::Payout);
}

}  // namespace orvex::core
