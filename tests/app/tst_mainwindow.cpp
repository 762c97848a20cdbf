#include "AppTestMain.h"
#include "ColorToolWindow.h"
#include "EffectToolWindow.h"
#include "FakeLiveControl.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "MainWindow.h"
#include "MaskToolWindow.h"
#include "OSDProcessor.h"
#include "SettingsToolWindow.h"
#include "TextToolWindow.h"
#include "WindowButton.h"

#include <QAccessible>
#include <QPointer>
#include <QSignalSpy>
#include <QStackedWidget>

#include <array>

// The main window driven as a user drives it: mode buttons, the panel's expand button, tool
// buttons with short and long presses.
class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensInLiveModeWithThePanelOpen();
    void modeButtonsSwitchCanvasesWithOneSignalEach();
    void liveOnlyButtonsShowOnlyInLiveMode();
    void layoutFollowsResizesAndThePanel();
    void collapsingANarrowWindowStopsAtTheMinimum();
    void longPressOpensTheStyleWindowAndOtherToolsCloseIt();
    void toolWindowsReplaceEachOther();
    void maskButtonRestoresTheLastShape();
    void viewCommandsActOnTheCurrentCanvas();
    void everyImageButtonHasAName_data();
    void everyImageButtonHasAName();

private:
    ImageButton *button(const char *name) const;
    void longPress(ImageButton *target);

    std::shared_ptr<QStringList> m_live;
    MainWindow *m_window = nullptr;
};

void MainWindowTest::init()
{
    m_live = std::make_shared<QStringList>();
    m_window = new MainWindow(FakeLiveControl::factory(m_live));
}

void MainWindowTest::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

ImageButton *MainWindowTest::button(const char *name) const
{
    return windowButton(m_window, name);
}

// Presses the button until it reports a long press, then releases it over the button.
void MainWindowTest::longPress(ImageButton *target)
{
    QSignalSpy hold(target, &ImageButton::hold);
    QTest::mousePress(target, Qt::LeftButton);
    QVERIFY(hold.wait(5000));
    QCOMPARE(hold.count(), 1);
    QTest::mouseRelease(target, Qt::LeftButton);
}

void MainWindowTest::opensInLiveModeWithThePanelOpen()
{
    QCOMPARE(m_window->size(), QSize(938, 768));
    QCOMPARE(m_window->minimumSize(), QSize(800, 768));
    QCOMPARE(m_window->mode(), int(MainWindow::LiveMode));
    QVERIFY(m_window->isPanelExpanded());
    QVERIFY(button("liveButton")->isChecked());
    QVERIFY(button("ICON_HAND")->isChecked());
    QCOMPARE(m_window->currentCanvas(), m_window->canvas(MainWindow::LiveMode));
    QVERIFY(m_window->openToolWindow() == nullptr);
    // Each canvas has its own on-screen display.
    QVERIFY(m_window->osdProcessor(m_window->canvas(0)) != nullptr);
    QVERIFY(m_window->osdProcessor(m_window->canvas(0)) !=
            m_window->osdProcessor(m_window->canvas(1)));
    QCOMPARE(button("liveButton")->text(), QStringLiteral("Live"));
    QVERIFY(button("ICON_ZOOM_IN")->toolTip().startsWith(QStringLiteral("Zoom in (")));
}

void MainWindowTest::modeButtonsSwitchCanvasesWithOneSignalEach()
{
    m_window->show();
    auto *stack = m_window->findChild<QStackedWidget *>();
    QSignalSpy changed(m_window, &MainWindow::modeChanged);
    QList<ImageCanvas *> currentAtSignal;
    connect(m_window, &MainWindow::modeChanged, this,
            [&] { currentAtSignal << m_window->currentCanvas(); });

    // The current mode's button does nothing.
    QTest::mouseClick(button("liveButton"), Qt::LeftButton);
    QCOMPARE(changed.count(), 0);

    // A tool chosen in Live mode stays checked in Film mode, where the canvas has its own tool.
    QTest::mouseClick(button("ICON_LINE"), Qt::LeftButton);
    QCOMPARE(m_window->canvas(MainWindow::LiveMode)->tool(), int(ImageCanvas::ToolLine));

    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    QCOMPARE(m_window->mode(), int(MainWindow::FilmMode));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(stack->currentWidget(), m_window->canvas(MainWindow::FilmMode));
    QVERIFY(button("ICON_LINE")->isChecked());
    QCOMPARE(m_window->currentCanvas()->tool(), int(ImageCanvas::ToolHand));

    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);

    QTest::mouseClick(button("photographButton"), Qt::LeftButton);
    QCOMPARE(m_window->mode(), int(MainWindow::PhotographMode));
    QVERIFY(!button("filmButton")->isChecked());
    QCOMPARE(changed.count(), 2);

    m_live->clear();
    QTest::mouseClick(button("liveButton"), Qt::LeftButton);
    QCOMPARE(m_window->mode(), int(MainWindow::LiveMode));
    QCOMPARE(changed.count(), 3);
    QCOMPARE(*m_live, QStringList{QStringLiteral("activate")});

    // The signal always comes after the new canvas became current.
    QCOMPARE(currentAtSignal,
             (QList<ImageCanvas *>{m_window->canvas(1), m_window->canvas(2), m_window->canvas(0)}));
}

void MainWindowTest::liveOnlyButtonsShowOnlyInLiveMode()
{
    m_window->show();
    const char *liveOnly[] = {
        "ICON_AUTOFOCUS", "ICON_BRIGHTNESS_REDUCE", "ICON_BRIGHTNESS_INCREASE",
        "ICON_FREEZE",    "ICON_RECORDING",         "ICON_CAPTURE",
        "ICON_SETTING"};
    auto *indicator = m_window->findChild<QWidget *>(QStringLiteral("recordingIndicator"));
    QVERIFY(indicator->isVisible());

    for (const char *mode : {"filmButton", "photographButton"}) {
        QTest::mouseClick(button(mode), Qt::LeftButton);
        for (const char *name : liveOnly) {
            QVERIFY2(!button(name)->isEnabled() && !button(name)->isVisible(), name);
        }
        QVERIFY(button("ICON_PRINT")->isVisible());
        QVERIFY(button("ICON_ZOOM_IN")->isVisible());
        QVERIFY(!indicator->isVisible());
    }
    QTest::mouseClick(button("liveButton"), Qt::LeftButton);
    for (const char *name : liveOnly) {
        QVERIFY2(button(name)->isEnabled() && button(name)->isVisible(), name);
    }
    QVERIFY(indicator->isVisible());
}

void MainWindowTest::layoutFollowsResizesAndThePanel()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_window->move(300, 100);
    auto *stack = m_window->findChild<QStackedWidget *>();
    auto *panel = m_window->findChild<QWidget *>(QStringLiteral("panel"));
    auto *indicator = m_window->findChild<QWidget *>(QStringLiteral("recordingIndicator"));

    // Opened: 938 x 768, the panel beside the picture.
    QCOMPARE(button("expandButton")->pos(), QPoint(4, 50));
    QCOMPARE(button("liveButton")->pos(), QPoint(178, 5));
    QCOMPARE(button("filmButton")->pos(), QPoint(273, 5));
    QCOMPARE(button("photographButton")->pos(), QPoint(369, 5));
    QCOMPARE(stack->geometry(), QRect(174, 25, 745, 668));
    QCOMPARE(panel->geometry(), QRect(40, 30, panel->width(), 668));
    QVERIFY(panel->isVisible());
    QCOMPARE(indicator->geometry(), QRect(508, 708, 60, 37));

    m_window->resize(1200, 900);
    QCOMPARE(stack->geometry(), QRect(174, 25, 1007, 800));
    QCOMPARE(panel->height(), 800);
    QCOMPARE(indicator->pos(), QPoint(138 + (1062 - 60) / 2, 840));

    // Collapsing gives the panel's room back and keeps the picture where it was.
    QTest::mouseClick(button("expandButton"), Qt::LeftButton);
    QVERIFY(!m_window->isPanelExpanded());
    QCOMPARE(m_window->size(), QSize(1062, 900));
    QCOMPARE(m_window->pos(), QPoint(438, 100));
    QVERIFY(!panel->isVisible());
    QCOMPARE(button("liveButton")->pos(), QPoint(40, 5));
    QCOMPARE(stack->geometry(), QRect(36, 25, 1007, 800));
    QCOMPARE(indicator->pos(), QPoint((1062 - 60) / 2, 840));

    QTest::mouseClick(button("expandButton"), Qt::LeftButton);
    QVERIFY(m_window->isPanelExpanded());
    QCOMPARE(m_window->size(), QSize(1200, 900));
    QCOMPARE(m_window->pos(), QPoint(300, 100));
    QCOMPARE(stack->geometry(), QRect(174, 25, 1007, 800));
    QVERIFY(panel->isVisible());
}

void MainWindowTest::collapsingANarrowWindowStopsAtTheMinimum()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_window->move(300, 100);
    m_window->resize(850, 768);
    QTest::mouseClick(button("expandButton"), Qt::LeftButton);
    QCOMPARE(m_window->size(), QSize(800, 768));
    QCOMPARE(m_window->pos(), QPoint(438, 100));
    auto *stack = m_window->findChild<QStackedWidget *>();
    QCOMPARE(stack->geometry(), QRect(36, 25, 745, 668));
}

void MainWindowTest::longPressOpensTheStyleWindowAndOtherToolsCloseIt()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    ImageButton *line = button("ICON_LINE");

    longPress(line);
    QPointer<ToolWindow> style = m_window->openToolWindow();
    QVERIFY(qobject_cast<ColorToolWindow *>(style) != nullptr);
    QCOMPARE(style->ownerButton(), line);
    QVERIFY(style->isVisible());
    QCOMPARE(m_window->currentCanvas()->tool(), int(ImageCanvas::ToolLine));
    QVERIFY(line->isChecked());
    // Beside its owner button, 3 pixels to the right.
    QCOMPARE(style->pos(), line->mapToGlobal(QPoint(line->width() + 3, 0)));

    // Another tool closes it.
    QTest::mouseClick(button("ICON_RETANGLE"), Qt::LeftButton);
    QVERIFY(style.isNull());
    QCOMPARE(m_window->currentCanvas()->tool(), int(ImageCanvas::ToolRectangle));

    // The text tool has its own style window; the hand keeps it, the clip tool closes it.
    longPress(button("ICON_TEXT"));
    style = m_window->openToolWindow();
    QVERIFY(qobject_cast<TextToolWindow *>(style) != nullptr);
    QCOMPARE(m_window->currentCanvas()->tool(), int(ImageCanvas::ToolText));
    QTest::mouseClick(button("ICON_HAND"), Qt::LeftButton);
    QVERIFY(!style.isNull());
    QCOMPARE(m_window->currentCanvas()->tool(), int(ImageCanvas::ToolHand));
    QTest::mouseClick(button("ICON_COPY"), Qt::LeftButton);
    QVERIFY(style.isNull());
    QCOMPARE(m_window->currentCanvas()->tool(), int(ImageCanvas::ToolClip));

    // A style window stays open across a mode switch; collapsing the panel closes it.
    longPress(button("ICON_ERASE"));
    style = m_window->openToolWindow();
    QVERIFY(qobject_cast<ColorToolWindow *>(style) != nullptr);
    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    QVERIFY(!style.isNull());
    QTest::mouseClick(button("expandButton"), Qt::LeftButton);
    QVERIFY(style.isNull());
    QVERIFY(m_window->openToolWindow() == nullptr);
}

void MainWindowTest::toolWindowsReplaceEachOther()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    longPress(button("ICON_EFFECT_COLOR"));
    QPointer<ToolWindow> first = m_window->openToolWindow();
    QVERIFY(qobject_cast<EffectToolWindow *>(first) != nullptr);

    longPress(button("ICON_MASK_CIRCLE"));
    QVERIFY(first.isNull());
    QPointer<ToolWindow> second = m_window->openToolWindow();
    QVERIFY(qobject_cast<MaskToolWindow *>(second) != nullptr);

    QTest::mouseClick(button("ICON_SETTING"), Qt::LeftButton);
    QVERIFY(second.isNull());
    QVERIFY(qobject_cast<SettingsToolWindow *>(m_window->openToolWindow()) != nullptr);
    QCOMPARE(m_window->openToolWindow()->ownerButton(), button("ICON_SETTING"));
    QCOMPARE(m_window->findChildren<ToolWindow *>().size(), 1);
}

void MainWindowTest::maskButtonRestoresTheLastShape()
{
    ImageButton *mask = button("ICON_MASK_CIRCLE");
    ImageCanvas *canvas = m_window->currentCanvas();

    // The first time on: the circle.
    QTest::mouseClick(mask, Qt::LeftButton);
    QVERIFY(mask->isChecked());
    QCOMPARE(canvas->mask(), 1);

    // A shape picked meanwhile (the mask window writes the canvas) is the one restored.
    canvas->setMask(3);
    QTest::mouseClick(mask, Qt::LeftButton);
    QCOMPARE(canvas->mask(), 0);
    QTest::mouseClick(mask, Qt::LeftButton);
    QCOMPARE(canvas->mask(), 3);

    // Turning off on a canvas without a mask does not forget the shape.
    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    QVERIFY(mask->isChecked());
    QCOMPARE(m_window->currentCanvas()->mask(), 0);
    QTest::mouseClick(mask, Qt::LeftButton);
    QTest::mouseClick(mask, Qt::LeftButton);
    QCOMPARE(m_window->currentCanvas()->mask(), 3);
}

void MainWindowTest::viewCommandsActOnTheCurrentCanvas()
{
    QTest::mouseClick(button("filmButton"), Qt::LeftButton);
    ImageCanvas *film = m_window->currentCanvas();
    ImageCanvas *liveCanvas = m_window->canvas(MainWindow::LiveMode);
    QTest::mouseClick(button("ICON_ZOOM_IN"), Qt::LeftButton);
    QTest::mouseClick(button("ICON_ZOOM_IN"), Qt::LeftButton);
    QCOMPARE(film->zoom(), 3.0);
    QTest::mouseClick(button("ICON_ZOOM_OUT"), Qt::LeftButton);
    QCOMPARE(film->zoom(), 2.0);
    QTest::mouseClick(button("ICON_ROTATE"), Qt::LeftButton);
    QCOMPARE(film->rotation(), 1);
    QCOMPARE(liveCanvas->zoom(), 1.0);
    QCOMPARE(liveCanvas->rotation(), 0);

    QTest::mouseClick(button("liveButton"), Qt::LeftButton);
    QTest::mouseClick(button("ICON_FREEZE"), Qt::LeftButton);
    QVERIFY(liveCanvas->isFrozen());
    QVERIFY(!film->isFrozen());
    QTest::mouseClick(button("ICON_FREEZE"), Qt::LeftButton);
    QVERIFY(!liveCanvas->isFrozen());

    // Camera commands go to the live source.
    m_live->clear();
    QTest::mouseClick(button("ICON_AUTOFOCUS"), Qt::LeftButton);
    QTest::mouseClick(button("ICON_BRIGHTNESS_INCREASE"), Qt::LeftButton);
    QTest::mouseClick(button("ICON_BRIGHTNESS_REDUCE"), Qt::LeftButton);
    QCOMPARE(*m_live, (QStringList{QStringLiteral("autoFocus"), QStringLiteral("brightnessUp"),
                                   QStringLiteral("brightnessDown")}));
    // The brightness indicator shows the camera's level.
    QCOMPARE(m_window->osdProcessor(liveCanvas)->brightnessLevel(), 8);
}

void MainWindowTest::everyImageButtonHasAName_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("collapsed");
    // The slot that opens a tool window first, or empty.
    QTest::addColumn<QByteArray>("opens");
    QTest::newRow("live") << int(MainWindow::LiveMode) << false << QByteArray();
    QTest::newRow("live, panel closed") << int(MainWindow::LiveMode) << true << QByteArray();
    QTest::newRow("film") << int(MainWindow::FilmMode) << false << QByteArray();
    QTest::newRow("photograph, panel closed")
        << int(MainWindow::PhotographMode) << true << QByteArray();
    for (const char *hold : {"rectangleHold", "textHold", "maskHold", "effectHold", "rotateHold"}) {
        QTest::newRow(hold) << int(MainWindow::LiveMode) << false << QByteArray(hold);
    }
}

// A screen reader names every image button of the window: the frame's, the panel's, the mode
// buttons, the expand button, the recording indicator's and those of the film and photograph
// bars, whichever mode is shown.
void MainWindowTest::everyImageButtonHasAName()
{
    QFETCH(int, mode);
    QFETCH(bool, collapsed);
    QFETCH(QByteArray, opens);
    const std::array<const char *, 3> modeButtons{"liveButton", "filmButton", "photographButton"};
    button(modeButtons[std::size_t(mode)])->click();
    if (collapsed) {
        button("expandButton")->click();
    }
    QCOMPARE(m_window->mode(), mode);
    QList<ImageButton *> buttons = m_window->findChildren<ImageButton *>();
    QVERIFY(buttons.size() >= 47);
    if (!opens.isEmpty()) {
        QVERIFY(QMetaObject::invokeMethod(m_window, opens.constData()));
        QWidget *tool = m_window->openToolWindow();
        QVERIFY(tool != nullptr);
        // The window's choices and its close button.
        const QList<ImageButton *> choices = tool->findChildren<ImageButton *>();
        QVERIFY(choices.size() >= 5);
        buttons = choices;
    }
    QStringList unnamed;
    for (ImageButton *b : buttons) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(b);
        if (face == nullptr || face->text(QAccessible::Name).trimmed().isEmpty()) {
            unnamed.append(b->objectName().isEmpty() ? QStringLiteral("(no object name)")
                                                     : b->objectName());
        }
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

DOCCAM_APP_TEST_MAIN(MainWindowTest)

#include "tst_mainwindow.moc"
