#include "SkinPainter.h"

#include "GlyphPainter.h"

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <functional>

namespace {

enum class State { Normal, Over, Click };

// The skin's palette: graphite faces, light-grey pictograms, one amber accent.
const QColor kAccent(0xff, 0x9f, 0x1c);
const QColor kInk(0xd6, 0xda, 0xe0);
const QColor kInkOver(0xff, 0xff, 0xff);
const QColor kWindowFill(0x22, 0x24, 0x28);
const QColor kOutline(0x0b, 0x0c, 0x0e);
const QColor kEdge(0x17, 0x18, 0x1b);
const QColor kDanger(0xd9, 0x45, 0x3b);

struct Job {
    const SkinEntry &entry;
    QPainter &p;
    QImage &image;
    State state;
    QString error;

    qreal w() const { return image.width(); }
    qreal h() const { return image.height(); }
    QRectF rect() const { return QRectF(0, 0, w(), h()); }
    QString param(const char *key) const { return entry.params.value(QLatin1String(key)); }
    QColor ink() const
    {
        return state == State::Click ? kAccent : state == State::Over ? kInkOver : kInk;
    }
    void glyph(const QString &name, const QRectF &box, const QColor &colour)
    {
        if (!GlyphPainter::draw(p, name, box, colour)) {
            error = QStringLiteral("unknown pictogram '%1'").arg(name);
        }
    }
    QColor colour(const char *key)
    {
        const QColor c = QColor::fromString(param(key));
        if (!c.isValid()) {
            error = QStringLiteral("bad colour '%1'").arg(param(key));
        }
        return c;
    }
};

QRectF centred(const QRectF &area, qreal side)
{
    return QRectF(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
}

// A raised button face; pressed faces sink and take the accent outline.
void face(Job &j, const QRectF &r, qreal radius)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    QColor border = kEdge;
    qreal borderWidth = 1;
    switch (j.state) {
    case State::Normal:
        g.setColorAt(0, QColor(0x48, 0x4c, 0x53));
        g.setColorAt(1, QColor(0x36, 0x39, 0x3f));
        break;
    case State::Over:
        g.setColorAt(0, QColor(0x58, 0x5d, 0x65));
        g.setColorAt(1, QColor(0x44, 0x48, 0x4f));
        border = QColor(0x80, 0x86, 0x90);
        break;
    case State::Click:
        g.setColorAt(0, QColor(0x1c, 0x1e, 0x22));
        g.setColorAt(1, QColor(0x2a, 0x2c, 0x31));
        border = kAccent;
        borderWidth = 1.5;
        break;
    }
    const QRectF inner =
        r.adjusted(borderWidth / 2, borderWidth / 2, -borderWidth / 2, -borderWidth / 2);
    j.p.setPen(QPen(border, borderWidth));
    j.p.setBrush(g);
    j.p.drawRoundedRect(inner, radius, radius);
    if (j.state != State::Click) {
        j.p.setPen(QPen(QColor(255, 255, 255, 34), 1));
        j.p.drawLine(QPointF(inner.left() + radius, inner.top() + 1),
                     QPointF(inner.right() - radius, inner.top() + 1));
    }
}

// A small flat well used by the swatches and width choices.
void well(Job &j)
{
    const QRectF r = j.rect().adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill(0x2c, 0x2f, 0x34), border = kEdge;
    qreal borderWidth = 1;
    if (j.state == State::Over) {
        fill = QColor(0x3a, 0x3d, 0x44);
        border = QColor(0x8a, 0x90, 0x99);
    } else if (j.state == State::Click) {
        fill = QColor(0x1c, 0x1e, 0x22);
        border = kAccent;
        borderWidth = 2;
    }
    j.p.setPen(QPen(border, borderWidth));
    j.p.setBrush(fill);
    j.p.drawRoundedRect(r.adjusted(borderWidth / 2 - 0.5, borderWidth / 2 - 0.5,
                                   0.5 - borderWidth / 2, 0.5 - borderWidth / 2),
                        3, 3);
}

// Translucent plate behind on-screen-display indicators.
void osdPlate(Job &j)
{
    j.p.setPen(QPen(QColor(255, 255, 255, 46), 1));
    j.p.setBrush(QColor(12, 13, 15, 178));
    j.p.drawRoundedRect(j.rect().adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

// ---- Button faces -----------------------------------------------------------------------

void tool(Job &j)
{
    face(j, j.rect(), 5);
    j.glyph(j.param("glyph"), centred(j.rect(), 26), j.ink());
}

void bar(Job &j)
{
    const QRectF r = j.rect().adjusted(0.5, 0.5, -0.5, -0.5);
    if (j.state == State::Over) {
        j.p.setPen(QPen(QColor(255, 255, 255, 40), 1));
        j.p.setBrush(QColor(255, 255, 255, 30));
        j.p.drawRoundedRect(r, 5, 5);
    } else if (j.state == State::Click) {
        j.p.setPen(QPen(kAccent, 1));
        j.p.setBrush(QColor(0, 0, 0, 120));
        j.p.drawRoundedRect(r, 5, 5);
    }
    j.glyph(j.param("glyph"), centred(j.rect(), 20), j.ink());
}

void caption(Job &j)
{
    const bool danger = j.param("danger") == QLatin1String("1");
    QColor ink(0xc3, 0xc8, 0xcf);
    if (j.state != State::Normal) {
        QColor plate = j.state == State::Over ? QColor(255, 255, 255, 40) : QColor(0, 0, 0, 90);
        if (danger) {
            plate = j.state == State::Over ? kDanger : kDanger.darker(130);
        }
        j.p.setPen(Qt::NoPen);
        j.p.setBrush(plate);
        j.p.drawRoundedRect(j.rect(), 3, 3);
        ink = kInkOver;
    }
    j.glyph(j.param("glyph"), j.rect(), ink);
}

void tab(Job &j)
{
    const QRectF r = j.rect().adjusted(0.5, 0.5, -0.5, 0);
    QPainterPath shape;
    shape.moveTo(r.bottomLeft());
    shape.lineTo(r.left(), r.top() + 4);
    shape.quadTo(r.topLeft(), QPointF(r.left() + 4, r.top()));
    shape.lineTo(r.right() - 4, r.top());
    shape.quadTo(r.topRight(), QPointF(r.right(), r.top() + 4));
    shape.lineTo(r.bottomRight());
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (j.state == State::Click) {
        g.setColorAt(0, QColor(0x18, 0x19, 0x1c));
        g.setColorAt(1, QColor(0x22, 0x24, 0x28));
    } else {
        const int lift = j.state == State::Over ? 16 : 0;
        g.setColorAt(0, QColor(0x42 + lift, 0x46 + lift, 0x4c + lift));
        g.setColorAt(1, QColor(0x31 + lift, 0x34 + lift, 0x39 + lift));
    }
    j.p.setPen(QPen(kEdge, 1));
    j.p.setBrush(g);
    j.p.drawPath(shape);
    if (j.state == State::Click) {
        j.p.fillRect(QRectF(1, j.h() - 2.5, j.w() - 2, 2.5), kAccent);
    }
}

void title(Job &j)
{
    face(j, j.rect(), 3);
    j.p.fillRect(QRectF(5, 5, 2, j.h() - 10), kAccent);
    j.p.setPen(Qt::NoPen);
    j.p.setBrush(j.state == State::Over ? kInkOver : kInk);
    const qreal x = j.w() - 14, y = j.h() / 2;
    if (j.param("arrow") == QLatin1String("down")) {
        j.p.drawPolygon(QPolygonF({{x - 4, y - 2}, {x + 4, y - 2}, {x, y + 3}}));
    } else {
        j.p.drawPolygon(QPolygonF({{x - 2, y - 4}, {x + 3, y}, {x - 2, y + 4}}));
    }
}

void side(Job &j)
{
    face(j, j.rect(), 6);
    const bool open = j.param("dir") == QLatin1String("right");
    j.glyph(open ? QStringLiteral("chevrons_right") : QStringLiteral("chevrons_left"),
            centred(j.rect(), 20), j.ink());
    j.p.setPen(Qt::NoPen);
    j.p.setBrush(QColor(255, 255, 255, 50));
    for (const qreal y : {22.0, 28.0, j.h() - 28, j.h() - 22}) {
        j.p.drawEllipse(QPointF(j.w() / 2 - 3, y), 1.2, 1.2);
        j.p.drawEllipse(QPointF(j.w() / 2 + 3, y), 1.2, 1.2);
    }
}

// The thumbnail picture behind the effect and mask choices: sky, sun, hills and a house.
QImage scenePicture(const QSize &size)
{
    QImage picture(size, QImage::Format_RGB32);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(0x3f, 0x8f, 0xe0));
    sky.setColorAt(1, QColor(0xbf, 0xe3, 0xfa));
    p.fillRect(picture.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd4, 0x3b));
    p.drawEllipse(QPointF(w * 0.78, h * 0.25), h * 0.14, h * 0.14);
    QPainterPath far(QPointF(0, h * 0.7));
    far.cubicTo(w * 0.3, h * 0.45, w * 0.55, h * 0.5, w, h * 0.62);
    far.lineTo(w, h);
    far.lineTo(0, h);
    p.setBrush(QColor(0x3e, 0x9b, 0x4f));
    p.drawPath(far);
    QPainterPath near(QPointF(0, h * 0.85));
    near.cubicTo(w * 0.4, h * 0.7, w * 0.7, h * 0.95, w, h * 0.8);
    near.lineTo(w, h);
    near.lineTo(0, h);
    p.setBrush(QColor(0x2a, 0x74, 0x38));
    p.drawPath(near);
    const QRectF house(w * 0.2, h * 0.5, w * 0.22, h * 0.25);
    p.setBrush(QColor(0xf4, 0xef, 0xe6));
    p.drawRect(house);
    p.setBrush(QColor(0xd6, 0x3a, 0x2f));
    p.drawPolygon(QPolygonF({{house.left() - 2, house.top()},
                             {house.center().x(), house.top() - h * 0.18},
                             {house.right() + 2, house.top()}}));
    p.setBrush(QColor(0x6b, 0x4a, 0x2f));
    p.drawRect(QRectF(house.center().x() - 2, house.bottom() - h * 0.14, 4, h * 0.14));
    return picture;
}

void applyEffect(QImage &picture, const QString &effect)
{
    if (effect == QLatin1String("bw") || effect == QLatin1String("negative")) {
        for (int y = 0; y < picture.height(); ++y) {
            QRgb *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb c = row[x];
                if (effect == QLatin1String("bw")) {
                    const int grey = qGray(c);
                    row[x] = qRgb(grey, grey, grey);
                } else {
                    row[x] = qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
                }
            }
        }
    } else if (effect == QLatin1String("mosaic")) {
        const int block = 8;
        const QImage small =
            picture.scaled(picture.width() / block + 1, picture.height() / block + 1,
                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        picture = small.scaled(small.width() * block, small.height() * block)
                      .copy(0, 0, picture.width(), picture.height());
    }
}

void applyMask(QImage &picture, const QString &mask)
{
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(picture.rect());
    const qreal w = all.width(), h = all.height();
    QPainterPath hidden;
    hidden.addRect(all);
    QPainterPath visible;
    if (mask == QLatin1String("circle")) {
        const qreal r = 0.48 * qMin(w, h);
        visible.addEllipse(all.center(), r, r);
    } else if (mask == QLatin1String("rectangle")) {
        visible.addRect(QRectF(w * 0.2, h * 0.2, w * 0.6, h * 0.6));
    } else if (mask == QLatin1String("left")) {
        visible.addRect(QRectF(w / 2, 0, w / 2, h));
    } else if (mask == QLatin1String("top")) {
        visible.addRect(QRectF(0, h / 2, w, h / 2));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(hidden.subtracted(visible));
}

void scene(Job &j)
{
    const bool flat = j.param("flat") == QLatin1String("1");
    const qreal inset = flat ? 2 : 4;
    const QRectF area = j.rect().adjusted(inset, inset, -inset, -inset);
    QImage picture = scenePicture(area.size().toSize());
    if (j.entry.params.contains(QStringLiteral("effect"))) {
        applyEffect(picture, j.param("effect"));
    } else {
        applyMask(picture, j.param("mask"));
    }
    if (!flat) {
        face(j, j.rect(), 5);
    }
    QPainterPath clip;
    clip.addRoundedRect(area, 3, 3);
    j.p.save();
    j.p.setClipPath(clip);
    j.p.drawImage(area.topLeft(), picture);
    j.p.restore();
    if (flat) {
        QColor border = j.state == State::Click  ? kAccent
                        : j.state == State::Over ? QColor(0xb0, 0xb6, 0xbf)
                                                 : kEdge;
        j.p.setPen(QPen(border, j.state == State::Click ? 2.5 : 1.5));
        j.p.setBrush(Qt::NoBrush);
        j.p.drawRoundedRect(area.adjusted(-0.5, -0.5, 0.5, 0.5), 3, 3);
    } else {
        j.p.setPen(QPen(QColor(0, 0, 0, 150), 1));
        j.p.setBrush(Qt::NoBrush);
        j.p.drawRoundedRect(area, 3, 3);
    }
}

void recdot(Job &j)
{
    const QPointF c = j.rect().center();
    j.p.setPen(
        QPen(j.state == State::Over ? QColor(0x8a, 0x90, 0x99) : QColor(0x55, 0x59, 0x60), 1.2));
    j.p.setBrush(QColor(0x1c, 0x1e, 0x22));
    j.p.drawEllipse(c, 9.2, 9.2);
    QRadialGradient dot(c - QPointF(1.5, 1.5), 7);
    if (j.state == State::Click) {
        dot.setColorAt(0, QColor(0xff, 0x9a, 0x8a));
        dot.setColorAt(1, QColor(0xff, 0x2d, 0x1f));
    } else {
        const QColor base =
            j.state == State::Over ? QColor(0xc2, 0x3b, 0x30) : QColor(0x8e, 0x2c, 0x25);
        dot.setColorAt(0, base.lighter(140));
        dot.setColorAt(1, base);
    }
    j.p.setPen(Qt::NoPen);
    j.p.setBrush(dot);
    j.p.drawEllipse(c, j.state == State::Click ? 6.0 : 5.2, j.state == State::Click ? 6.0 : 5.2);
}

void popclose(Job &j)
{
    QColor ink(0xaa, 0xb0, 0xb8);
    if (j.state != State::Normal) {
        j.p.setPen(Qt::NoPen);
        j.p.setBrush(j.state == State::Over ? kDanger : kDanger.darker(130));
        j.p.drawEllipse(j.rect());
        ink = kInkOver;
    }
    j.glyph(QStringLiteral("win_close"), j.rect().adjusted(0.5, 0.5, -0.5, -0.5), ink);
}

void popup(Job &j)
{
    const QRectF r = j.rect().adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    QColor border(0x80, 0x86, 0x90);
    if (j.state == State::Click) {
        g.setColorAt(0, QColor(0xb4, 0xb9, 0xc1));
        g.setColorAt(1, QColor(0xcc, 0xd0, 0xd6));
        border = kAccent;
    } else {
        const int lift = j.state == State::Over ? 14 : 0;
        g.setColorAt(0, QColor(0xe8 + lift / 2, 0xea + lift / 2, 0xee + lift / 2));
        g.setColorAt(1, QColor(0xbe + lift, 0xc3 + lift, 0xca + lift));
        if (j.state == State::Over) {
            border = kAccent;
        }
    }
    j.p.setPen(QPen(border, 1));
    j.p.setBrush(g);
    j.p.drawRoundedRect(r, 3, 3);
}

void width(Job &j)
{
    well(j);
    const qreal px = j.param("px").toDouble();
    if (px <= 0) {
        j.error = QStringLiteral("bad px");
        return;
    }
    j.p.setPen(QPen(QColor(0xe6, 0xe9, 0xed), px, Qt::SolidLine, Qt::RoundCap));
    j.p.drawLine(QPointF(6 + px / 2, j.h() / 2), QPointF(j.w() - 6 - px / 2, j.h() / 2));
}

void swatch(Job &j)
{
    well(j);
    const QString style = j.param("style");
    const QRectF chip(6, 5, j.w() - 12, j.h() - 10);
    if (style == QLatin1String("none")) {
        j.p.setPen(QPen(QColor(255, 255, 255, 120), 1));
        j.p.setBrush(QColor(0xf2, 0xf3, 0xf5));
        j.p.drawRect(chip.adjusted(0.5, 0.5, -0.5, -0.5));
        j.p.setPen(QPen(QColor(0xe0, 0x2b, 0x20), 2));
        j.p.drawLine(chip.bottomLeft() + QPointF(1, -1), chip.topRight() + QPointF(-1, 1));
        return;
    }
    const QColor c = j.colour("color");
    if (style == QLatin1String("line")) {
        const qreal y = j.h() / 2;
        j.p.setPen(QPen(QColor(255, 255, 255, 130), 7, Qt::SolidLine, Qt::RoundCap));
        j.p.drawLine(QPointF(10, y), QPointF(j.w() - 10, y));
        j.p.setPen(QPen(c, 5, Qt::SolidLine, Qt::RoundCap));
        j.p.drawLine(QPointF(10, y), QPointF(j.w() - 10, y));
    } else if (style == QLatin1String("fill")) {
        j.p.setPen(QPen(QColor(255, 255, 255, 130), 1));
        j.p.setBrush(c);
        j.p.drawRect(chip.adjusted(0.5, 0.5, -0.5, -0.5));
    } else {
        j.error = QStringLiteral("bad swatch style");
    }
}

// ---- Backgrounds ----------------------------------------------------------------------------

void canvas(Job &j)
{
    QRadialGradient g(j.rect().center(), j.w() * 0.7);
    g.setColorAt(0, QColor(0x2e, 0x31, 0x36));
    g.setColorAt(1, QColor(0x12, 0x13, 0x15));
    j.p.fillRect(j.rect(), g);
    j.glyph(QStringLiteral("doccam"), centred(j.rect(), j.h() * 0.26), QColor(0x34, 0x37, 0x3d));
}

void ctlbar(Job &j)
{
    const QRectF r = j.rect().adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0x2a, 0x2c, 0x31, 240));
    g.setColorAt(1, QColor(0x16, 0x17, 0x1a, 240));
    j.p.setPen(QPen(QColor(0x4a, 0x4e, 0x56), 1));
    j.p.setBrush(g);
    j.p.drawRoundedRect(r, 9, 9);
}

void groove(Job &j)
{
    const bool vertical = j.param("dir") == QLatin1String("v");
    if (vertical) {
        j.p.setPen(QPen(QColor(0x4a, 0x4e, 0x56), 1));
        j.p.setBrush(QColor(0x1e, 0x20, 0x23, 240));
        j.p.drawRoundedRect(j.rect().adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    const QRectF track = vertical ? QRectF(j.w() / 2 - 2.5, 11, 5, j.h() - 22)
                                  : QRectF(4, j.h() / 2 - 3, j.w() - 8, 6);
    j.p.setPen(QPen(QColor(0x4a, 0x4e, 0x56), 1));
    j.p.setBrush(QColor(0x0e, 0x0f, 0x11));
    j.p.drawRoundedRect(track, 2.5, 2.5);
}

void knob(Job &j)
{
    QRadialGradient g(j.rect().center() - QPointF(1.5, 1.5), j.w() / 2);
    g.setColorAt(0, QColor(0xff, 0xd0, 0x80));
    g.setColorAt(0.6, kAccent);
    g.setColorAt(1, QColor(0xd0, 0x74, 0x00));
    j.p.setPen(QPen(QColor(0x5a, 0x34, 0x00), 1));
    j.p.setBrush(g);
    j.p.drawEllipse(j.rect().adjusted(0.5, 0.5, -0.5, -0.5));
}

void track(Job &j)
{
    j.p.setPen(QPen(QColor(0x3e, 0x42, 0x49), 1));
    j.p.setBrush(QColor(0x12, 0x13, 0x16));
    j.p.drawRoundedRect(j.rect().adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}

void handle(Job &j)
{
    const QColor c = j.colour("color");
    QLinearGradient g(0, 0, 0, j.h());
    g.setColorAt(0, c.lighter(125));
    g.setColorAt(1, c.darker(115));
    j.p.setPen(Qt::NoPen);
    j.p.setBrush(g);
    j.p.drawRoundedRect(j.rect(), j.h() / 2, j.h() / 2);
}

void strip(Job &j)
{
    QLinearGradient g(0, 0, 0, j.h());
    g.setColorAt(0, QColor(0x14, 0x15, 0x18, 190));
    g.setColorAt(1, QColor(0x0c, 0x0d, 0x0f, 235));
    j.p.fillRect(j.rect(), g);
    j.p.fillRect(QRectF(0, 0, j.w(), 1), QColor(255, 255, 255, 48));
}

void popbg(Job &j)
{
    const QRectF r = j.rect().adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(r, 6, 6);
    j.p.setPen(Qt::NoPen);
    j.p.setBrush(QColor(0x25, 0x27, 0x2b));
    j.p.drawPath(shape);
    j.p.save();
    j.p.setClipPath(shape);
    QLinearGradient g(0, 0, 0, 18);
    g.setColorAt(0, QColor(0x3e, 0x42, 0x49));
    g.setColorAt(1, QColor(0x2f, 0x32, 0x37));
    j.p.fillRect(QRectF(0, 0, j.w(), 18), g);
    j.p.fillRect(QRectF(0, 18, j.w(), 1), kEdge);
    j.p.fillRect(QRectF(0, 0, j.w(), 2), kAccent);
    j.p.restore();
    j.p.setPen(QPen(QColor(0x52, 0x57, 0x5f), 1));
    j.p.setBrush(Qt::NoBrush);
    j.p.drawPath(shape);
}

void panel(Job &j)
{
    // The three parts are cut from one rounded column so that they join seamlessly.
    const QString part = j.param("part");
    const qreal columnHeight = 40;
    qreal offset = 0;
    if (part == QLatin1String("mid")) {
        offset = -columnHeight / 2;
    } else if (part == QLatin1String("bot")) {
        offset = j.h() - columnHeight;
    } else if (part != QLatin1String("top")) {
        j.error = QStringLiteral("bad panel part");
        return;
    }
    const QRectF column = QRectF(0, offset, j.w(), columnHeight).adjusted(0.5, 0.5, -0.5, -0.5);
    j.p.setPen(QPen(kEdge, 1));
    j.p.setBrush(QColor(0x2b, 0x2e, 0x33));
    j.p.drawRoundedRect(column, 6, 6);
    j.p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    j.p.setBrush(Qt::NoBrush);
    j.p.drawRoundedRect(column.adjusted(1, 1, -1, -1), 5, 5);
}

// The window as a whole; the nine frame pieces are cut out of it.
QImage windowPicture(QString *error)
{
    const QSize size(1000, 400);
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(outer, 7, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(kWindowFill);
    p.drawPath(shape);
    p.save();
    p.setClipPath(shape);
    QLinearGradient band(0, 0, 0, 25);
    band.setColorAt(0, QColor(0x3a, 0x3d, 0x43));
    band.setColorAt(1, QColor(0x2a, 0x2c, 0x31));
    p.fillRect(QRectF(0, 0, size.width(), 25), band);
    p.fillRect(QRectF(0, 25, size.width(), 1), QColor(0x14, 0x15, 0x18));
    QLinearGradient foot(0, size.height() - 81, 0, size.height());
    foot.setColorAt(0, kWindowFill);
    foot.setColorAt(1, QColor(0x1a, 0x1b, 0x1e));
    p.fillRect(QRectF(0, size.height() - 81, size.width(), 81), foot);
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x3c, 0x40, 0x47), 1));
    p.drawRoundedRect(outer.adjusted(1, 1, -1, -1), 6, 6);
    p.setPen(QPen(kOutline, 1));
    p.drawRoundedRect(outer, 7, 7);
    if (!GlyphPainter::draw(p, QStringLiteral("doccam"), QRectF(12, 3, 19, 19), kAccent)) {
        *error = QStringLiteral("missing logo pictogram");
    }
    return picture;
}

void frame(Job &j)
{
    QString error;
    const QImage window = windowPicture(&error);
    const QString piece = j.param("piece");
    const int ww = window.width(), wh = window.height();
    const int w = int(j.w()), h = int(j.h());
    static const QHash<QString, std::function<QPoint(int, int, int, int)>> origins{
        {"tl", [](int, int, int, int) { return QPoint(0, 0); }},
        {"tm", [](int, int, int, int) { return QPoint(600, 0); }},
        {"tr", [](int ww, int, int w, int) { return QPoint(ww - w, 0); }},
        {"ml", [](int, int wh, int, int) { return QPoint(0, wh / 2); }},
        {"mm", [](int, int wh, int, int) { return QPoint(600, wh / 2); }},
        {"mr", [](int ww, int wh, int w, int) { return QPoint(ww - w, wh / 2); }},
        {"bl", [](int, int wh, int, int h) { return QPoint(0, wh - h); }},
        {"bm", [](int, int wh, int, int h) { return QPoint(600, wh - h); }},
        {"br", [](int ww, int wh, int w, int h) { return QPoint(ww - w, wh - h); }},
    };
    const auto origin = origins.constFind(piece);
    if (origin == origins.constEnd() || !error.isEmpty()) {
        j.error = error.isEmpty() ? QStringLiteral("bad frame piece") : error;
        return;
    }
    j.p.setCompositionMode(QPainter::CompositionMode_Source);
    j.p.drawImage(0, 0, window.copy(QRect((*origin)(ww, wh, w, h), QSize(w, h))));
}

void notice(Job &j)
{
    osdPlate(j);
    j.glyph(j.param("glyph"), QRectF(7, j.h() / 2 - 12, 24, 24), kInkOver);
    j.p.setPen(QPen(QColor(255, 255, 255, 50), 1));
    j.p.drawLine(QPointF(38.5, 9), QPointF(38.5, j.h() - 9));
}

void osd(Job &j)
{
    osdPlate(j);
    j.glyph(j.param("glyph"), centred(j.rect(), 26), kInkOver);
}

void clock(Job &j)
{
    osdPlate(j);
    QRadialGradient dot(QPointF(17, 19), 6);
    dot.setColorAt(0, QColor(0xff, 0x9a, 0x8a));
    dot.setColorAt(1, QColor(0xff, 0x2d, 0x1f));
    j.p.setPen(Qt::NoPen);
    j.p.setBrush(dot);
    j.p.drawEllipse(QPointF(18, j.h() / 2), 5.5, 5.5);
}

void brightness(Job &j)
{
    osdPlate(j);
    j.glyph(QStringLiteral("sun_down"), QRectF(9, 9, 22, 22), kInkOver);
    j.glyph(QStringLiteral("sun_up"), QRectF(j.w() - 31, 9, 22, 22), kInkOver);
    j.p.setPen(QPen(QColor(255, 255, 255, 90), 2, Qt::SolidLine, Qt::RoundCap));
    j.p.drawLine(QPointF(44, 20), QPointF(212, 20));
    // Tick under each of the eleven marker positions (levels 0-4, centre, 6-10).
    j.p.setPen(QPen(QColor(255, 255, 255, 120), 1));
    for (int m = 0; m <= 10; ++m) {
        const qreal x = m < 5 ? 52 + 15 * m : m == 5 ? 128 : 53 + 15 * m;
        j.p.drawLine(QPointF(x + 0.5, 30), QPointF(x + 0.5, m == 5 ? 35 : 33));
    }
}

void marker(Job &j)
{
    j.p.setPen(QPen(QColor(0, 0, 0, 150), 1));
    j.p.setBrush(j.colour("color"));
    j.p.drawRoundedRect(j.rect().adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
}

const QHash<QString, std::function<void(Job &)>> &recipes()
{
    static const QHash<QString, std::function<void(Job &)>> table{
        {"tool", tool},         {"bar", bar},
        {"caption", caption},   {"tab", tab},
        {"title", title},       {"side", side},
        {"scene", scene},       {"recdot", recdot},
        {"popclose", popclose}, {"popup", popup},
        {"width", width},       {"swatch", swatch},
        {"canvas", canvas},     {"ctlbar", ctlbar},
        {"groove", groove},     {"knob", knob},
        {"track", track},       {"handle", handle},
        {"strip", strip},       {"popbg", popbg},
        {"panel", panel},       {"frame", frame},
        {"notice", notice},     {"osd", osd},
        {"clock", clock},       {"brightness", brightness},
        {"marker", marker},
    };
    return table;
}

} // namespace

QImage SkinPainter::render(const SkinEntry &entry, QString *error)
{
    const auto recipe = recipes().constFind(entry.recipe);
    if (recipe == recipes().constEnd()) {
        *error = QStringLiteral("unknown recipe '%1'").arg(entry.recipe);
        return {};
    }
    QImage image(entry.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    State state = State::Normal;
    if (entry.state == QLatin1String("Over")) {
        state = State::Over;
    } else if (entry.state == QLatin1String("Click")) {
        state = State::Click;
    }
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        Job job{entry, painter, image, state, {}};
        (*recipe)(job);
        if (!job.error.isEmpty()) {
            *error = job.error;
            return {};
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}
