#pragma once
// The preview window: ten strips on a white panel, one per ticket line,
// drawn from a plan the core worked out.

#include <QWidget>
#include <array>

#include "core/ports.h"

class QFrame;
class QLabel;

namespace orvex::app {

class PreviewWindow : public QWidget, public core::PreviewPort {
  Q_OBJECT

 public:
  // mainWindow is minimised while the preview shows and gets its state back
  // when the preview closes.
  explicit PreviewWindow(QWidget* mainWindow);

  void ShowPreview(const core::PreviewPlan& plan) override;
  // Gives the main window back the state it had before the preview.
  void restoreMainWindow();

  QFrame* panel() const { return panel_; }
  // The strip of ticket line k (0 to 9).
  QLabel* strip(int k) const { return strips_[static_cast<std::size_t>(k)]; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape closes the preview, so the keyboard alone gets the main window back.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* mainWindow_;
  QFrame* panel_ = nullptr;
  std::array<QLabel*, 10> strips_{};
  Qt::WindowStates rememberedState_ = Qt::WindowNoState;
};

}  // namespace orvex::app
