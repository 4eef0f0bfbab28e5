#include "image_box.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

ImageBox::ImageBox(QWidget* parent) : QLabel(parent) {
  setScaledContents(true);
  setCursor(Qt::PointingHandCursor);
}

void ImageBox::Blank(const QString& prompt) {
  QPixmap canvas(size().isEmpty() ? QSize(1, 1) : size());
  canvas.fill(Qt::white);
  if (!prompt.isEmpty()) {
    QPainter painter(&canvas);
    painter.setFont(font());
    painter.setPen(Qt::black);
    painter.drawText(QRect(110, 140, canvas.width() - 110, canvas.height() - 140),
                     Qt::AlignLeft | Qt::AlignTop, prompt);
  }
  setPixmap(canvas);
  hasPicture_ = false;
}

void ImageBox::setPicture(const QImage& image) {
  setPixmap(QPixmap::fromImage(image));
  hasPicture_ = true;
}

void ImageBox::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}
