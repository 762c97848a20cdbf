#include "AppTestMain.h"
#include "Config.h"
#include "FakeLiveControl.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "MainWindow.h"
#include "PhotographSource.h"
#include "RotateToolWindow.h"
#include "SettingsToolWindow.h"
#include "WindowButton.h"

#include <QAccessible>
#include <QDir>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>

namespace {

QImage picture(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(color);
    return image;
}

} // namespace

// The main window in front of a room: keys for every panel command, the clicker's keys in each
// mode, full screen, the rotate window and the names a screen reader reads.
class RoomTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void keysDoWhatTheirButtonsDo();
    void keysShowInTipsAndButtonsHaveNames();
    void liveOnlyKeysDoNothingElsewhere();
    void undoAndRedoKeysActOnTheCurrentCanvas();
    void clickerKeysPerMode();
    void blankShowsBlackButKeepsComposing();
    void fullScreenShowsTheCanvasAloneAndRestoresTheWindow();
    void rotateWindowTurnsAndMirrors();

private:
    ImageButton *button(const char *name) const;
    ImageCanvas *canvas() const { return m_window->currentCanvas(); }
    void keys(const QKeySequence &sequence);
    void key(QKeyCombination code) { keys(QKeySequence(code)); }

    std::shared_ptr<QStringList> m_live;
    MainWindow *m_window = nullptr;
    QTemporaryDir m_folder;
    int m_prints = 0;
};

void RoomTest::init()
{
    Config::setSnapshotMode(0);
    Config::setSnapshotPath(m_folder.path());
    Config::setRecordPath(m_folder.path());
    m_live = std::make_shared<QStringList>();
    m_window = new MainWindow(FakeLiveControl::factory(m_live));
    m_prints = 0;
    m_window->setPrintDialogRunner([this](QPrinter &, QWidget *) {
        ++m_prints;
        return false;
    });
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    for (int mode = 0; mode < 3; ++mode) {
        m_window->canvas(mode)->setImage(picture(640, 480, QColor(200, 200, 200)));
    }
}

void RoomTest::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

ImageButton *RoomTest::button(const char *name) const
{
    return windowButton(m_window, name);
}

void RoomTest::keys(const QKeySequence &sequence)
{
    QWidget *target = QApplication::focusWidget();
    if (target == nullptr) {
        target = QApplication::activeWindow();
    }
    if (target == nullptr) {
        target = m_window;
    }
    QTest::keySequence(target, sequence);
}

void RoomTest::keysDoWhatTheirButtonsDo()
{
    const std::pair<QKeyCombination, std::pair<const char *, int>> tools[] = {
        {QKeyCombination(Qt::Key_L), {"ICON_LINE", ImageCanvas::ToolLine}},
        {Qt::Key_Q, {"ICON_RETANGLE", ImageCanvas::ToolRectangle}},
        {Qt::Key_P, {"ICON_FREEHAND", ImageCanvas::ToolFreehand}},
        {Qt::Key_C, {"ICON_CIRCLE", ImageCanvas::ToolCircle}},
        {Qt::Key_A, {"ICON_ARROW", ImageCanvas::ToolArrow}},
        {Qt::Key_G, {"ICON_TRIANGLE", ImageCanvas::ToolTriangle}},
        {Qt::Key_E, {"ICON_ERASE", ImageCanvas::ToolEraser}},
        {Qt::Key_T, {"ICON_TEXT", ImageCanvas::ToolText}},
        {QKeyCombination(Qt::CTRL | Qt::Key_C), {"ICON_COPY", ImageCanvas::ToolClip}},
        {Qt::Key_H, {"ICON_HAND", ImageCanvas::ToolHand}},
    };
    for (const auto &[code, expected] : tools) {
        key(code);
        QCOMPARE(canvas()->tool(), expected.second);
        QVERIFY2(button(expected.first)->isChecked(), expected.first);
    }

    // Mask: each shape in turn, then none; the button is on with a shape.
    for (int shape = 1; shape <= 4; ++shape) {
        key(Qt::Key_M);
        QCOMPARE(canvas()->mask(), shape);
        QVERIFY(button("ICON_MASK_CIRCLE")->isChecked());
    }
    key(Qt::Key_M);
    QCOMPARE(canvas()->mask(), 0);
    QVERIFY(!button("ICON_MASK_CIRCLE")->isChecked());
    // The mask button then brings back the last shape, as after its own toggling.
    QTest::mouseClick(button("ICON_MASK_CIRCLE"), Qt::LeftButton);
    QCOMPARE(canvas()->mask(), 4);

    for (int effect = 1; effect <= 4; ++effect) {
        key(Qt::Key_X);
        QCOMPARE(canvas()->effect(), effect % 4);
    }

    keys(QKeySequence::ZoomIn);
    QCOMPARE(canvas()->zoom(), 2.0);
    key(Qt::Key_Plus);
    QCOMPARE(canvas()->zoom(), 3.0);
    keys(QKeySequence::ZoomOut);
    QCOMPARE(canvas()->zoom(), 2.0);
    key(Qt::Key_6);
    QCOMPARE(canvas()->zoom(), 6.0);
    key(Qt::Key_1);
    QCOMPARE(canvas()->zoom(), 1.0);
    key(Qt::Key_R);
    QCOMPARE(canvas()->rotation(), 1);
    key(Qt::Key_0);
    QCOMPARE(canvas()->zoom(), 0.75);
    key(QKeyCombination(Qt::SHIFT | Qt::Key_R));
    QCOMPARE(canvas()->rotation(), 0);
    key(Qt::Key_I);
    QVERIFY(canvas()->isMirroredHorizontally());
    key(QKeyCombination(Qt::SHIFT | Qt::Key_I));
    QVERIFY(canvas()->isMirroredVertically());

    key(Qt::Key_F);
    QVERIFY(canvas()->isFrozen());
    QVERIFY(button("ICON_FREEZE")->isChecked());
    key(Qt::Key_F);
    QVERIFY(!canvas()->isFrozen());

    m_live->clear();
    key(Qt::Key_O);
    key(Qt::Key_BracketLeft);
    key(Qt::Key_BracketRight);
    QCOMPARE(*m_live, QStringList({QStringLiteral("autoFocus"), QStringLiteral("brightnessDown"),
                                   QStringLiteral("brightnessUp")}));

    key(Qt::Key_V);
    QVERIFY(m_window->isRecording());
    QVERIFY(button("ICON_RECORDING")->isChecked());
    QVERIFY(m_live->last().startsWith(QStringLiteral("startRecord ") + m_folder.path()));
    key(Qt::Key_V);
    QVERIFY(!m_window->isRecording());
    QCOMPARE(m_live->last(), QStringLiteral("stopRecord"));

    key(Qt::Key_S);
    QVERIFY(canvas()->isSnapshotArmed());

    keys(QKeySequence::Print);
    QCOMPARE(m_prints, 1);

    key(QKeyCombination(Qt::CTRL | Qt::Key_Comma));
    QVERIFY(qobject_cast<SettingsToolWindow *>(m_window->openToolWindow()) != nullptr);
}

void RoomTest::keysShowInTipsAndButtonsHaveNames()
{
    QCOMPARE(button("ICON_LINE")->toolTip(), QStringLiteral("Line (L)"));
    QCOMPARE(button("ICON_FREEZE")->toolTip(), QStringLiteral("Freeze (F)"));
    QVERIFY(button("ICON_ZOOM_IN")->toolTip().startsWith(QStringLiteral("Zoom in (Ctrl+")));
    for (ImageButton *b : m_window->findChildren<ImageButton *>()) {
        if (b->toolTip().isEmpty()) {
            continue;
        }
        QCOMPARE(b->accessibleName(), b->toolTip());
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(b);
        QVERIFY(face != nullptr);
        QCOMPARE(face->text(QAccessible::Name), b->toolTip());
    }
    for (int mode = 0; mode < 3; ++mode) {
        QVERIFY(!m_window->canvas(mode)->accessibleDescription().isEmpty());
    }
    QVERIFY(m_window->canvas(0)->accessibleDescription() !=
            m_window->canvas(1)->accessibleDescription());
}

void RoomTest::liveOnlyKeysDoNothingElsewhere()
{
    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    QCOMPARE(m_window->mode(), int(MainWindow::FilmMode));
    m_live->clear();
    key(Qt::Key_V);
    key(Qt::Key_F);
    key(Qt::Key_O);
    key(Qt::Key_S);
    QVERIFY(!m_window->isRecording());
    QVERIFY(!canvas()->isFrozen());
    QVERIFY(!canvas()->isSnapshotArmed());
    QVERIFY(m_live->isEmpty());
    // The view keys act on the film canvas, not on the live one.
    key(Qt::Key_R);
    QCOMPARE(canvas()->rotation(), 1);
    QCOMPARE(m_window->canvas(MainWindow::LiveMode)->rotation(), 0);
}

void RoomTest::undoAndRedoKeysActOnTheCurrentCanvas()
{
    QWidget *stack = m_window->findChild<QStackedWidget *>();
    QVERIFY(stack != nullptr);
    key(Qt::Key_L);
    ImageCanvas *live = canvas();
    const QImage empty = live->layerImage();
    QTest::mousePress(live, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseMove(live, QPoint(200, 150));
    QTest::mouseRelease(live, Qt::LeftButton, {}, QPoint(200, 150));
    const QImage drawn = live->layerImage();
    QVERIFY(drawn != empty);
    key(Qt::Key_Delete);
    QCOMPARE(live->layerImage(), empty);
    keys(QKeySequence::Undo);
    QCOMPARE(live->layerImage(), drawn);
    keys(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(live->layerImage(), empty);
    keys(QKeySequence(Qt::CTRL | Qt::Key_Y));
    QCOMPARE(live->layerImage(), drawn);
    keys(QKeySequence(Qt::CTRL | Qt::Key_Z));
    keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    QCOMPARE(live->layerImage(), drawn);

    // Another mode's canvas has its own history.
    QTest::mouseClick(button("photographButton"), Qt::LeftButton);
    keys(QKeySequence::Undo);
    QCOMPARE(live->layerImage(), drawn);
    QVERIFY(!canvas()->canUndo());
}

void RoomTest::clickerKeysPerMode()
{
    // Live: every clicker key freezes and thaws the picture.
    for (const QKeyCombination code :
         {QKeyCombination(Qt::Key_PageDown), QKeyCombination(Qt::Key_PageUp),
          QKeyCombination(Qt::Key_F5), QKeyCombination(Qt::SHIFT | Qt::Key_F5)}) {
        const bool frozen = canvas()->isFrozen();
        key(code);
        QCOMPARE(canvas()->isFrozen(), !frozen);
    }

    // Photograph: previous, next and the slideshow.
    QTemporaryDir photos;
    for (int k = 0; k < 3; ++k) {
        QVERIFY(picture(64, 48, QColor(k * 80, 0, 0))
                    .save(QDir(photos.path()).filePath(QStringLiteral("p%1.png").arg(k))));
    }
    QTest::mouseClick(button("photographButton"), Qt::LeftButton);
    PhotographSource *source = m_window->photographSource();
    QVERIFY(source->openDirectory(QDir(photos.path())));
    QCOMPARE(source->currentIndex(), 0);
    key(Qt::Key_PageDown);
    QCOMPARE(source->currentIndex(), 1);
    key(Qt::Key_PageDown);
    key(Qt::Key_PageUp);
    QCOMPARE(source->currentIndex(), 1);
    key(Qt::Key_F5);
    QVERIFY(source->isPlaying());
    QVERIFY(button("ICON_PHOTO_SLIDE")->isChecked());
    key(QKeyCombination(Qt::SHIFT | Qt::Key_F5));
    QVERIFY(!source->isPlaying());
    QVERIFY(!m_window->canvas(MainWindow::PhotographMode)->isFrozen());

    // Film, without a film: pause and play reach the film bar, nothing else moves.
    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    const bool liveFrozen = m_window->canvas(MainWindow::LiveMode)->isFrozen();
    key(Qt::Key_PageDown);
    key(Qt::Key_F5);
    QCOMPARE(m_window->canvas(MainWindow::LiveMode)->isFrozen(), liveFrozen);
    QVERIFY(!canvas()->isFrozen());
}

void RoomTest::blankShowsBlackButKeepsComposing()
{
    ImageCanvas *live = canvas();
    const QImage shown = picture(640, 480, QColor(30, 160, 90));
    live->setImage(shown);
    key(Qt::Key_B);
    QVERIFY(live->isBlanked());
    const QImage screen = live->grab().toImage();
    QCOMPARE(screen.pixelColor(screen.width() / 2, screen.height() / 2), QColor(Qt::black));
    // The composed picture (what a recording and a snapshot get) is still the camera's.
    live->setImage(shown);
    QCOMPARE(live->currentImage(), shown);
    key(Qt::Key_Period);
    QVERIFY(!live->isBlanked());
    const QImage back = live->grab().toImage();
    QCOMPARE(back.pixelColor(back.width() / 2, back.height() / 2), QColor(30, 160, 90));
}

void RoomTest::fullScreenShowsTheCanvasAloneAndRestoresTheWindow()
{
    m_window->move(40, 30);
    m_window->resize(1000, 780);
    QTest::mouseClick(button("expandButton"), Qt::LeftButton);
    QVERIFY(!m_window->isPanelExpanded());
    QCoreApplication::processEvents();
    const QRect geometry = m_window->geometry();
    ImageCanvas *live = canvas();
    auto *stack = m_window->findChild<QStackedWidget *>();
    const int index = stack->indexOf(live);
    const QSize canvasSize = live->size();

    key(Qt::Key_F11);
    QVERIFY(m_window->isFullScreenShown());
    QWidget *view = m_window->fullScreenWindow();
    QVERIFY(view->isVisible());
    QVERIFY(view->isFullScreen());
    QCOMPARE(live->window(), view);
    QCOMPARE(view->geometry(), m_window->screen()->geometry());
    QTRY_COMPARE(live->size(), view->size());
    // The tools work there: keys, and the pointer draws with the current tool.
    QVERIFY(QTest::qWaitForWindowActive(view));
    key(Qt::Key_P);
    QCOMPARE(live->tool(), int(ImageCanvas::ToolFreehand));
    const QImage empty = live->layerImage();
    QTest::mousePress(live, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(live, QPoint(300, 200));
    QTest::mouseRelease(live, Qt::LeftButton, {}, QPoint(300, 200));
    QVERIFY(live->layerImage() != empty);

    key(Qt::Key_Escape);
    QVERIFY(!m_window->isFullScreenShown());
    QCOMPARE(stack->indexOf(live), index);
    QCOMPARE(stack->currentWidget(), live);
    QCOMPARE(m_window->geometry(), geometry);
    QVERIFY(!m_window->isPanelExpanded());
    QTRY_COMPARE(live->size(), canvasSize);

    // A double click with the hand tool goes there too; F11 comes back; so does a mode switch.
    key(Qt::Key_H);
    QTest::mouseDClick(live, Qt::LeftButton, {}, QPoint(50, 50));
    QVERIFY(m_window->isFullScreenShown());
    key(Qt::Key_F11);
    QVERIFY(!m_window->isFullScreenShown());
    key(Qt::Key_F11);
    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    QVERIFY(!m_window->isFullScreenShown());
    QCOMPARE(stack->indexOf(live), index);
    QCOMPARE(stack->currentWidget(), m_window->canvas(MainWindow::FilmMode));
    // Leaving the program in full screen hands the canvas back before the window goes.
    key(Qt::Key_F11);
    QVERIFY(m_window->isFullScreenShown());
}

void RoomTest::rotateWindowTurnsAndMirrors()
{
    ImageButton *rotate = button("ICON_ROTATE");
    QSignalSpy hold(rotate, &ImageButton::hold);
    QTest::mousePress(rotate, Qt::LeftButton);
    QVERIFY(hold.wait(5000));
    QTest::mouseRelease(rotate, Qt::LeftButton);
    // The long press opened the window and its release did not turn the picture.
    auto *window = qobject_cast<RotateToolWindow *>(m_window->rotateToolWindow());
    QVERIFY(window != nullptr);
    QVERIFY(window->isVisible());
    QCOMPARE(canvas()->rotation(), 0);
    for (ImageButton *b : window->buttons()) {
        QCOMPARE(b->size(), QSize(60, 44));
        QVERIFY(!b->toolTip().isEmpty());
    }
    QTest::mouseClick(window->buttons()[0], Qt::LeftButton);
    QCOMPARE(canvas()->rotation(), 3);
    QTest::mouseClick(window->buttons()[1], Qt::LeftButton);
    QCOMPARE(canvas()->rotation(), 0);
    QTest::mouseClick(window->buttons()[2], Qt::LeftButton);
    QVERIFY(canvas()->isMirroredHorizontally());
    QTest::mouseClick(window->buttons()[3], Qt::LeftButton);
    QVERIFY(canvas()->isMirroredVertically());
    // The window acts on the canvas of the mode that is current.
    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    QTest::mouseClick(window->buttons()[1], Qt::LeftButton);
    QCOMPARE(m_window->canvas(MainWindow::FilmMode)->rotation(), 1);
    QCOMPARE(m_window->canvas(MainWindow::LiveMode)->rotation(), 0);
}

DOCCAM_APP_TEST_MAIN(RoomTest)
#include "tst_room.moc"
