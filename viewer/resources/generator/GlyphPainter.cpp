#include "GlyphPainter.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

#include <functional>

namespace {

// Accent used inside a few pictograms (the record dot, the mask cut-outs).
const QColor kRecordRed(0xe5, 0x48, 0x3b);

struct Pen {
    QPainter &p;
    QColor ink;

    void stroke(qreal width = 2.0) const
    {
        QPen pen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
    }
    void fill(const QColor &colour) const
    {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
    }
    void fill() const { fill(ink); }
    void line(qreal x1, qreal y1, qreal x2, qreal y2) const
    {
        p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    }
    void poly(std::initializer_list<QPointF> points, bool closed) const
    {
        const QPolygonF polygon(points);
        if (closed) {
            p.drawPolygon(polygon);
        } else {
            p.drawPolyline(polygon);
        }
    }
};

void magnifier(const Pen &g)
{
    g.stroke();
    g.p.drawEllipse(QPointF(10.5, 10.5), 7, 7);
    g.stroke(2.6);
    g.line(15.8, 15.8, 21, 21);
    g.stroke();
}

void brackets(const Pen &g)
{
    g.stroke();
    g.poly({{3, 8}, {3, 3}, {8, 3}}, false);
    g.poly({{16, 3}, {21, 3}, {21, 8}}, false);
    g.poly({{21, 16}, {21, 21}, {16, 21}}, false);
    g.poly({{8, 21}, {3, 21}, {3, 16}}, false);
}

void sun(const Pen &g, qreal core, qreal rayFrom, qreal rayTo, bool filled)
{
    g.stroke();
    if (filled) {
        g.p.setBrush(g.ink);
    }
    g.p.drawEllipse(QPointF(12, 12), core, core);
    for (int k = 0; k < 8; ++k) {
        const qreal a = k * M_PI / 4;
        g.line(12 + rayFrom * qCos(a), 12 + rayFrom * qSin(a), 12 + rayTo * qCos(a),
               12 + rayTo * qSin(a));
    }
}

void folder(const Pen &g)
{
    g.stroke();
    g.poly(
        {{2, 5}, {4, 3}, {9, 3}, {11, 6}, {20, 6}, {22, 8}, {22, 19}, {20, 21}, {4, 21}, {2, 19}},
        true);
}

void maskFrame(const Pen &g, const QPainterPath &visible)
{
    // The picture frame with the hidden part filled: what stays visible is cut out.
    const QRectF frame(2.5, 4.5, 19, 15);
    QPainterPath hidden;
    hidden.addRect(frame);
    g.fill(QColor(g.ink.red(), g.ink.green(), g.ink.blue(), 200));
    g.p.drawPath(hidden.subtracted(visible));
    g.stroke(1.5);
    g.p.drawRect(frame);
}

// A filled play-style triangle with its base at x0 and its tip at x1 (either direction).
void pointer(const Pen &g, qreal x0, qreal x1)
{
    g.fill();
    g.poly({{x0, 5}, {x1, 12}, {x0, 19}}, true);
}

using Drawer = std::function<void(const Pen &)>;

const QHash<QString, Drawer> &drawers()
{
    static const QHash<QString, Drawer> table{
        {"line",
         [](const Pen &g) {
             g.stroke();
             g.line(5, 19, 19, 5);
             g.fill();
             g.p.drawEllipse(QPointF(5, 19), 2.2, 2.2);
             g.p.drawEllipse(QPointF(19, 5), 2.2, 2.2);
         }},
        {"rectangle",
         [](const Pen &g) {
             g.stroke();
             g.p.drawRoundedRect(QRectF(3, 6, 18, 12), 1, 1);
         }},
        {"freehand",
         [](const Pen &g) {
             g.stroke();
             QPainterPath path(QPointF(3, 16));
             path.cubicTo(5, 5, 9, 5, 11, 12);
             path.cubicTo(13, 19, 18, 19, 21, 7);
             g.p.drawPath(path);
         }},
        {"circle",
         [](const Pen &g) {
             g.stroke();
             g.p.drawEllipse(QPointF(12, 12), 9, 7.5);
         }},
        {"arrow",
         [](const Pen &g) {
             g.stroke();
             g.line(5, 19, 18, 6);
             g.poly({{10, 6}, {18, 6}, {18, 14}}, false);
         }},
        {"triangle",
         [](const Pen &g) {
             g.stroke();
             g.poly({{12, 4}, {21.5, 19.5}, {2.5, 19.5}}, true);
         }},
        {"eraser",
         [](const Pen &g) {
             // A rubber block lying at an angle, its rubber end filled, on a base line.
             g.p.save();
             g.p.translate(12.5, 11);
             g.p.rotate(-45);
             const QRectF block(-9.5, -5, 19, 10);
             g.fill();
             g.p.drawRoundedRect(QRectF(block.left(), block.top(), 7.5, block.height()), 1, 1);
             g.stroke();
             g.p.drawRoundedRect(block, 1.5, 1.5);
             g.p.restore();
             g.stroke();
             g.line(9, 21.5, 21, 21.5);
         }},
        {"text",
         [](const Pen &g) {
             g.stroke(2.6);
             g.line(5, 5, 19, 5);
             g.line(12, 5, 12, 20);
             g.stroke(2);
             g.line(5, 5, 5, 8);
             g.line(19, 5, 19, 8);
             g.line(9, 20, 15, 20);
         }},
        {"trash",
         [](const Pen &g) {
             g.stroke();
             g.line(3, 6, 21, 6);
             g.poly({{5, 6}, {6.5, 21}, {17.5, 21}, {19, 6}}, false);
             g.poly({{9, 6}, {9, 3}, {15, 3}, {15, 6}}, false);
             g.line(10, 10, 10, 17);
             g.line(14, 10, 14, 17);
         }},
        {"crop",
         [](const Pen &g) {
             g.stroke();
             g.poly({{6, 1.5}, {6, 18}, {22.5, 18}}, false);
             g.poly({{1.5, 6}, {18, 6}, {18, 22.5}}, false);
         }},
        {"hand",
         [](const Pen &g) {
             g.fill();
             g.p.drawRoundedRect(QRectF(6.5, 11, 12, 11), 3.5, 3.5);
             QPen finger(g.ink, 2.8, Qt::SolidLine, Qt::RoundCap);
             g.p.setPen(finger);
             g.line(8, 12, 8, 6);
             g.line(11, 12, 11, 3.5);
             g.line(14, 12, 14, 4);
             g.line(17, 12, 17, 6.5);
             g.line(7.5, 17, 4, 12.5);
         }},
        {"zoom_in",
         [](const Pen &g) {
             magnifier(g);
             g.line(10.5, 7.5, 10.5, 13.5);
             g.line(7.5, 10.5, 13.5, 10.5);
         }},
        {"zoom_out",
         [](const Pen &g) {
             magnifier(g);
             g.line(7.5, 10.5, 13.5, 10.5);
         }},
        {"zoom_fit",
         [](const Pen &g) {
             // A magnifier reading "1:1".
             magnifier(g);
             g.stroke(1.4);
             g.poly({{6.4, 8.9}, {7.6, 7.8}, {7.6, 13.2}}, false);
             g.poly({{12.6, 8.9}, {13.8, 7.8}, {13.8, 13.2}}, false);
             g.fill();
             g.p.drawEllipse(QPointF(10.7, 9.1), 0.8, 0.8);
             g.p.drawEllipse(QPointF(10.7, 12.2), 0.8, 0.8);
         }},
        {"autofocus",
         [](const Pen &g) {
             brackets(g);
             g.stroke(1.6);
             g.p.drawEllipse(QPointF(12, 12), 4.5, 4.5);
             g.fill();
             g.p.drawEllipse(QPointF(12, 12), 1.5, 1.5);
         }},
        {"sun_down", [](const Pen &g) { sun(g, 3.2, 6, 7.5, false); }},
        {"sun_up", [](const Pen &g) { sun(g, 4.5, 7.5, 10.5, true); }},
        {"rotate",
         [](const Pen &g) {
             g.stroke();
             QPainterPath path(QPointF(20.49, 15));
             path.arcTo(QRectF(3, 3, 18, 18), -19.47, -295.5);
             path.lineTo(23, 10);
             g.p.drawPath(path);
             g.poly({{23, 4}, {23, 10}, {17, 10}}, false);
         }},
        {"rotate_left",
         [](const Pen &g) {
             // The right turn's arrow, mirrored.
             g.p.save();
             g.p.translate(24, 0);
             g.p.scale(-1, 1);
             g.stroke();
             QPainterPath path(QPointF(20.49, 15));
             path.arcTo(QRectF(3, 3, 18, 18), -19.47, -295.5);
             path.lineTo(23, 10);
             g.p.drawPath(path);
             g.poly({{23, 4}, {23, 10}, {17, 10}}, false);
             g.p.restore();
         }},
        {"mirror_lr",
         [](const Pen &g) {
             // Two triangles facing each other across a dashed vertical axis.
             g.fill();
             g.poly({{10, 5}, {10, 19}, {2, 19}}, true);
             g.stroke(1.6);
             g.poly({{14, 5}, {14, 19}, {22, 19}}, true);
             QPen axis(g.ink, 1.4, Qt::DashLine, Qt::FlatCap);
             g.p.setPen(axis);
             g.line(12, 1.5, 12, 22.5);
         }},
        {"mirror_tb",
         [](const Pen &g) {
             // The same across a horizontal axis.
             g.fill();
             g.poly({{5, 10}, {19, 10}, {19, 2}}, true);
             g.stroke(1.6);
             g.poly({{5, 14}, {19, 14}, {19, 22}}, true);
             QPen axis(g.ink, 1.4, Qt::DashLine, Qt::FlatCap);
             g.p.setPen(axis);
             g.line(1.5, 12, 22.5, 12);
         }},
        {"snowflake",
         [](const Pen &g) {
             g.stroke(1.8);
             for (int k = 0; k < 6; ++k) {
                 const qreal a = k * M_PI / 3 - M_PI / 2;
                 const QPointF dir(qCos(a), qSin(a));
                 const QPointF c(12, 12);
                 g.p.drawLine(c, c + dir * 10);
                 const QPointF knot = c + dir * 6.2;
                 for (const qreal side : {-1.0, 1.0}) {
                     const qreal b = a + side * M_PI / 4;
                     g.p.drawLine(knot, knot + QPointF(qCos(b), qSin(b)) * 3);
                 }
             }
         }},
        {"video",
         [](const Pen &g) {
             g.stroke();
             g.poly({{22.5, 7}, {16, 11}, {16, 13}, {22.5, 17}}, true);
             g.p.drawRoundedRect(QRectF(1.5, 5, 14.5, 14), 2, 2);
             g.fill(kRecordRed);
             g.p.drawEllipse(QPointF(8.75, 12), 3.2, 3.2);
         }},
        {"camera",
         [](const Pen &g) {
             g.stroke();
             g.poly({{1.5, 8},
                     {3.5, 6},
                     {7, 6},
                     {9, 3},
                     {15, 3},
                     {17, 6},
                     {20.5, 6},
                     {22.5, 8},
                     {22.5, 19},
                     {20.5, 21},
                     {3.5, 21},
                     {1.5, 19}},
                    true);
             g.p.drawEllipse(QPointF(12, 13), 4, 4);
         }},
        {"gear",
         [](const Pen &g) {
             QPolygonF outline;
             const int teeth = 8;
             for (int k = 0; k < teeth * 4; ++k) {
                 const qreal a = (k - 0.5) * 2 * M_PI / (teeth * 4);
                 const qreal r = (k % 4 == 1 || k % 4 == 2) ? 10.5 : 7.8;
                 outline << QPointF(12 + r * qCos(a), 12 + r * qSin(a));
             }
             g.stroke(1.6);
             g.p.drawPolygon(outline);
             g.stroke(1.8);
             g.p.drawEllipse(QPointF(12, 12), 3.2, 3.2);
         }},
        {"scan",
         [](const Pen &g) {
             // A sheet with lines of text inside the corners of a camera's frame.
             brackets(g);
             g.stroke(1.6);
             g.p.drawRect(QRectF(7, 6, 10, 12));
             g.line(9, 9.5, 15, 9.5);
             g.line(9, 12, 15, 12);
             g.line(9, 14.5, 13, 14.5);
         }},
        {"printer",
         [](const Pen &g) {
             g.stroke();
             g.poly({{6, 9}, {6, 2}, {18, 2}, {18, 9}}, false);
             g.poly({{6, 18},
                     {4, 18},
                     {2, 16},
                     {2, 11},
                     {4, 9},
                     {20, 9},
                     {22, 11},
                     {22, 16},
                     {20, 18},
                     {18, 18}},
                    false);
             g.p.drawRect(QRectF(6, 14, 12, 8));
         }},
        {"folder_film",
         [](const Pen &g) {
             folder(g);
             g.fill();
             g.poly({{10, 10}, {16, 13.5}, {10, 17}}, true);
         }},
        {"folder_photo",
         [](const Pen &g) {
             folder(g);
             g.fill();
             g.poly({{5.5, 18}, {10, 12}, {13, 15.5}, {15, 13.5}, {18.5, 18}}, true);
         }},
        {"play", [](const Pen &g) { pointer(g, 6, 20); }},
        {"pause",
         [](const Pen &g) {
             g.fill();
             g.p.drawRoundedRect(QRectF(6, 4.5, 4.5, 15), 1, 1);
             g.p.drawRoundedRect(QRectF(13.5, 4.5, 4.5, 15), 1, 1);
         }},
        {"stop",
         [](const Pen &g) {
             g.fill();
             g.p.drawRoundedRect(QRectF(5.5, 5.5, 13, 13), 1.5, 1.5);
         }},
        {"rewind",
         [](const Pen &g) {
             pointer(g, 12, 2);
             pointer(g, 22, 12);
         }},
        {"fast_forward",
         [](const Pen &g) {
             pointer(g, 2, 12);
             pointer(g, 12, 22);
         }},
        {"skip_back",
         [](const Pen &g) {
             pointer(g, 19, 8);
             g.stroke(2.4);
             g.line(5.5, 5.5, 5.5, 18.5);
         }},
        {"skip_forward",
         [](const Pen &g) {
             pointer(g, 5, 16);
             g.stroke(2.4);
             g.line(18.5, 5.5, 18.5, 18.5);
         }},
        {"volume",
         [](const Pen &g) {
             g.fill();
             g.poly({{11, 5}, {6, 9}, {2, 9}, {2, 15}, {6, 15}, {11, 19}}, true);
             g.stroke();
             QPainterPath waves;
             waves.arcMoveTo(QRectF(7, 7, 10, 10), 45);
             waves.arcTo(QRectF(7, 7, 10, 10), 45, -90);
             waves.arcMoveTo(QRectF(2, 2, 20, 20), 45);
             waves.arcTo(QRectF(2, 2, 20, 20), 45, -90);
             g.p.drawPath(waves);
         }},
        {"slideshow",
         [](const Pen &g) {
             g.stroke();
             g.p.drawRoundedRect(QRectF(2, 3, 20, 14), 1.5, 1.5);
             g.line(12, 17, 12, 21);
             g.line(8, 21, 16, 21);
             g.fill();
             g.poly({{10, 6.5}, {15.5, 10}, {10, 13.5}}, true);
         }},
        {"thumbnails",
         [](const Pen &g) {
             g.stroke(1.6);
             g.p.drawRect(QRectF(9.25, 7, 5.5, 10));
             g.p.drawRect(QRectF(16.5, 7, 5.5, 10));
             g.fill();
             g.p.drawRect(QRectF(1.2, 6.2, 7.1, 11.6));
             g.stroke(1.6);
             g.line(2, 20.5, 22, 20.5);
         }},
        {"clock",
         [](const Pen &g) {
             g.stroke();
             g.p.drawEllipse(QPointF(12, 12), 10, 10);
             g.poly({{12, 6}, {12, 12}, {16, 14}}, false);
         }},
        {"win_min",
         [](const Pen &g) {
             g.stroke(2.2);
             g.line(6, 16, 18, 16);
         }},
        {"win_max",
         [](const Pen &g) {
             g.stroke(2);
             g.p.drawRect(QRectF(6, 6, 12, 12));
             g.line(6, 7, 18, 7);
         }},
        {"win_close",
         [](const Pen &g) {
             g.stroke(2.2);
             g.line(6.5, 6.5, 17.5, 17.5);
             g.line(17.5, 6.5, 6.5, 17.5);
         }},
        {"chevrons_right",
         [](const Pen &g) {
             g.stroke();
             g.poly({{6, 6}, {12, 12}, {6, 18}}, false);
             g.poly({{13, 6}, {19, 12}, {13, 18}}, false);
         }},
        {"chevrons_left",
         [](const Pen &g) {
             g.stroke();
             g.poly({{18, 6}, {12, 12}, {18, 18}}, false);
             g.poly({{11, 6}, {5, 12}, {11, 18}}, false);
         }},
        {"doccam",
         [](const Pen &g) {
             // A document camera: base plate, arm, and the camera head looking down.
             g.stroke();
             g.p.drawRoundedRect(QRectF(2, 19, 20, 3), 1, 1);
             g.poly({{6, 19}, {6, 12}, {11, 5}}, false);
             g.fill();
             g.p.drawRoundedRect(QRectF(10, 3, 11, 5), 1.5, 1.5);
             g.p.drawEllipse(QPointF(17, 9.5), 1.8, 1.8);
         }},
        {"fx_bw",
         [](const Pen &g) {
             g.stroke();
             g.p.drawEllipse(QPointF(12, 12), 9, 9);
             g.fill();
             QPainterPath half;
             half.moveTo(12, 3);
             half.arcTo(QRectF(3, 3, 18, 18), 90, -180);
             half.closeSubpath();
             g.p.drawPath(half);
         }},
        {"fx_negative",
         [](const Pen &g) {
             g.stroke();
             g.p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
             g.fill();
             g.poly({{3, 21}, {21, 3}, {21, 21}}, true);
             g.stroke(2);
             g.line(6, 8.5, 11, 8.5);
             g.line(8.5, 6, 8.5, 11);
             g.p.setPen(QPen(QColor(0, 0, 0, 200), 2, Qt::SolidLine, Qt::RoundCap));
             g.line(13, 16, 18, 16);
         }},
        {"fx_mosaic",
         [](const Pen &g) {
             for (int row = 0; row < 3; ++row) {
                 for (int col = 0; col < 3; ++col) {
                     const int alpha = ((row + col) % 2 == 0) ? 255 : 110;
                     g.fill(QColor(g.ink.red(), g.ink.green(), g.ink.blue(), alpha));
                     g.p.drawRect(QRectF(3 + 6 * col, 3 + 6 * row, 5.4, 5.4));
                 }
             }
         }},
        {"mask_circle",
         [](const Pen &g) {
             QPainterPath visible;
             visible.addEllipse(QPointF(12, 12), 6.5, 6.5);
             maskFrame(g, visible);
         }},
        {"mask_rectangle",
         [](const Pen &g) {
             QPainterPath visible;
             visible.addRect(QRectF(7, 8.5, 10, 7));
             maskFrame(g, visible);
         }},
        {"mask_left",
         [](const Pen &g) {
             QPainterPath visible;
             visible.addRect(QRectF(12, 4.5, 9.5, 15));
             maskFrame(g, visible);
         }},
        {"mask_top",
         [](const Pen &g) {
             QPainterPath visible;
             visible.addRect(QRectF(2.5, 12, 19, 7.5));
             maskFrame(g, visible);
         }},
    };
    return table;
}

} // namespace

bool GlyphPainter::exists(const QString &glyph)
{
    return drawers().contains(glyph);
}

bool GlyphPainter::draw(QPainter &painter, const QString &glyph, const QRectF &box,
                        const QColor &ink)
{
    const auto it = drawers().constFind(glyph);
    if (it == drawers().constEnd()) {
        return false;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / 24.0, box.height() / 24.0);
    (*it)(Pen{painter, ink});
    painter.restore();
    return true;
}
