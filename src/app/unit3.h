#pragma once
// TForm3, the preview window: ten strips on a white panel, one per ticket
// line, drawn from a plan the core worked out.

#include <QWidget>
#include <array>

#include "ports.h"

class QFrame;
class QLabel;

class TForm3 : public QWidget, public orvex::PreviewPort {
  Q_OBJECT

 public:
  // mainWindow is minimised while the preview shows and gets its state back
  // when the preview closes.
  explicit TForm3(QWidget* mainWindow);

  void ShowPreview(const orvex::PreviewPlan& plan) override;
  void FormClose();

  QFrame* Panel1 = nullptr;
  std::array<QLabel*, 10> strips{};  // Image1 .. Image10

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* mainWindow_;
  Qt::WindowStates rememberedState_ = Qt::WindowNoState;
};
