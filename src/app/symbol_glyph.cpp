#include "app/symbol_glyph.h"

#include <QFont>
#include <QPainter>

namespace orvex::app {

QSize symbolGlyphSize(const QString& character) {
  const bool wide = character == QStringLiteral("%") || character == QStringLiteral("@");
  return QSize(wide ? 10 : 8, 13);
}

QImage symbolGlyph(const QString& character) {
  const QSize size = symbolGlyphSize(character);
  QImage canvas(size, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  {
    QPainter painter(&canvas);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, character);
  }
  // One bit a pixel, as the printer's own font.
  return canvas.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::MonoOnly);
}

}  // namespace orvex::app
