#include "IBrightnessSource.h"
#include "ImageCanvas.h"
#include "OSDProcessor.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int kCanvasWidth = 640;
constexpr int kCanvasHeight = 480;
const QRgb pictureColour = qRgb(0, 90, 0);

QImage osdIcon(const QString &name)
{
    return QImage(QStringLiteral(":/icons/OSD/%1.png").arg(name));
}

class FakeBrightness : public QObject, public IBrightnessSource {
public:
    explicit FakeBrightness(int level, QObject *parent = nullptr) : QObject(parent), level(level) {}
    int brightnessLevel() const override { return level; }
    int level;
};

// A 640 x 480 canvas showing a uniform picture at scale 1, with its display painter and a
// clock the test moves by hand.
struct Station {
    QObject owner;
    ImageCanvas canvas;
    OSDProcessor *osd;
    qint64 nowMs = 0;

    explicit Station(QSize size = QSize(kCanvasWidth, kCanvasHeight))
        : osd(new OSDProcessor(&owner, &canvas))
    {
        osd->setClock([this] { return nowMs; });
        canvas.setOSDProcessor(osd);
        canvas.resize(size);
        QImage picture(kCanvasWidth, kCanvasHeight, QImage::Format_RGB888);
        picture.fill(pictureColour);
        canvas.setImage(picture);
    }

    QImage shot() { return canvas.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// True when every pixel of rect shows the picture.
bool clean(const QImage &shot, const QRect &rect)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if ((shot.pixel(x, y) & 0xffffff) != (pictureColour & 0xffffff)) {
                return false;
            }
        }
    }
    return true;
}

// True when (nearly) every opaque pixel of icon appears in shot with its top-left at `at`;
// a few may be covered by the text of a notice.
bool drawnAt(const QImage &shot, const QImage &icon, QPoint at)
{
    int opaque = 0;
    int matching = 0;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const QRgb p = icon.pixel(x, y);
            if (qAlpha(p) != 255) {
                continue;
            }
            ++opaque;
            if ((shot.pixel(at + QPoint(x, y)) & 0xffffff) == (p & 0xffffff)) {
                ++matching;
            }
        }
    }
    return opaque > 0 && matching * 10 >= opaque * 9;
}

bool hasColour(const QImage &shot, const QRect &rect, auto predicate)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (predicate(QColor(shot.pixel(x, y)))) {
                return true;
            }
        }
    }
    return false;
}

bool isWhite(const QColor &c)
{
    return c.red() > 200 && c.green() > 200 && c.blue() > 200;
}

bool isRed(const QColor &c)
{
    return c.red() > 150 && c.green() < 80 && c.blue() < 80;
}

void sendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

class TestOSD : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void labels();
    void zoomLabelFollowsTheCanvas();
    void rotationLabelFollowsTheCanvas();
    void timedIndicatorsPaintedForOneSecond();
    void lastingIndicators();
    void effectAndMaskIndicatorsWithoutIcon();
    void brightnessMarker();
    void brightnessSourceFoundOnTheOwner();
    void clipOutlineBlinksAfterTheCopy();
    void snapshotMarkAfterTheCanvasWritesAFile();
};

void TestOSD::initTestCase()
{
    // The display draws the skin's bitmaps; without them every pixel check is void.
    for (const char *name :
         {"OSD_ZOOM_IN", "OSD_ROTATE", "OSD_COLOR_BW", "OSD_MASK_CIRCLE", "OSD_AUTOFOCUS",
          "OSD_FREEZE", "OSD_TIME", "OSD_SNAPSHOT", "OSD_BRIGHTNESS_BK", "OSD_BRIGHTNESS_BAR",
          "OSD_BRIGHTNESS_BAR_CENTER"}) {
        QVERIFY2(!osdIcon(QString::fromLatin1(name)).isNull(), name);
    }
    QVERIFY(osdIcon(QStringLiteral("OSD_COLOR_COLOR")).isNull());
    QVERIFY(osdIcon(QStringLiteral("OSD_MASK_")).isNull());
}

void TestOSD::labels()
{
    QCOMPARE(OSDProcessor::zoomLabel(0.75), QStringLiteral("Best fit"));
    QCOMPARE(OSDProcessor::zoomLabel(1.0), QStringLiteral("1x"));
    QCOMPARE(OSDProcessor::zoomLabel(2.0), QStringLiteral("2x"));
    QCOMPARE(OSDProcessor::zoomLabel(3.0), QStringLiteral("4x"));
    QCOMPARE(OSDProcessor::zoomLabel(6.0), QStringLiteral("32x"));

    QCOMPARE(OSDProcessor::clockLabel(0), QStringLiteral("00:00:00"));
    QCOMPARE(OSDProcessor::clockLabel(65'999), QStringLiteral("00:01:05"));
    QCOMPARE(OSDProcessor::clockLabel(3'600'000), QStringLiteral("01:00:00"));
    QCOMPARE(OSDProcessor::clockLabel(3'600'000LL * 100), QStringLiteral("100:00:00"));
    QCOMPARE(OSDProcessor::clockLabel(3'600'000LL * 99 + 59 * 60'000 + 59'000),
             QStringLiteral("99:59:59"));

    // The recording clock reads the injected time.
    Station station;
    QCOMPARE(station.osd->recordingClockText(), QString());
    station.nowMs = 5000;
    station.osd->startRecordingClock();
    QVERIFY(station.osd->isRecordingClockRunning());
    station.nowMs += 3'600'000;
    QCOMPARE(station.osd->recordingClockText(), QStringLiteral("01:00:00"));
    station.osd->stopRecordingClock();
    QVERIFY(!station.osd->isRecordingClockRunning());
    QCOMPARE(station.osd->recordingClockText(), QString());
}

void TestOSD::zoomLabelFollowsTheCanvas()
{
    Station station;
    station.canvas.zoomIn();
    station.osd->showZoomIn();
    QCOMPARE(station.osd->zoomText(), QStringLiteral("2x"));
    for (int i = 0; i < 6; ++i) {
        station.canvas.zoomIn();
    }
    station.osd->showZoomIn();
    QCOMPARE(station.osd->zoomText(), QStringLiteral("32x"));

    // A quarter turn of a 640 x 480 picture: zooming out ends in the best fit.
    station.canvas.rotate();
    for (int i = 0; i < 6; ++i) {
        station.canvas.zoomOut();
    }
    station.osd->showZoomOut();
    QCOMPARE(station.osd->zoomText(), QStringLiteral("Best fit"));

    station.canvas.zoomIn();
    station.canvas.zoomReset();
    station.osd->showZoomIn();
    QCOMPARE(station.osd->zoomText(), QStringLiteral("Best fit"));
}

void TestOSD::rotationLabelFollowsTheCanvas()
{
    Station station;
    QStringList shown;
    for (int i = 0; i < 4; ++i) {
        station.canvas.rotate();
        station.osd->showRotate();
        shown << station.osd->rotateText();
    }
    QCOMPARE(shown, (QStringList{"90", "180", "270", "0"}));
}

void TestOSD::timedIndicatorsPaintedForOneSecond()
{
    Station station;
    const int w = kCanvasWidth;
    const int h = kCanvasHeight;
    const int brightnessX = (w - osdIcon(QStringLiteral("OSD_BRIGHTNESS_BK")).width()) / 2;
    struct Indicator {
        const char *name;
        QPoint at;
        QImage icon;
    };
    const QList<Indicator> indicators{
        {"mask", {30, h - 50}, osdIcon(QStringLiteral("OSD_MASK_CIRCLE"))},
        {"effect", {75, h - 50}, osdIcon(QStringLiteral("OSD_COLOR_BW"))},
        {"brightness", {brightnessX, h - 50}, osdIcon(QStringLiteral("OSD_BRIGHTNESS_BK"))},
        {"zoom", {w - 100, h - 50}, osdIcon(QStringLiteral("OSD_ZOOM_IN"))},
        {"rotate", {w - 100, h - 100}, osdIcon(QStringLiteral("OSD_ROTATE"))},
        {"auto focus", {w - 145, h - 50}, osdIcon(QStringLiteral("OSD_AUTOFOCUS"))},
        {"snapshot", {10, 10}, osdIcon(QStringLiteral("OSD_SNAPSHOT"))},
    };
    QImage shot = station.shot();
    for (const Indicator &i : indicators) {
        QVERIFY2(clean(shot, QRect(i.at, i.icon.size())), i.name);
    }

    station.nowMs = 10'000;
    station.canvas.setEffect(1);
    station.canvas.setMask(1);
    station.osd->showMaskIndicator();
    station.osd->showEffectIndicator();
    // Back to a plain picture before any frame could render them.
    station.canvas.setEffect(0);
    station.canvas.setMask(0);
    station.osd->showBrightness();
    station.osd->showZoomIn();
    station.osd->showRotate();
    station.osd->showAutoFocus();
    station.osd->showSnapshot();

    station.nowMs += 999;
    shot = station.shot();
    for (const Indicator &i : indicators) {
        QVERIFY2(drawnAt(shot, i.icon, i.at), i.name);
    }
    // The notices carry their white text inside their bitmaps.
    QVERIFY(hasColour(shot, QRect(w - 100, h - 50, 92, 40), isWhite));
    // Painted over the picture only: the composed picture holds none of it.
    const QImage composed = station.canvas.currentImage();
    QCOMPARE(composed.pixel(w - 60, h - 30), pictureColour);
    QCOMPARE(composed.pixel(20, 20), pictureColour);

    station.nowMs += 1;
    shot = station.shot();
    for (const Indicator &i : indicators) {
        QVERIFY2(clean(shot, QRect(i.at, i.icon.size())), i.name);
    }

    // Triggering again restarts the second.
    station.osd->showZoomOut();
    station.nowMs += 500;
    QVERIFY(drawnAt(station.shot(), osdIcon(QStringLiteral("OSD_ZOOM_OUT")), {w - 100, h - 50}));
}

void TestOSD::lastingIndicators()
{
    Station station;
    const int w = kCanvasWidth;
    const int h = kCanvasHeight;
    const QImage freeze = osdIcon(QStringLiteral("OSD_FREEZE"));
    const QImage clock = osdIcon(QStringLiteral("OSD_TIME"));
    const QPoint freezeAt(w - 190, h - 50);
    const QPoint clockAt((w - clock.width()) / 2, h - 100);

    station.canvas.setFrozen(true);
    station.osd->showFreeze();
    station.osd->startRecordingClock();
    station.nowMs += 3 * 3'600'000;
    QImage shot = station.shot();
    QVERIFY(drawnAt(shot, freeze, freezeAt));
    QVERIFY(drawnAt(shot, clock, clockAt));
    QVERIFY(hasColour(shot, QRect(clockAt, clock.size()), isRed));

    station.canvas.setFrozen(false);
    station.osd->stopRecordingClock();
    shot = station.shot();
    QVERIFY(clean(shot, QRect(freezeAt, freeze.size())));
    QVERIFY(clean(shot, QRect(clockAt, clock.size()).adjusted(0, -10, 0, 10)));
}

void TestOSD::effectAndMaskIndicatorsWithoutIcon()
{
    Station station;
    const int h = kCanvasHeight;
    station.canvas.setEffect(0);
    station.canvas.setMask(0);
    station.osd->showEffectIndicator();
    station.osd->showMaskIndicator();
    QCOMPARE(station.osd->effectText(), QStringLiteral("Color"));

    const QImage shot = station.shot();
    // Only the text "Color", centred on x = 75 + 19 (no bitmap to centre in).
    QVERIFY(hasColour(shot, QRect(75, h - 70, 40, 40), isWhite));
    QVERIFY(clean(shot, QRect(75, h - 30, 110, 20)));
    QVERIFY(clean(shot, QRect(115, h - 70, 70, 60)));
    // No mask: nothing where the mask bitmap would be.
    QVERIFY(clean(shot, QRect(30, h - 50, 40, 40)));

    station.canvas.setEffect(2);
    station.osd->showEffectIndicator();
    QCOMPARE(station.osd->effectText(), QStringLiteral("Negative"));
    QVERIFY(drawnAt(station.shot(), osdIcon(QStringLiteral("OSD_COLOR_NEGATIVE")), {75, h - 50}));
    station.canvas.setEffect(3);
    station.osd->showEffectIndicator();
    QCOMPARE(station.osd->effectText(), QStringLiteral("Mosaic"));
}

void TestOSD::brightnessMarker()
{
    Station station;
    const int h = kCanvasHeight;
    const QImage background = osdIcon(QStringLiteral("OSD_BRIGHTNESS_BK"));
    const QImage marker = osdIcon(QStringLiteral("OSD_BRIGHTNESS_BAR"));
    const QImage centre = osdIcon(QStringLiteral("OSD_BRIGHTNESS_BAR_CENTER"));
    const int x0 = (kCanvasWidth - background.width()) / 2;

    // No live source (camera absent): the centre marker.
    station.osd->showBrightness();
    QCOMPARE(station.osd->brightnessLevel(), 5);
    QImage shot = station.shot();
    QVERIFY(drawnAt(shot, background, {x0, h - 50}));
    QVERIFY(drawnAt(shot, centre, {x0 + 123, h - 40}));

    FakeBrightness source(0);
    station.osd->setBrightnessSource(&source);
    const QList<QPair<int, int>> levels{{0, x0 + 48},      {4, x0 + 60 + 48},
                                        {6, x0 + 90 + 49}, {10, x0 + 150 + 49},
                                        {-3, x0 + 48},     {12, x0 + 150 + 49}};
    for (const auto &[level, x] : levels) {
        source.level = level;
        shot = station.shot();
        QVERIFY2(drawnAt(shot, marker, {x, h - 37}), qPrintable(QString::number(level)));
        QVERIFY(!drawnAt(shot, centre, {x0 + 123, h - 40}));
    }
    source.level = 5;
    QVERIFY(drawnAt(station.shot(), centre, {x0 + 123, h - 40}));
    station.osd->setBrightnessSource(nullptr);
}

void TestOSD::brightnessSourceFoundOnTheOwner()
{
    // The owner itself reports the level...
    FakeBrightness owner(2);
    ImageCanvas canvas;
    OSDProcessor osd(&owner, &canvas);
    QCOMPARE(osd.brightnessLevel(), 2);

    // ...or one of its children does (the live source beside the display painters).
    Station station;
    QCOMPARE(station.osd->brightnessLevel(), 5);
    new FakeBrightness(8, &station.owner);
    QCOMPARE(station.osd->brightnessLevel(), 8);
}

void TestOSD::clipOutlineBlinksAfterTheCopy()
{
    // Half-size widget: the picture is painted at scale 0.5.
    Station station(QSize(320, 240));
    station.canvas.setTool(ImageCanvas::ToolClip);
    sendMouse(&station.canvas, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton);
    sendMouse(&station.canvas, QEvent::MouseMove, {100, 75}, Qt::LeftButton);
    const QRect clip = station.canvas.clipRect();
    QVERIFY(!clip.isEmpty());

    const auto outlined = [](const QImage &shot, const QRectF &r) {
        const int y = static_cast<int>(r.center().y());
        return hasColour(shot, QRect(static_cast<int>(r.left()) - 1, y, 3, 1),
                         [](const QColor &c) { return c == Qt::black; });
    };

    // While dragging, every paint shows the outline.
    station.nowMs = 1000;
    const QImage dragged = station.shot();
    const QRectF outline = station.osd->clipOutline();
    QVERIFY(outlined(dragged, outline));
    QCOMPARE(outline,
             QRectF(0.5 * clip.left(), 0.5 * clip.top(), 0.5 * clip.width(), 0.5 * clip.height()));
    station.nowMs += 5000;
    QVERIFY(outlined(station.shot(), outline));

    sendMouse(&station.canvas, QEvent::MouseButtonRelease, {100, 75}, Qt::NoButton);
    QVERIFY(station.canvas.clipRect().isEmpty());

    // After the copy: on for 100 ms, off for 100 ms, gone after 899 ms.
    const qint64 copiedAt = station.nowMs;
    const QList<QPair<qint64, bool>> blinks{{50, true},   {99, true},   {100, false},
                                            {199, false}, {200, true},  {850, true},
                                            {899, true},  {900, false}, {2000, false}};
    for (const auto &[after, shown] : blinks) {
        station.nowMs = copiedAt + after;
        QVERIFY2(outlined(station.shot(), outline) == shown, qPrintable(QString::number(after)));
    }
}

void TestOSD::snapshotMarkAfterTheCanvasWritesAFile()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    Station station;
    const QImage mark = osdIcon(QStringLiteral("OSD_SNAPSHOT"));
    QVERIFY(clean(station.shot(), QRect(QPoint(10, 10), mark.size())));

    station.canvas.setSnapshotFolder(folder.path());
    station.canvas.setSnapshotContinuous(false);
    station.canvas.startSnapshot();
    QImage picture(kCanvasWidth, kCanvasHeight, QImage::Format_RGB888);
    picture.fill(pictureColour);
    station.canvas.setImage(picture);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 1);

    QVERIFY(drawnAt(station.shot(), mark, {10, 10}));
    // The file holds the picture without the mark.
    const QString file = QDir(folder.path()).entryList(QDir::Files).first();
    const QImage written(QDir(folder.path()).filePath(file));
    QVERIFY(qAbs(qGreen(written.pixel(30, 30)) - 90) < 8);
    QVERIFY(qRed(written.pixel(30, 30)) < 8);
}

QTEST_MAIN(TestOSD)
#include "test_osd.moc"
