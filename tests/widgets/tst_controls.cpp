// Skinned controls: image button faces, captions and the long press; the painted horizontal
// slider's mapping at its ends; the restyled slider; the image widget.
#include "HorizontalSlider.h"
#include "ImageButton.h"
#include "ImageWidget.h"
#include "Slider.h"

#include <QEnterEvent>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

QImage face(const char *state, const char *name)
{
    return QImage(
               QStringLiteral(":/icons/%1/%2.png").arg(QLatin1String(state), QLatin1String(name)))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// What the button paints, on a transparent ground.
QImage rendered(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

void hoverOn(QWidget *widget)
{
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(widget, &enter);
}

void hoverOff(QWidget *widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}

void mouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QTimer *holdTimer(ImageButton *button)
{
    return button->findChild<QTimer *>(QStringLiteral("holdTimer"));
}

// Columns in which any pixel differs between two images of the same size.
QList<int> changedColumns(const QImage &a, const QImage &b)
{
    QList<int> columns;
    for (int x = 0; x < a.width(); ++x) {
        for (int y = 0; y < a.height(); ++y) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                columns.append(x);
                break;
            }
        }
    }
    return columns;
}

template <typename Test> bool anyPixel(const QImage &image, const QList<int> &columns, Test test)
{
    for (int x : columns) {
        for (int y = 0; y < image.height(); ++y) {
            if (test(image.pixel(x, y))) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT

private slots:
    // Normal, Over and Click faces by state: checked and down win over hover.
    void buttonFaces()
    {
        QWidget parent;
        ImageButton button(QStringLiteral("TEST_THREE_FACES"), &parent, 7, 9);
        QCOMPARE(button.pos(), QPoint(7, 9));
        QCOMPARE(button.size(), QSize(30, 20));
        QCOMPARE(button.minimumSize(), button.maximumSize());
        QVERIFY(button.isFlat());
        const QImage normal = face("Normal", "TEST_THREE_FACES");
        const QImage over = face("Over", "TEST_THREE_FACES");
        const QImage click = face("Click", "TEST_THREE_FACES");
        QCOMPARE(rendered(&button), normal);
        hoverOn(&button);
        QCOMPARE(rendered(&button), over);
        QCOMPARE(button.cursor().shape(), Qt::ArrowCursor);
        button.setDown(true);
        QCOMPARE(rendered(&button), click);
        button.setDown(false);
        button.setCheckable(true);
        button.setChecked(true);
        QCOMPARE(rendered(&button), click);
        hoverOff(&button);
        QCOMPARE(rendered(&button), click);
        button.setChecked(false);
        QCOMPARE(rendered(&button), normal);
    }

    // Missing faces: Over and Click fall back to Normal; no Normal face gives an empty button.
    void buttonFallbacks()
    {
        ImageButton only(QStringLiteral("TEST_NORMAL_ONLY"), QStringLiteral("tip"), 3, 4);
        QVERIFY(only.parent() == nullptr);
        QCOMPARE(only.toolTip(), QStringLiteral("tip"));
        QCOMPARE(only.pos(), QPoint(3, 4));
        const QImage normal = face("Normal", "TEST_NORMAL_ONLY");
        hoverOn(&only);
        QCOMPARE(rendered(&only), normal);
        only.setCheckable(true);
        only.setChecked(true);
        QCOMPARE(rendered(&only), normal);

        ImageButton missing(QStringLiteral("NO_SUCH_ICON"), nullptr, 0, 0);
        QCOMPARE(missing.size(), QSize(0, 0));

        // Switching the face at run time resizes the button and drops the old faces.
        only.setIconName(QStringLiteral("TEST_OTHER_SIZE"));
        QCOMPARE(only.size(), QSize(40, 30));
        QCOMPARE(rendered(&only), face("Normal", "TEST_OTHER_SIZE"));
        only.setIconName(QStringLiteral("TEST_THREE_FACES"));
        QCOMPARE(rendered(&only), face("Click", "TEST_THREE_FACES"));
    }

    // The caption is centred, black unless a colour is set, and a too-wide caption is cut
    // evenly on both sides.
    void buttonCaption()
    {
        ImageButton button(QStringLiteral("TEST_OTHER_SIZE"), nullptr, 0, 0);
        const QImage plain = rendered(&button);
        button.setText(QStringLiteral("ii"));
        const QImage black = rendered(&button);
        const QList<int> columns = changedColumns(plain, black);
        QVERIFY(!columns.isEmpty());
        const int left = columns.first(), right = button.width() - 1 - columns.last();
        QVERIFY2(qAbs(left - right) <= 2, qPrintable(QStringLiteral("%1 %2").arg(left).arg(right)));
        QVERIFY(anyPixel(black, columns, [](QRgb c) {
            return qAlpha(c) > 230 && qRed(c) < 50 && qGreen(c) < 50 && qBlue(c) < 50;
        }));

        button.setTextColor(Qt::red);
        QVERIFY(anyPixel(rendered(&button), columns, [](QRgb c) {
            return qAlpha(c) > 230 && qRed(c) > 180 && qGreen(c) < 60 && qBlue(c) < 60;
        }));

        button.setText(QStringLiteral("A caption far wider than the button"));
        const QList<int> wide = changedColumns(plain, rendered(&button));
        QVERIFY(!wide.isEmpty());
        QCOMPARE(wide.first(), 0);
        QCOMPARE(wide.last(), button.width() - 1);
    }

    // A short press clicks; a long press holds, then clicks on release over the button; a long
    // press released elsewhere only holds. The hold timer runs only for the left button.
    void longPress()
    {
        ImageButton button(QStringLiteral("TEST_THREE_FACES"), nullptr, 0, 0);
        QSignalSpy holds(&button, &ImageButton::hold);
        QSignalSpy clicks(&button, &ImageButton::clicked);
        QTimer *timer = holdTimer(&button);
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 500);
        QVERIFY(timer->isSingleShot());
        const QPoint inside(5, 5), outside(200, 5);

        mouse(&button, QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
        QVERIFY(timer->isActive());
        QVERIFY(button.isDown());
        mouse(&button, QEvent::MouseButtonRelease, inside, Qt::LeftButton, Qt::NoButton);
        QVERIFY(!timer->isActive());
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(holds.count(), 0);

        mouse(&button, QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
        QTRY_COMPARE(holds.count(), 1);
        QVERIFY(!timer->isActive());
        QCOMPARE(clicks.count(), 1);
        mouse(&button, QEvent::MouseButtonRelease, inside, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(holds.count(), 1);

        mouse(&button, QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
        mouse(&button, QEvent::MouseMove, outside, Qt::NoButton, Qt::LeftButton);
        QTRY_COMPARE(holds.count(), 2);
        mouse(&button, QEvent::MouseButtonRelease, outside, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(clicks.count(), 2);

        mouse(&button, QEvent::MouseButtonPress, inside, Qt::RightButton, Qt::RightButton);
        QVERIFY(!timer->isActive());
        mouse(&button, QEvent::MouseButtonRelease, inside, Qt::RightButton, Qt::NoButton);
        QCOMPARE(holds.count(), 2);
    }

    // Handle placement: centred on the value's slot, never outside the 6-pixel margins, also
    // for values outside the range stored by setValueSilently.
    void sliderHandle()
    {
        QImage handle(4, 4, QImage::Format_RGB32);
        handle.fill(Qt::red);
        HorizontalSlider slider(handle);
        QCOMPARE(slider.value(), 0);
        QCOMPARE(slider.minimum(), 0);
        QCOMPARE(slider.maximum(), 100);
        QCOMPARE(slider.handleWidth(), 96);
        slider.resize(200, 10);
        slider.setHandleWidth(22);
        QSignalSpy changes(&slider, &HorizontalSlider::valueChanged);

        QCOMPARE(slider.width(), 200);
        QCOMPARE(slider.handlePosition(), 6); // value 0 would start at -4
        slider.setValueSilently(50);
        QCOMPARE(slider.handlePosition(), 89); // 188 / 101 * 50.5 + 6 - 11
        slider.setValueSilently(100);
        QCOMPARE(slider.handlePosition(), 172); // 200 - 22 - 6
        slider.setValueSilently(1000);
        QCOMPARE(slider.value(), 1000);
        QCOMPARE(slider.handlePosition(), 172);
        slider.setValueSilently(-1000);
        QCOMPARE(slider.value(), -1000);
        QCOMPARE(slider.handlePosition(), 6);
        QCOMPARE(changes.count(), 0);

        // The handle is painted there, stretched to its width and the height less 4.
        slider.setValueSilently(50);
        const QImage image = slider.grab().toImage();
        QCOMPARE(image.pixel(89, 2), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(89 + 21, 5), qRgb(255, 0, 0));
        QVERIFY(image.pixel(88, 2) != qRgb(255, 0, 0));
        QVERIFY(image.pixel(89 + 22, 2) != qRgb(255, 0, 0));
        QVERIFY(image.pixel(95, 7) != qRgb(255, 0, 0));

        // A range that does not start at zero.
        slider.setRange(10, 13);
        slider.setValueSilently(10); // 188 / 4 * 0.5 + 6 - 11 = 18.5
        QCOMPARE(slider.handlePosition(), 18);
        slider.setValueSilently(12); // 188 / 4 * 2.5 + 6 - 11 = 112.5
        QCOMPARE(slider.handlePosition(), 112);
    }

    // Pointer mapping: every press, drag and release emits, clamped at both ends.
    void sliderPointer()
    {
        HorizontalSlider slider(QImage(4, 4, QImage::Format_RGB32));
        slider.resize(200, 10);
        slider.setRange(0, 100);
        QSignalSpy changes(&slider, &HorizontalSlider::valueChanged);
        const auto last = [&] { return changes.last().at(0).toInt(); };

        mouse(&slider, QEvent::MouseButtonPress, QPoint(0, 5), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(last(), 0);
        mouse(&slider, QEvent::MouseMove, QPoint(3, 5), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(changes.count(), 2); // emitted although the value stayed 0
        QCOMPARE(last(), 0);
        mouse(&slider, QEvent::MouseMove, QPoint(100, 5), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(last(), 50); // 94 / (188 / 101) = 50.5
        mouse(&slider, QEvent::MouseMove, QPoint(194, 5), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(last(), 100);
        mouse(&slider, QEvent::MouseButtonRelease, QPoint(5000, 5), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(last(), 100);
        QCOMPARE(slider.value(), 100);
        // Far outside the widget the mapping still clamps instead of overflowing.
        QCOMPARE(slider.valueAt(2'000'000'000), 100);
        QCOMPARE(slider.valueAt(-2'000'000'000), 0);

        const int before = int(changes.count());
        mouse(&slider, QEvent::MouseMove, QPoint(50, 5), Qt::NoButton, Qt::NoButton);
        QCOMPARE(changes.count(), before); // hovering does not move the value
        mouse(&slider, QEvent::MouseButtonPress, QPoint(60, 5), Qt::RightButton, Qt::RightButton);
        QCOMPARE(changes.count(), before + 1); // any button

        slider.setRange(-5, 5);
        mouse(&slider, QEvent::MouseButtonPress, QPoint(6, 5), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(last(), -5);
        mouse(&slider, QEvent::MouseButtonPress, QPoint(194, 5), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(last(), 5);

        // Outside the documented use (no track, empty range) the slider stays defined.
        HorizontalSlider narrow(QImage(4, 4, QImage::Format_RGB32));
        narrow.resize(8, 10);
        narrow.setRange(3, 9);
        QCOMPARE(narrow.valueAt(7), 3);
        narrow.setRange(5, 3);
        QCOMPARE(narrow.valueAt(7), 5);
        narrow.resize(100, 10);
        narrow.setRange(5, 4);
        narrow.setValueSilently(2);
        QCOMPARE(narrow.handlePosition(), 6);
    }

    // The restyled slider's bitmaps all exist; showOrHide toggles visibility.
    void slider()
    {
        QWidget parent;
        Slider vertical(Qt::Vertical, &parent);
        QCOMPARE(vertical.orientation(), Qt::Vertical);
        QCOMPARE(vertical.parent(), &parent);
        const QString sheet = vertical.styleSheet();
        QCOMPARE(sheet, Slider::skinStyleSheet());
        const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
        int images = 0;
        for (const QRegularExpressionMatch &m : url.globalMatch(sheet)) {
            QVERIFY2(!QImage(m.captured(1)).isNull(), qPrintable(m.captured(1)));
            ++images;
        }
        QCOMPARE(images, 4);
        parent.show();
        QVERIFY(vertical.isVisible());
        vertical.showOrHide();
        QVERIFY(!vertical.isVisible());
        vertical.showOrHide();
        QVERIFY(vertical.isVisible());
    }

    void imageWidget()
    {
        QImage image(7, 5, QImage::Format_RGB32);
        image.fill(Qt::blue);
        ImageWidget widget(image);
        QCOMPARE(widget.size(), QSize(7, 5));
        QCOMPARE(widget.minimumSize(), widget.maximumSize());
        QCOMPARE(widget.grab().toImage().convertToFormat(QImage::Format_RGB32), image);
    }
};

QTEST_MAIN(ControlsTest)
#include "tst_controls.moc"
