#pragma once
// An image box that stretches its picture to its size and answers a click.
// It is also a tab stop: Space or Enter does what a click does, and screen
// readers see a button with a press action.

#include <QLabel>

namespace orvex::app {

class ImageBox : public QLabel {
  Q_OBJECT

 public:
  explicit ImageBox(QWidget* parent = nullptr);

  // White, with the prompt drawn at (110, 140) when one is given.
  void blank(const QString& prompt = QString());
  bool hasPicture() const { return hasPicture_; }
  // A null image is a picture of no rows (a logo of height 0): all white.
  void setPicture(const QImage& image);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool hasPicture_ = false;
};

}  // namespace orvex::app
