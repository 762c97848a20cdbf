// Saves pictures of the main window for a person to look at: each mode, the panel open and
// closed, and each tool window open. Run under xvfb-run (or offscreen):
//   app_screenshots <output folder>
#include "CompareController.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "MainWindow.h"
#include "OSDProcessor.h"
#include "TestHome.h"
#include "ToolWindow.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace {
QImage samplePicture()
{
    QImage picture(1024, 768, QImage::Format_RGB888);
    picture.fill(QColor(235, 232, 222));
    QPainter painter(&picture);
    painter.setPen(QPen(QColor(40, 40, 40), 3));
    painter.setFont(QFont(QStringLiteral("Arial"), 40));
    painter.drawText(QRect(0, 80, 1024, 120), Qt::AlignCenter, QStringLiteral("Document Camera"));
    for (int y = 260; y < 700; y += 40) {
        painter.drawLine(120, y, 900, y);
    }
    return picture;
}

// A printed sheet lying turned on a dark desk, as a page to scan.
QImage deskWithSheet()
{
    QImage picture(1280, 960, QImage::Format_RGB888);
    picture.fill(QColor(70, 52, 40));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(640, 480);
    painter.rotate(-12);
    painter.fillRect(QRect(-300, -420, 600, 840), Qt::white);
    painter.setPen(Qt::black);
    painter.setFont(QFont(QStringLiteral("Liberation Serif"), 26));
    painter.drawText(QRect(-260, -390, 520, 60), Qt::AlignCenter, QStringLiteral("Worksheet 3"));
    painter.setFont(QFont(QStringLiteral("Liberation Serif"), 14));
    for (int k = 0; k < 14; ++k) {
        painter.drawText(
            QPoint(-260, -280 + 48 * k),
            QStringLiteral("%1. The quick brown fox jumps over the lazy dog.").arg(k + 1));
    }
    return picture;
}

// A second camera's picture: a face-like shape on a wall.
QImage presenter()
{
    QImage picture(640, 480, QImage::Format_RGB888);
    picture.fill(QColor(90, 120, 150));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(230, 190, 160));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(320, 200), 110, 140);
    painter.setBrush(QColor(50, 60, 80));
    painter.drawRect(160, 360, 320, 120);
    return picture;
}

// The window with its open tool window drawn where it stands on the screen.
QImage shoot(MainWindow &window)
{
    QCoreApplication::processEvents();
    QImage picture = window.grab().toImage();
    if (ToolWindow *tool = window.openToolWindow(); tool != nullptr && tool->isVisible()) {
        QPainter painter(&picture);
        painter.drawPixmap(window.mapFromGlobal(tool->pos()), tool->grab());
    }
    return picture;
}

void click(MainWindow &window, const char *name)
{
    if (auto *button = window.findChild<ImageButton *>(QLatin1String(name))) {
        QTest::mouseClick(button, Qt::LeftButton);
    }
}

void hold(MainWindow &window, const char *name)
{
    if (auto *button = window.findChild<ImageButton *>(QLatin1String(name))) {
        emit button->hold();
    }
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    useTestHome(home.path());
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Morvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Document Camera"));
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("shots");
    QDir().mkpath(out);

    MainWindow window(LiveControlFactory{});
    window.move(150, 50);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    for (int mode = 0; mode < 3; ++mode) {
        window.canvas(mode)->setImage(samplePicture());
    }

    const auto save = [&](const QString &name) {
        shoot(window).save(out + QLatin1Char('/') + name);
    };
    save(QStringLiteral("live-expanded.png"));
    OSDProcessor *osd = window.osdProcessor(window.canvas(MainWindow::LiveMode));
    osd->showNotice(MainWindow::tr("Recording failed"));
    save(QStringLiteral("live-notice.png"));
    osd->showNotice(QString());
    // Split compare: the sample picture kept beside the desk, turned; then four panes, one of a
    // photograph that cannot be read; then the presenter's camera in a corner.
    ImageCanvas *live = window.canvas(MainWindow::LiveMode);
    CompareController *compare = window.compareController();
    compare->compareWithLive();
    live->setImage(deskWithSheet());
    // An arrow drawn in each pane: the live one's goes onto the live drawing, the still one's
    // onto that pane's.
    click(window, "ICON_ARROW");
    const QPoint mid(live->width() / 2, live->height() / 2);
    for (const QPoint from :
         {QPoint(mid.x() / 3, mid.y() + 40), QPoint(mid.x() * 4 / 3, mid.y() + 40)}) {
        QTest::mousePress(live, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(live, from + QPoint(80, -60));
        QTest::mouseMove(live, from + QPoint(160, -100));
        QTest::mouseRelease(live, Qt::LeftButton, Qt::NoModifier, from + QPoint(160, -100));
    }
    click(window, "ICON_HAND");
    live->setImage(deskWithSheet());
    save(QStringLiteral("live-split.png"));
    compare->compareWithFile(home.filePath(QStringLiteral("missing.jpg")));
    compare->split().changePane(1, [](StillPane &pane) { pane.turn(); });
    compare->updateCanvas();
    compare->compareWithLive();
    live->setImage(samplePicture());
    save(QStringLiteral("live-split-grid.png"));
    compare->leaveCompare();
    compare->pictureInPicture().setVisible(true);
    compare->pictureInPicture().setFrame(presenter());
    compare->updateCanvas();
    live->setImage(samplePicture());
    save(QStringLiteral("live-pip.png"));
    compare->pictureInPicture().setCameraName(QStringLiteral("Webcam"));
    compare->pictureInPicture().setUnplugged(true);
    compare->movePictureInPicture();
    live->setImage(samplePicture());
    save(QStringLiteral("live-pip-unplugged.png"));
    compare->hidePictureInPicture();
    // Two pages scanned: the strip over the foot of the picture and the found outline.
    window.canvas(MainWindow::LiveMode)->setImage(deskWithSheet());
    for (int page = 0; page < 2; ++page) {
        click(window, "ICON_SCAN");
        QWidget *strip = window.findChild<QWidget *>(QStringLiteral("scanStrip"));
        (void)QTest::qWaitFor([strip] { return strip != nullptr && strip->isVisible(); }, 10000);
        QTest::qWait(page == 0 ? 1600 : 300);
    }
    save(QStringLiteral("live-scanning.png"));
    window.canvas(MainWindow::LiveMode)->setImage(samplePicture());

    const std::pair<const char *, const char *> tools[] = {
        {"ICON_LINE", "tool-line.png"},           {"ICON_RETANGLE", "tool-rectangle.png"},
        {"ICON_ERASE", "tool-eraser.png"},        {"ICON_TEXT", "tool-text.png"},
        {"ICON_EFFECT_COLOR", "tool-effect.png"}, {"ICON_MASK_CIRCLE", "tool-mask.png"},
        {"ICON_ROTATE", "tool-rotate.png"}};
    for (const auto &[button, file] : tools) {
        hold(window, button);
        save(QLatin1String(file));
    }
    click(window, "ICON_SETTING");
    save(QStringLiteral("tool-settings.png"));
    click(window, "ICON_COPY");

    click(window, "filmButton");
    save(QStringLiteral("film-expanded.png"));
    click(window, "photographButton");
    save(QStringLiteral("photograph-expanded.png"));
    click(window, "expandButton");
    save(QStringLiteral("photograph-collapsed.png"));
    click(window, "filmButton");
    save(QStringLiteral("film-collapsed.png"));
    click(window, "liveButton");
    save(QStringLiteral("live-collapsed.png"));

    // The live picture alone over the screen, mirrored left-right.
    window.canvas(MainWindow::LiveMode)->mirrorLeftRight();
    window.canvas(MainWindow::LiveMode)->setImage(samplePicture());
    QMetaObject::invokeMethod(&window, "toggleFullScreen");
    if (QWidget *view = window.fullScreenWindow()) {
        QTest::qWait(200);
        view->grab().save(out + QStringLiteral("/live-fullscreen.png"));
    }
    QMetaObject::invokeMethod(&window, "toggleFullScreen");
    return 0;
}
