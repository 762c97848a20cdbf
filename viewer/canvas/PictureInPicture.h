#pragma once

#include "IOutputCompositor.h"

#include <QImage>
#include <QMutex>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

// A second camera's picture in a rectangle over the composed picture (picture-in-picture), so
// that it is in what is painted, saved, recorded and published. The rectangle is kept in
// fractions of the picture, so it stays in place when the frame size changes; it can be moved
// and resized and never leaves the picture. While the camera is unplugged (or before its first
// frame) the rectangle shows that state with the camera's name; the main picture goes on.
//
// Threads: setFrame() from the second camera's streaming thread; composeOutput() on the
// canvas's composing thread; the rest on the GUI thread. One lock guards it all.
class PictureInPicture final : public IOutputCompositor {
public:
    static constexpr double kMinSize = 0.15;
    static constexpr double kMaxSize = 0.6;
    static constexpr double kDefaultSize = 0.3;
    static constexpr double kMargin = 0.02;

    PictureInPicture();

    void setVisible(bool visible);
    bool isVisible() const;
    void setCameraName(const QString &name);
    // The newest frame (RGB888); a null frame keeps the last one.
    void setFrame(const QImage &frame);
    // Unplugged: the rectangle shows the unplugged state until frames come again.
    void setUnplugged(bool unplugged);
    bool isUnplugged() const;

    // Rectangle in fractions of the picture, kept inside it and within the size limits.
    QRectF rect() const;
    void setRect(const QRectF &rect);
    // Moves by fractions of the picture; resizes by a factor around the centre.
    void moveBy(double dx, double dy);
    void resize(double factor);
    // Into the next corner, clockwise from the top left.
    void nextCorner();
    // The rectangle in pixels of a picture of that size.
    QRect pixelRect(const QSize &frame) const;

    void composeOutput(QImage &picture) override;

private:
    static QRectF bounded(const QRectF &rect);
    QRect pixelRectLocked(const QSize &frame) const;
    const QImage &statePicture(const QSize &size);

    mutable QMutex m_lock;
    bool m_visible = false;
    bool m_unplugged = true;
    QString m_name;
    QImage m_frame;
    QImage m_state;
    QRectF m_rect;
    int m_corner = 1;
};
