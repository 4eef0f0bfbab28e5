#pragma once
// The core's ports where there is no window: message boxes become lines of
// a list, the setup has no widgets, the preview and the spreadsheet are not
// there, and the clock is the system's local time.

#include <optional>
#include <string>
#include <vector>

#include "core/ports.h"
#include "core/records/spreadsheet.h"
#include "core/setup/setup_view.h"

namespace orvex::cli {

// Keeps every message box's text; gauge and symbol chooser go nowhere
// unless a subclass wants them. File dialogs are always cancelled.
class CollectingPanel : public core::PanelPort {
 public:
  void SetGauge(int) override {}
  void ShowSymbolChooser(bool) override {}
  void SetSymbolCheckEnabled(bool) override {}
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::optional<std::string> ChooseOpenFile(const std::string&) override { return std::nullopt; }
  std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }

  std::vector<std::string> messages;
};

class LineList : public core::MessageWindow {
 public:
  void AppendLine(const std::string& text) override { lines.push_back(text); }
  void ReplaceLine(int index, const std::string& text) override;
  int LineCount() const override { return static_cast<int>(lines.size()); }
  void ClearLines() override { lines.clear(); }

  std::vector<std::string> lines;
};

class NoSetupView : public core::SetupView {
 public:
  void RefreshSetup() override {}
  bool ShowLogo(int) override { return true; }  // nothing to draw it on
  void BlankLogo(int) override {}
};

class NoPreview : public core::PreviewPort {
 public:
  void ShowPreview(const core::PreviewPlan&) override {}
};

}  // namespace orvex::cli
