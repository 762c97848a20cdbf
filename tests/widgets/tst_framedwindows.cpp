// Framed windows: the frameless window's size and drag band; the style window's frame,
// caption buttons, border zones with their cursors, and resizing from edges and corners.
#include "FramelessWindow.h"
#include "ImageButton.h"
#include "StyleWindow.h"

#include <QtTest>

namespace {

class TestWindow : public StyleWindow {
public:
    int layouts = 0;
    void updateLayout() override { ++layouts; }
};

// Sends a mouse event at a point local to the window, as the window system would.
void mouse(QWidget *window, QEvent::Type type, QPoint local, Qt::MouseButton button,
           Qt::MouseButtons held)
{
    QMouseEvent event(type, local, window->geometry().topLeft() + local, button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(window, &event);
}

void moveTo(QWidget *window, QPoint local, Qt::MouseButtons held = Qt::NoButton)
{
    mouse(window, QEvent::MouseMove, local, Qt::NoButton, held);
}

QImage piece(const char *name)
{
    return QImage(QStringLiteral(":/icons/Background_Sub/%1.png").arg(QLatin1String(name)))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

class FramedWindowsTest : public QObject {
    Q_OBJECT

private slots:
    // A frameless window takes its background's size and cannot be made smaller.
    void framelessSize()
    {
        const QImage background(QStringLiteral(":/icons/Background/POP_BK_SETTING.png"));
        QWidget owner;
        FramelessWindow tool(background, true, &owner);
        QCOMPARE(tool.size(), QSize(248, 256));
        QVERIFY(tool.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(tool.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(tool.testAttribute(Qt::WA_TranslucentBackground));
        tool.resize(100, 100);
        QCOMPARE(tool.size(), QSize(248, 256));
        QCOMPARE(tool.grab().toImage().convertToFormat(QImage::Format_ARGB32),
                 background.convertToFormat(QImage::Format_ARGB32));

        FramelessWindow plain(QImage(), false);
        QVERIFY(plain.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(plain.windowFlags() & Qt::Tool & ~Qt::Window));
        QCOMPARE(plain.size(), QSize(0, 0));
    }

    // The drag band is rows 0 to 25, for the left button only, and not while maximised.
    void framelessDrag()
    {
        FramelessWindow window(QImage(QStringLiteral(":/icons/Background/POP_BK_TOOL.png")), false);
        window.move(100, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.pos();

        mouse(&window, QEvent::MouseButtonPress, QPoint(50, 26), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!window.isDragging());
        mouse(&window, QEvent::MouseButtonPress, QPoint(50, 25), Qt::RightButton, Qt::RightButton);
        QVERIFY(!window.isDragging());

        mouse(&window, QEvent::MouseButtonPress, QPoint(50, 25), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(window.isDragging());
        moveTo(&window, QPoint(80, 5), Qt::LeftButton); // 30 right, 20 up
        QCOMPARE(window.pos(), start + QPoint(30, -20));
        moveTo(&window, QPoint(50, 25), Qt::NoButton); // moves only while the button is held
        QCOMPARE(window.pos(), start + QPoint(30, -20));
        mouse(&window, QEvent::MouseButtonRelease, QPoint(50, 25), Qt::LeftButton, Qt::NoButton);
        QVERIFY(!window.isDragging());
        moveTo(&window, QPoint(90, 25), Qt::LeftButton);
        QCOMPARE(window.pos(), start + QPoint(30, -20));

        window.setWindowState(Qt::WindowMaximized);
        mouse(&window, QEvent::MouseButtonPress, QPoint(50, 10), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!window.isDragging());
    }

    // Caption buttons keep their distances from the right edge; every resize lays out.
    void captionButtons()
    {
        TestWindow window;
        QCOMPARE(window.size(), QSize(0, 0));
        window.show(); // a hidden window gets its resize event only when shown
        const QList<ImageButton *> buttons = window.findChildren<ImageButton *>();
        QCOMPARE(buttons.size(), 3);
        for (const QSize size : {QSize(800, 600), QSize(1031, 777)}) {
            const int before = window.layouts;
            window.resize(size);
            QCOMPARE(window.layouts, before + 1);
            QCOMPARE(buttons.at(0)->pos(), QPoint(size.width() - 79, 4));
            QCOMPARE(buttons.at(1)->pos(), QPoint(size.width() - 59, 4));
            QCOMPARE(buttons.at(2)->pos(), QPoint(size.width() - 38, 4));
        }
        QVERIFY(window.testAttribute(Qt::WA_MouseTracking));
    }

    // The nine pieces sit at the corners and edges; the inside is the inside piece's colour.
    void framePainting()
    {
        TestWindow window;
        window.setExpanded(false);
        window.resize(700, 500);
        const QImage image =
            window.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage topLeft = piece("VIDEO_FRAME_TOP_LEFT");
        const QImage topRight = piece("VIDEO_FRAME_TOP_RIGHT");
        const QImage bottomRight = piece("VIDEO_FRAME_BOT_RIGHT");
        const QImage bottomLeft = piece("VIDEO_FRAME_BOT_LEFT");
        const QImage inside = piece("VIDEO_FRAME_MID_MID");
        QCOMPARE(image.pixel(20, 10), topLeft.pixel(20, 10));
        QCOMPARE(image.pixel(700 - 82 + 40, 12), topRight.pixel(40, 12));
        QCOMPARE(image.pixel(700 - 11 + 10, 500 - 81 + 80), bottomRight.pixel(10, 80));
        QCOMPARE(image.pixel(0, 500 - 1), bottomLeft.pixel(0, 80));
        const QRgb fill = inside.pixel(0, 0);
        for (const QPoint p : {QPoint(3, 52), QPoint(350, 250), QPoint(696, 418)}) {
            QCOMPARE(image.pixel(p), fill);
        }
        // Just outside the fill: the left edge and the bottom band.
        QCOMPARE(image.pixel(0, 250), piece("VIDEO_FRAME_MID_LEFT").pixel(0, 0));
        QVERIFY(image.pixel(350, 499) != fill);

        // The wider top-left corner goes with the open tool panel.
        window.setExpanded(true);
        window.resize(838, 500);
        const QImage expanded =
            window.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(expanded.pixel(20, 10), piece("VIDEO_FRAME_TOP_LEFT_EXPANDED").pixel(20, 10));
    }

    void zones_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("v");
        QTest::addColumn<int>("cursor");
        // Window 500 x 400: borders are x <= 5 / x >= 495 and y <= 5 / y >= 395.
        QTest::newRow("top-left") << QPoint(5, 5) << 0 << 0 << int(Qt::SizeFDiagCursor);
        QTest::newRow("inside") << QPoint(6, 6) << 1 << 1 << int(Qt::ArrowCursor);
        QTest::newRow("bottom-right") << QPoint(495, 395) << 2 << 2 << int(Qt::SizeFDiagCursor);
        QTest::newRow("inner bottom-right") << QPoint(494, 394) << 1 << 1 << int(Qt::ArrowCursor);
        QTest::newRow("top-right") << QPoint(499, 0) << 2 << 0 << int(Qt::SizeBDiagCursor);
        QTest::newRow("bottom-left") << QPoint(0, 399) << 0 << 2 << int(Qt::SizeBDiagCursor);
        QTest::newRow("left") << QPoint(2, 200) << 0 << 1 << int(Qt::SizeHorCursor);
        QTest::newRow("right") << QPoint(497, 200) << 2 << 1 << int(Qt::SizeHorCursor);
        QTest::newRow("top") << QPoint(250, 0) << 1 << 0 << int(Qt::SizeVerCursor);
        QTest::newRow("bottom") << QPoint(250, 398) << 1 << 2 << int(Qt::SizeVerCursor);
    }

    // Border zones follow the pointer without a pressed button and choose the cursor.
    void zones()
    {
        QFETCH(QPoint, pos);
        QFETCH(int, h);
        QFETCH(int, v);
        QFETCH(int, cursor);
        TestWindow window;
        window.resize(500, 400);
        moveTo(&window, pos);
        QCOMPARE(window.horizontalZone(), h);
        QCOMPARE(window.verticalZone(), v);
        QCOMPARE(int(window.cursor().shape()), cursor);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&window, &leave);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    // Dragging the top-left corner moves the left and top edges until the minimum size, then
    // the opposite edges stay where they are.
    void resizeTopLeft()
    {
        TestWindow window;
        window.setMinimumSize(300, 200);
        window.setGeometry(100, 100, 500, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect start = window.geometry();

        moveTo(&window, QPoint(5, 5));
        mouse(&window, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(window.isResizing());
        QVERIFY(!window.isDragging());
        moveTo(&window, QPoint(50, 30), Qt::LeftButton);
        QCOMPARE(window.geometry(), QRect(start.x() + 50, start.y() + 30, 450, 370));
        moveTo(&window, QPoint(400, 400), Qt::LeftButton);
        QCOMPARE(window.geometry(), QRect(start.right() - 299, start.bottom() - 199, 300, 200));
        moveTo(&window, QPoint(-20, -10), Qt::LeftButton); // and grows back outwards
        QCOMPARE(window.geometry(), QRect(start.right() - 319, start.bottom() - 209, 320, 210));
        mouse(&window, QEvent::MouseButtonRelease, QPoint(2, 2), Qt::LeftButton, Qt::NoButton);
        QVERIFY(!window.isResizing());
        QCOMPARE(window.horizontalZone(), 0); // recomputed by the release
        QCOMPARE(window.cursor().shape(), Qt::SizeFDiagCursor);
    }

    // The right and bottom edges follow the pointer down to the minimum size.
    void resizeRightAndBottom()
    {
        TestWindow window;
        window.setMinimumSize(300, 200);
        window.setGeometry(100, 100, 500, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        moveTo(&window, QPoint(497, 200));
        mouse(&window, QEvent::MouseButtonPress, QPoint(497, 200), Qt::LeftButton, Qt::LeftButton);
        moveTo(&window, QPoint(620, 10), Qt::LeftButton);
        QCOMPARE(window.geometry(), QRect(100, 100, 620, 400));
        moveTo(&window, QPoint(40, 10), Qt::LeftButton);
        QCOMPARE(window.geometry(), QRect(100, 100, 300, 400));
        mouse(&window, QEvent::MouseButtonRelease, QPoint(40, 10), Qt::LeftButton, Qt::NoButton);

        moveTo(&window, QPoint(150, 398));
        mouse(&window, QEvent::MouseButtonPress, QPoint(150, 398), Qt::LeftButton, Qt::LeftButton);
        moveTo(&window, QPoint(150, 250), Qt::LeftButton);
        QCOMPARE(window.geometry(), QRect(100, 100, 300, 250));
        moveTo(&window, QPoint(150, -50), Qt::LeftButton);
        QCOMPARE(window.geometry(), QRect(100, 100, 300, 200));
        mouse(&window, QEvent::MouseButtonRelease, QPoint(150, -50), Qt::LeftButton, Qt::NoButton);

        // A right press on a border does not resize; inside the top band it starts a drag.
        moveTo(&window, QPoint(2, 100));
        mouse(&window, QEvent::MouseButtonPress, QPoint(2, 100), Qt::RightButton, Qt::RightButton);
        QVERIFY(!window.isResizing());
        moveTo(&window, QPoint(150, 20));
        mouse(&window, QEvent::MouseButtonPress, QPoint(150, 20), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!window.isResizing());
        QVERIFY(window.isDragging());
    }

    // Maximise and minimise toggle their window-state flags and combine.
    void stateToggles()
    {
        TestWindow window;
        window.resize(400, 300);
        QVERIFY(!(window.windowState() & Qt::WindowMaximized));
        window.maximize();
        QVERIFY(window.windowState() & Qt::WindowMaximized);
        window.minimize();
        QVERIFY(window.windowState() & Qt::WindowMinimized);
        QVERIFY(window.windowState() & Qt::WindowMaximized);
        window.minimize();
        window.maximize();
        QCOMPARE(window.windowState(), Qt::WindowNoState);

        // The caption buttons are wired to the slots.
        const QList<ImageButton *> buttons = window.findChildren<ImageButton *>();
        buttons.at(1)->click();
        QVERIFY(window.windowState() & Qt::WindowMaximized);
        buttons.at(1)->click();
        QVERIFY(!(window.windowState() & Qt::WindowMaximized));
        window.show();
        buttons.at(2)->click();
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(FramedWindowsTest)
#include "tst_framedwindows.moc"
