#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

// Draws the skin's pictograms. Every pictogram is designed on a 24 x 24 grid with
// 2-unit round strokes and is scaled into the box it is given.
class GlyphPainter {
public:
    // Draws the named pictogram into box with the given ink; false for an unknown name.
    static bool draw(QPainter &painter, const QString &glyph, const QRectF &box, const QColor &ink);
    static bool exists(const QString &glyph);
};
