#pragma once

namespace orvex::core {

// The widgets that show the ticket setup. The core calls these after it
// changes the model itself (clear, load); edits made in the widgets write
// straight through to the model.
class SetupView {
 public:
  virtual ~SetupView() = default;
  // Re-reads every line, the symbol choice, the settings and the check boxes.
  virtual void RefreshSetup() = 0;
  // Loads the slot's bitmap into its image box; false when it cannot be decoded.
  virtual bool ShowLogo(int slot) = 0;
  // Fills the slot's image box white.
  virtual void BlankLogo(int slot) = 0;
};

}  // namespace orvex::core
