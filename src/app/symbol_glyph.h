#pragma once
// The small monochrome picture of a symbol character shown beside its radio
// item: 8 x 13 pixels, 10 x 13 for the wide "%" and "@".

#include <QImage>
#include <QString>

namespace orvex::app {

QSize symbolGlyphSize(const QString& character);
QImage symbolGlyph(const QString& character);

}  // namespace orvex::app
