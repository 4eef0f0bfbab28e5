#pragma once
// The ticket preview: a column of strips, one per ticket line, worked out
// here without any windowing toolkit and then drawn by the preview window.

#include <array>
#include <string>
#include <vector>

#include "core/session.h"

namespace orvex::core {

struct PreviewStrip {
  bool visible = false;
  // False for a missing logo: the strip keeps its earlier place and image.
  bool laidOut = false;
  int top = 0;
  int left = 0;
  int width = 0;
  int height = 0;
  // Text, data and security strips: text drawn at (textX, 0) in Courier New
  // of pointSize, on a strip cleared to white, not stretched.
  bool isText = false;
  std::string text;  // UTF-8
  int textX = 0;
  int pointSize = 0;
  // Logo strips: the bitmap stretched to the strip.
  std::string bitmapPath;
  // Missing logo: the message box text.
  std::string message;
};

struct PreviewPlan {
  std::array<PreviewStrip, kLinesPerTicket> strips{};
  int panelHeight = 0;
  // Set when the preview stops at a line (a bad decimal box, an unreadable
  // bitmap): that message is shown and the preview window is not.
  bool stopped = false;
  std::string stopMessage;
};

// Lays out the ten strips of a ticket from the setup as it is now.
PreviewPlan PlanTicketPreview(const TicketSetup& setup, TicketKind kind);

// Left of the panel for a preview window of the given width.
inline int PreviewPanelLeft(int windowWidth) {
  return windowWidth / 2 - 120;
}

void ShowTicketPreview(Session& session, TicketKind kind);
void PreviewCoinTicket(Session& session);
void PreviewNoteTicket(Session& session);
void PreviewPayoutTicket(Session& session);

}  // namespace orvex::core
