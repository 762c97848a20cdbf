#include "OSDProcessor.h"

#include "ColorEffects.h"
#include "IBrightnessSource.h"
#include "ImageCanvas.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace {

const QString osdFolder = QStringLiteral(":/icons/OSD/");

// Width of the symbol at the left of a notice bitmap; the text is centred right of it.
constexpr int kNoticeSymbolWidth = 38;

QFont noticeFont()
{
    return QFont(QStringLiteral("Arial"), 11);
}

QFont clockFont()
{
    return QFont(QStringLiteral("Arial"), 15, QFont::Bold);
}

} // namespace

OSDProcessor::OSDProcessor(QObject *parent, ImageCanvas *canvas) : QObject(parent), m_canvas(canvas)
{
    m_monotonic.start();
}

OSDProcessor::~OSDProcessor() = default;

void OSDProcessor::setBrightnessSource(const IBrightnessSource *source)
{
    m_brightnessSource = source;
}

void OSDProcessor::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void OSDProcessor::showZoomIn()
{
    m_zoomStart = now();
    m_zoomIcon = icon(QStringLiteral("OSD_ZOOM_IN"));
    m_zoomText = m_canvas != nullptr ? zoomLabel(m_canvas->zoom()) : QString();
}

void OSDProcessor::showZoomOut()
{
    m_zoomStart = now();
    m_zoomIcon = icon(QStringLiteral("OSD_ZOOM_OUT"));
    m_zoomText = m_canvas != nullptr ? zoomLabel(m_canvas->zoom()) : QString();
}

void OSDProcessor::showRotate()
{
    m_rotateStart = now();
    m_rotateIcon = icon(QStringLiteral("OSD_ROTATE"));
    m_rotateText = QStringLiteral("%1").arg(m_canvas != nullptr ? m_canvas->rotation() * 90 : 0);
}

void OSDProcessor::showBrightness()
{
    m_brightnessStart = now();
    m_brightnessBackground = icon(QStringLiteral("OSD_BRIGHTNESS_BK"));
    m_brightnessMarker = icon(QStringLiteral("OSD_BRIGHTNESS_BAR"));
    m_brightnessCentreMarker = icon(QStringLiteral("OSD_BRIGHTNESS_BAR_CENTER"));
}

void OSDProcessor::showAutoFocus()
{
    m_autoFocusStart = now();
    m_autoFocusIcon = icon(QStringLiteral("OSD_AUTOFOCUS"));
}

void OSDProcessor::showFreeze()
{
    m_freezeIcon = icon(QStringLiteral("OSD_FREEZE"));
}

void OSDProcessor::showEffectIndicator()
{
    m_effectStart = now();
    const int effect = m_canvas != nullptr ? m_canvas->effect() : ColorEffects::EffectColor;
    m_effectIcon = icon(QStringLiteral("OSD_COLOR_") + ColorEffects::effectKey(effect));
    const char *label = ColorEffects::effectLabel(effect);
    m_effectText =
        label != nullptr ? QCoreApplication::translate("ColorEffects", label) : QString();
}

void OSDProcessor::showMaskIndicator()
{
    m_maskStart = now();
    const int mask = m_canvas != nullptr ? m_canvas->mask() : ColorEffects::MaskNone;
    m_maskIcon = icon(QStringLiteral("OSD_MASK_") + ColorEffects::maskKey(mask));
}

void OSDProcessor::startRecordingClock(Caption caption)
{
    m_clockStart = now();
    m_clockCaption = std::move(caption);
    m_clockIcon = icon(QStringLiteral("OSD_TIME"));
}

void OSDProcessor::stopRecordingClock()
{
    m_clockStart.reset();
    m_clockCaption = {};
}

void OSDProcessor::showSnapshot()
{
    m_snapshotStart = now();
    m_snapshotIcon = icon(QStringLiteral("OSD_SNAPSHOT"));
}

void OSDProcessor::showNotice(const QString &text)
{
    QMutexLocker locker(&m_noticeLock);
    m_noticeText = text;
    m_noticeStart = now();
}

QString OSDProcessor::noticeText() const
{
    QMutexLocker locker(&m_noticeLock);
    if (!m_noticeStart) {
        return {};
    }
    const qint64 elapsed = now() - *m_noticeStart;
    return elapsed >= 0 && elapsed < kNoticeMs ? m_noticeText : QString();
}

void OSDProcessor::paint(QPainter &painter)
{
    if (m_canvas == nullptr) {
        return;
    }
    const int w = m_canvas->width();
    const int h = m_canvas->height();
    painter.save();

    if (isShowing(m_maskStart)) {
        painter.drawImage(QPoint(30, h - 50), m_maskIcon);
    }
    if (isShowing(m_effectStart)) {
        drawNotice(painter, 75, h - 50, m_effectIcon, m_effectText);
    }
    if (isShowing(m_brightnessStart)) {
        drawBrightness(painter, w, h);
    }
    if (isShowing(m_zoomStart)) {
        drawNotice(painter, w - 100, h - 50, m_zoomIcon, m_zoomText);
    }
    if (isShowing(m_rotateStart)) {
        drawNotice(painter, w - 100, h - 100, m_rotateIcon, m_rotateText);
    }
    if (isShowing(m_autoFocusStart)) {
        painter.drawImage(QPoint(w - 145, h - 50), m_autoFocusIcon);
    }
    if (m_canvas->isFrozen()) {
        painter.drawImage(QPoint(w - 190, h - 50), m_freezeIcon);
    }
    if (m_clockStart) {
        drawRecordingClock(painter, w, h);
    }
    if (isShowing(m_snapshotStart)) {
        painter.drawImage(QPoint(10, 10), m_snapshotIcon);
    }
    drawClipOutline(painter);
    drawTextNotice(painter, w);

    painter.restore();
}

QString OSDProcessor::zoomLabel(double zoom)
{
    const int step = static_cast<int>(zoom);
    if (step <= 0) {
        return tr("Best fit");
    }
    // Steps beyond the canvas's largest would overflow the shift; they never occur.
    const int power = std::min(step - 1, 30);
    return tr("%1x").arg(1 << power);
}

QString OSDProcessor::clockLabel(qint64 elapsedMs)
{
    const qint64 seconds = std::max<qint64>(0, elapsedMs) / 1000;
    const QChar zero(u'0');
    return QStringLiteral("%1:")
        .arg(seconds / 3600, 2, 10, zero)
        .append(QStringLiteral("%2:").arg(seconds / 60 % 60, 2, 10, zero))
        .append(QStringLiteral("%3").arg(seconds % 60, 2, 10, zero));
}

QString OSDProcessor::recordingCaptionText() const
{
    return m_clockStart && m_clockCaption ? m_clockCaption() : QString();
}

QString OSDProcessor::recordingClockText() const
{
    return m_clockStart ? clockLabel(now() - *m_clockStart) : QString();
}

int OSDProcessor::brightnessLevel() const
{
    const IBrightnessSource *source = findBrightnessSource();
    if (source == nullptr) {
        return kCentreBrightness;
    }
    return std::clamp(source->brightnessLevel(), 0, kMaxBrightness);
}

QImage OSDProcessor::icon(const QString &name)
{
    // A name without a resource (the "COLOR" effect, no mask) gives an empty image, which
    // draws nothing.
    return QImage(osdFolder + name + QStringLiteral(".png"));
}

qint64 OSDProcessor::now() const
{
    return m_clock ? m_clock() : m_monotonic.elapsed();
}

bool OSDProcessor::isShowing(Start start) const
{
    if (!start) {
        return false;
    }
    const qint64 elapsed = now() - *start;
    return elapsed >= 0 && elapsed < kIndicatorMs;
}

const IBrightnessSource *OSDProcessor::findBrightnessSource() const
{
    if (m_brightnessSource != nullptr) {
        return m_brightnessSource;
    }
    QObject *owner = parent();
    if (owner == nullptr) {
        return nullptr;
    }
    if (const auto *source = dynamic_cast<const IBrightnessSource *>(owner)) {
        return source;
    }
    for (const QObject *child : owner->children()) {
        if (const auto *source = dynamic_cast<const IBrightnessSource *>(child)) {
            return source;
        }
    }
    return nullptr;
}

QRectF OSDProcessor::clipInWidget(const QRect &clip) const
{
    const QSize display = m_canvas->displaySize();
    if (display.width() <= 0 || display.height() <= 0) {
        return {};
    }
    const int w = m_canvas->width();
    const int h = m_canvas->height();
    const double s = std::min(double(h) / display.height(), double(w) / display.width());
    const int offX = (w - static_cast<int>(display.width() * s)) / 2;
    const int offY = (h - static_cast<int>(display.height() * s)) / 2;
    return QRectF(offX + s * clip.left(), offY + s * clip.top(), s * clip.width(),
                  s * clip.height());
}

void OSDProcessor::drawNotice(QPainter &painter, int x, int y, const QImage &image,
                              const QString &text) const
{
    painter.drawImage(QPoint(x, y), image);
    painter.setFont(noticeFont());
    painter.setPen(Qt::white);
    const QFontMetrics metrics = painter.fontMetrics();
    const int baseline = y + (metrics.height() + image.height()) / 2;
    const int left = x +
                     (image.width() - metrics.horizontalAdvance(text) - kNoticeSymbolWidth) / 2 +
                     kNoticeSymbolWidth;
    painter.drawText(QPoint(left, baseline), text);
}

void OSDProcessor::drawBrightness(QPainter &painter, int w, int h) const
{
    const int x0 = (w - m_brightnessBackground.width()) / 2;
    painter.drawImage(QPoint(x0, h - 50), m_brightnessBackground);
    const int level = brightnessLevel();
    if (level < kCentreBrightness) {
        painter.drawImage(QPoint(x0 + 15 * level + 48, h - 37), m_brightnessMarker);
    } else if (level == kCentreBrightness) {
        painter.drawImage(QPoint(x0 + 123, h - 40), m_brightnessCentreMarker);
    } else {
        painter.drawImage(QPoint(x0 + 15 * level + 49, h - 37), m_brightnessMarker);
    }
}

void OSDProcessor::drawRecordingClock(QPainter &painter, int w, int h) const
{
    const int x1 = (w - m_clockIcon.width()) / 2;
    painter.drawImage(QPoint(x1, h - 100), m_clockIcon);
    painter.setFont(clockFont());
    painter.setPen(Qt::red);
    const QFontMetrics metrics = painter.fontMetrics();
    const QString text = recordingClockText();
    const int left = (m_clockIcon.width() - metrics.horizontalAdvance(text)) / 2 + x1;
    const int baseline = (metrics.height() + m_clockIcon.height()) / 2 + h - 103;
    painter.drawText(QPoint(left, baseline), text);
    const QString caption = recordingCaptionText();
    if (!caption.isEmpty()) {
        // On a dark band, so that it reads on white paper too.
        painter.setFont(noticeFont());
        const QFontMetrics small = painter.fontMetrics();
        const QPoint at((w - small.horizontalAdvance(caption)) / 2, h - 106);
        painter.fillRect(QRect(at.x() - 6, at.y() - small.ascent() - 3,
                               small.horizontalAdvance(caption) + 12, small.height() + 6),
                         QColor(0, 0, 0, 160));
        painter.setPen(Qt::white);
        painter.drawText(at, caption);
    }
}

void OSDProcessor::drawClipOutline(QPainter &painter)
{
    // While a selection is dragged the timer restarts with every paint; after the copy the
    // outline blinks (100 ms on, 100 ms off) until 899 ms have passed.
    const QRect clip = m_canvas->clipRect();
    if (!clip.isEmpty()) {
        m_clipOutline = clipInWidget(clip);
        m_clipStart = now();
    }
    if (!m_clipStart) {
        return;
    }
    const qint64 elapsed = now() - *m_clipStart;
    if (elapsed < 0 || elapsed > kClipBlinkMs || (elapsed / kClipBlinkPhaseMs) % 2 != 0) {
        return;
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_clipOutline);
}

void OSDProcessor::drawTextNotice(QPainter &painter, int w) const
{
    const QString text = noticeText();
    if (text.isEmpty()) {
        return;
    }
    painter.setFont(noticeFont());
    const QFontMetrics metrics = painter.fontMetrics();
    constexpr int kPadding = 8;
    const int available = std::max(0, w - 4 * kPadding);
    const QString shown = metrics.elidedText(text, Qt::ElideRight, available);
    // One pixel of slack: the advance is rounded, and a box exactly that wide elides the text.
    const int textWidth = std::min(metrics.horizontalAdvance(shown) + 1, available);
    const QRect box((w - textWidth) / 2 - kPadding, 10, textWidth + 2 * kPadding,
                    metrics.height() + kPadding);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 170));
    painter.drawRoundedRect(box, 4, 4);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, shown);
}
