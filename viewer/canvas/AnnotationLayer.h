#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

class QPainterPath;
class QPen;
class QTextDocument;

// The drawing on a canvas: a transparent ARGB32 image in the coordinates of the turned frame,
// with the bounding box of everything drawn on it and a map of the runs of eight pixels that
// hold anything, so that laying an empty or sparse layer over a picture costs (almost) nothing.
// A backup taken at each press lets a shape being dragged be drawn again from it.
//
// A plain value; the canvas guards it with its lock.
class AnnotationLayer {
public:
    // The drawing tools, numbered as the canvas's tool codes.
    enum Shape { Freehand = 1, Line = 2, Arrow = 3, Rectangle = 4, Circle = 5, Triangle = 6 };

    struct Style {
        int lineWidth = 2;
        QColor lineColor = Qt::black;
        QColor fillColor = Qt::black;
        bool fillEnabled = false;
    };

    const QImage &image() const { return m_layer.image; }
    bool isNull() const { return m_layer.image.isNull(); }
    QSize size() const { return m_layer.image.size(); }
    // Bounding box of everything drawn since the layer was last cleared; empty: transparent.
    QRect used() const { return m_layer.used; }

    // A transparent ARGB32 image of that size (null for an empty size).
    static QImage blank(const QSize &size);
    // A new transparent layer of that size.
    void reset(const QSize &size);
    // Everything cleared; `cleared` is taken as the new pixels when it is a transparent image
    // of the layer's size (made outside the canvas lock), otherwise the layer is filled.
    void clear(const QImage &cleared);
    // The layer turned a quarter clockwise, or mirrored across the view's axis.
    void turn();
    void mirror(bool leftRight);
    // Pixels that were changed in place (an undo step) inside `area`.
    QImage &pixels() { return m_layer.image; }
    void noteDrawn(const QRect &area);

    // Keeps the layer as it is now, for shapes dragged from this press.
    void keepBackup();
    const QImage &backup() const { return m_backup.image; }
    // Draws the shape from a to b (layer pixels); every shape but freehand is drawn on the
    // backup. Returns the layer part it can have touched.
    QRect draw(Shape shape, const QPoint &a, const QPoint &b, const Style &style);
    // Clears the square of side 4 * lineWidth + 3 around centre; returns the cleared part.
    QRect erase(const QPoint &centre, int lineWidth);
    // Paints the whole document with its top-left corner at anchor; returns its part.
    QRect drawText(QTextDocument &document, const QPoint &anchor);

    // Lays the layer over `picture`, which shows the part `region` of the turned frame.
    void overlayOnto(QImage &picture, const QRect &region) const;
    // Lays the part `area` of the layer over a picture of the layer's own size, in place.
    void overlayArea(QImage &picture, const QRect &area) const;

private:
    struct Pixels {
        QImage image;
        QRect used;
        std::vector<quint8> chunks;
    };

    void replace(const QImage &image, const QRect &used);
    // The ellipse of a shape box (drawn as a path, so that what is painted is the outline the
    // area below is computed from), and the layer pixels it can touch when drawn with pen.
    static QPainterPath ellipseOutline(const QRect &box);
    static QRect ellipseArea(const QRect &box, const QPen &pen);

    Pixels m_layer;
    Pixels m_backup;
};
