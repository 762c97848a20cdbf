#include "MainWindow.h"

#include "AppLog.h"
#include "CaptureFileName.h"
#include "ColorEffects.h"
#include "ColorToolWindow.h"
#include "EffectToolWindow.h"
#include "FullScreenView.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "LiveControl.h"
#include "MaskToolWindow.h"
#include "OSDProcessor.h"
#include "Panel.h"
#include "RotateToolWindow.h"
#include "SettingsToolWindow.h"
#include "TextToolWindow.h"

#include "FilmSource.h"
#include "PhotographSource.h"

#include "HorizontalSlider.h"
#include "ImageWidget.h"
#include "Slider.h"
#include "ThumbnailWidget.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QShortcut>
#include <QStackedWidget>

#include <algorithm>

namespace {
// How far the window grows when the tool panel opens.
constexpr int panelSpace = 138;
constexpr QPoint panelPosition(40, 30);
constexpr QSize recordingIndicatorSize(60, 37);
// Height of the thumbnail strip along the bottom of the photograph canvas.
constexpr int stripHeight = 60;

// Labels of the style windows' rows, translated once the translator is installed.
QString widthLabel;
QString lineWidthLabel;
QString lineColorLabel;
QString fillColorLabel;

bool folderExists(const QString &path)
{
    // An empty path would name the working directory; it is no folder the user chose.
    return !path.isEmpty() && QDir(path).exists();
}

bool runPrintDialog(QPrinter &printer, QWidget *parent)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}
} // namespace

MainWindow::MainWindow() : MainWindow(&LiveControl::create) {}

MainWindow::MainWindow(const LiveControlFactory &liveFactory) : m_printDialog(&runPrintDialog)
{
    widthLabel = tr("Width");
    lineWidthLabel = tr("Line Width");
    lineColorLabel = tr("Line Color");
    fillColorLabel = tr("Fill Color");

    setMinimumSize(800, 768);
    resize(800, 768);

    m_stack = new QStackedWidget(this);
    m_mode = LiveMode;
    m_recording = false;

    createModeButtons();
    m_expandButton = new ImageButton(QString(), this, 0, 0);
    m_expandButton->setObjectName(QStringLiteral("expandButton"));
    connect(m_expandButton, &ImageButton::clicked, this, &MainWindow::expand);

    createPanel();

    m_liveCanvas = createCanvas();
    if (liveFactory) {
        m_live = liveFactory(m_liveCanvas, this);
    }
    if (m_live) {
        m_live->setRecordingEndedHandler([this](bool failed) { recordingEnded(failed); });
    }
    applyLiveSettings();
    createRecordingIndicator();

    m_filmCanvas = createCanvas();
    m_filmSource = new FilmSource(m_filmCanvas, this);
    createFilmControls();

    m_photographCanvas = createCanvas();
    m_photographSource = new PhotographSource(m_photographCanvas, this);
    createPhotographControls();

    // The on-screen displays show the camera's brightness level.
    for (OSDProcessor *osd : std::as_const(m_osdMap)) {
        osd->setBrightnessSource(m_live.get());
    }

    m_stack->setCurrentWidget(m_liveCanvas);
    m_currentCanvas = m_liveCanvas;

    m_panelExpanded = false;
    expand();
    updateLayout();
    createShortcuts();
    describeCanvases();
}

MainWindow::~MainWindow()
{
    // The canvas shown over the screen goes back into the stack, which owns it.
    leaveFullScreen();
    // The tool window watches this window and its owner button; it goes before either.
    delete m_toolWindow.data();
    if (m_live) {
        m_live->setRecordingEndedHandler({});
    }
    if (m_recording && m_live) {
        m_live->stopRecord();
    }
    for (OSDProcessor *osd : std::as_const(m_osdMap)) {
        osd->setBrightnessSource(nullptr);
    }
    m_live.reset();
    delete m_filmSource;
    delete m_photographSource;
    m_osdMap.clear();
}

void MainWindow::createModeButtons()
{
    const QFont font(QStringLiteral("Arial"), 11);
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    const std::array<std::pair<ImageButton **, QString>, 3> buttons{{
        {&m_liveButton, tr("Live")},
        {&m_filmButton, tr("Film")},
        {&m_photographButton, tr("Photograph")},
    }};
    const std::array<const char *, 3> names{"liveButton", "filmButton", "photographButton"};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        auto *button = new ImageButton(QStringLiteral("MAIN_BUTTON"), this, 0, 0);
        button->setObjectName(QLatin1String(names[i]));
        button->setFont(font);
        button->setTextColor(Qt::white);
        button->setText(buttons[i].second);
        button->setCheckable(true);
        connect(button, &ImageButton::clicked, this, &MainWindow::switchMode);
        group->addButton(button);
        *buttons[i].first = button;
    }
    m_liveButton->setChecked(true);
}

ImageButton *MainWindow::addToolButton(const QString &icon, const QString &toolTip, Slot clicked,
                                       Slot hold, QButtonGroup *group)
{
    auto *button = new ImageButton(icon, toolTip, 0, 0);
    button->setObjectName(icon);
    if (clicked != nullptr) {
        connect(button, &ImageButton::clicked, this, clicked);
    }
    if (hold != nullptr) {
        connect(button, &ImageButton::hold, this, hold);
    }
    if (group != nullptr) {
        button->setCheckable(true);
        group->addButton(button);
    }
    m_panel->addButton(button);
    return button;
}

void MainWindow::createPanel()
{
    m_panel = new Panel(this);
    m_panel->setObjectName(QStringLiteral("panel"));
    auto *tools = new QButtonGroup(this);
    tools->setExclusive(true);

    m_panel->addGroup(tr("Noting"));
    m_lineButton = addToolButton(QStringLiteral("ICON_LINE"), tr("Line"), &MainWindow::line,
                                 &MainWindow::lineHold, tools);
    m_rectangleButton = addToolButton(QStringLiteral("ICON_RETANGLE"), tr("Rectangle"),
                                      &MainWindow::rectangle, &MainWindow::rectangleHold, tools);
    m_freehandButton = addToolButton(QStringLiteral("ICON_FREEHAND"), tr("Freehand"),
                                     &MainWindow::freehand, &MainWindow::freehandHold, tools);
    m_circleButton = addToolButton(QStringLiteral("ICON_CIRCLE"), tr("Circle"), &MainWindow::circle,
                                   &MainWindow::circleHold, tools);
    m_arrowButton = addToolButton(QStringLiteral("ICON_ARROW"), tr("Arrow"), &MainWindow::arrow,
                                  &MainWindow::arrowHold, tools);
    m_triangleButton = addToolButton(QStringLiteral("ICON_TRIANGLE"), tr("Triangle"),
                                     &MainWindow::triangle, &MainWindow::triangleHold, tools);
    m_eraserButton = addToolButton(QStringLiteral("ICON_ERASE"), tr("Eraser"), &MainWindow::erase,
                                   &MainWindow::eraseHold, tools);
    m_textButton = addToolButton(QStringLiteral("ICON_TEXT"), tr("Text"), &MainWindow::text,
                                 &MainWindow::textHold, tools);
    m_eraseAllButton =
        addToolButton(QStringLiteral("ICON_ERASE_ALL"), tr("Erase all"), &MainWindow::eraseAll);
    m_clipButton = addToolButton(QStringLiteral("ICON_COPY"), tr("Clip image"), &MainWindow::clip,
                                 nullptr, tools);
    m_handButton =
        addToolButton(QStringLiteral("ICON_HAND"), tr("Hand"), &MainWindow::hand, nullptr, tools);
    m_handButton->setChecked(true);

    m_panel->addGroup(tr("Assisting"));
    m_maskButton = addToolButton(QStringLiteral("ICON_MASK_CIRCLE"), tr("Mask"), &MainWindow::mask,
                                 &MainWindow::maskHold);
    m_maskButton->setCheckable(true);
    m_effectButton = addToolButton(QStringLiteral("ICON_EFFECT_COLOR"), tr("Effect"), nullptr,
                                   &MainWindow::effectHold);
    m_savedMask = 1;

    m_panel->addGroup(tr("Adjustment"));
    m_zoomOutButton =
        addToolButton(QStringLiteral("ICON_ZOOM_OUT"), tr("Zoom out"), &MainWindow::zoomOut);
    m_zoomInButton =
        addToolButton(QStringLiteral("ICON_ZOOM_IN"), tr("Zoom in"), &MainWindow::zoomIn);
    m_zoomResetButton =
        addToolButton(QStringLiteral("ICON_ZOOM_RESET"), tr("Reset zoom"), &MainWindow::zoomReset);
    m_autoFocusButton =
        addToolButton(QStringLiteral("ICON_AUTOFOCUS"), tr("Auto focus"), &MainWindow::autoFocus);
    m_brightnessDownButton = addToolButton(QStringLiteral("ICON_BRIGHTNESS_REDUCE"),
                                           tr("Brightness down"), &MainWindow::brightnessDown);
    m_brightnessUpButton = addToolButton(QStringLiteral("ICON_BRIGHTNESS_INCREASE"),
                                         tr("Brightness up"), &MainWindow::brightnessUp);
    m_rotateButton = addToolButton(QStringLiteral("ICON_ROTATE"), tr("Rotate"), &MainWindow::rotate,
                                   &MainWindow::rotateHold);
    connect(m_rotateButton, &QAbstractButton::pressed, this, [this] { m_rotateHeld = false; });
    m_freezeButton =
        addToolButton(QStringLiteral("ICON_FREEZE"), tr("Freeze"), &MainWindow::freeze);
    m_freezeButton->setCheckable(true);

    m_panel->addGroup(tr("Recording"));
    m_recordButton =
        addToolButton(QStringLiteral("ICON_RECORDING"), tr("Record video"), &MainWindow::record);
    m_recordButton->setCheckable(true);
    m_snapshotButton =
        addToolButton(QStringLiteral("ICON_CAPTURE"), tr("Take snapshot"), &MainWindow::snapshot);
    m_settingsButton =
        addToolButton(QStringLiteral("ICON_SETTING"), tr("Settings"), &MainWindow::settings);
    m_printButton = addToolButton(QStringLiteral("ICON_PRINT"), tr("Print"), &MainWindow::print);

    m_panel->addStretch();
}

ImageCanvas *MainWindow::createCanvas()
{
    auto *canvas = new ImageCanvas(this);
    m_stack->addWidget(canvas);
    auto *osd = new OSDProcessor(this, canvas);
    m_osdMap.insert(canvas, osd);
    canvas->setOSDProcessor(osd);
    connect(canvas, &ImageCanvas::handDoubleClicked, this, &MainWindow::toggleFullScreen);
    return canvas;
}

void MainWindow::createRecordingIndicator()
{
    m_recordingIndicator = new QWidget(this);
    m_recordingIndicator->setObjectName(QStringLiteral("recordingIndicator"));
    m_recordingIndicator->setFixedSize(recordingIndicatorSize);
    m_indicatorRecordButton =
        new ImageButton(QStringLiteral("ICON_LIVE_RECORDING"), m_recordingIndicator, 20, 5);
    m_indicatorRecordButton->setObjectName(QStringLiteral("indicatorRecordButton"));
    m_indicatorRecordButton->setCheckable(true);
    connect(m_indicatorRecordButton, &ImageButton::clicked, this, &MainWindow::record);
}

ImageCanvas *MainWindow::canvas(int mode) const
{
    switch (mode) {
    case LiveMode:
        return m_liveCanvas;
    case FilmMode:
        return m_filmCanvas;
    case PhotographMode:
        return m_photographCanvas;
    default:
        return nullptr;
    }
}

OSDProcessor *MainWindow::currentOsd() const
{
    return m_osdMap.value(m_currentCanvas);
}

void MainWindow::setPrintDialogRunner(PrintDialogRunner runner)
{
    m_printDialog = std::move(runner);
}

// ---------------------------------------------------------------------------------------------
// Layout, panel and modes

void MainWindow::updateLayout()
{
    if (m_stack == nullptr || m_recordingIndicator == nullptr) {
        return; // still under construction
    }
    const int w = width();
    const int h = height();
    const int side = m_panelExpanded ? panelSpace : 0;
    const int content = w - side;

    m_expandButton->move(4, 50);
    m_liveButton->move(side + 40, 5);
    m_filmButton->move(side + 135, 5);
    m_photographButton->move(side + 231, 5);
    m_stack->setGeometry(side + 36, 25, content - 55, h - 100);
    m_panel->setGeometry(panelPosition.x(), panelPosition.y(), m_panel->width(), h - 100);
    m_recordingIndicator->setGeometry(side + (content - m_recordingIndicator->width()) / 2, h - 60,
                                      m_recordingIndicator->width(),
                                      m_recordingIndicator->height());
    layoutFilmControls(w, h, side, content);
    layoutPhotographControls(w, h, side, content);
}

void MainWindow::layoutFilmControls(int, int height, int side, int content)
{
    if (m_filmBar == nullptr) {
        return; // still under construction
    }
    m_filmBar->move(side + (content - m_filmBar->width()) / 2, height - 60);
    m_volumeSlider->move(m_filmBar->x() + m_filmBar->width(),
                         m_filmBar->y() + m_filmBar->height() - m_volumeSlider->height());
    m_filmPositionSlider->setGeometry(m_stack->x(), m_stack->y() + m_stack->height(),
                                      m_stack->width() + 2, 10);
}

void MainWindow::layoutPhotographControls(int width, int height, int side, int content)
{
    if (m_thumbnailStrip == nullptr) {
        return; // still under construction
    }
    m_photographBar->move(side + (content - m_photographBar->width()) / 2, height - 60);
    const int barEnd = m_photographBar->x() + m_photographBar->width();
    m_intervalSlider->move(barEnd + 10, height - 50);
    m_photographCounter->setGeometry(width - 70, height - 60, 70, 30);
    m_intervalScaleLabel->move(barEnd + 12, height - 30);
    m_thumbnailStrip->setGeometry(0, m_stack->height() - stripHeight - 7, m_stack->width(),
                                  stripHeight);
    m_photographScrollBar->setGeometry(m_stack->x(), m_stack->y() + m_stack->height(),
                                       m_stack->width() + 2, 10);
}

void MainWindow::expand()
{
    m_panelExpanded = !m_panelExpanded;
    setExpanded(m_panelExpanded);
    if (m_panelExpanded) {
        resize(width() + panelSpace, height());
        if (isVisible()) {
            move(x() - panelSpace, y());
        }
        m_expandButton->setIconName(QStringLiteral("BUTTON_SIDE_CLOSE"));
        m_panel->move(panelPosition);
        m_panel->show();
    } else {
        resize(width() - panelSpace, height());
        if (isVisible()) {
            move(x() + panelSpace, y());
        }
        m_expandButton->setIconName(QStringLiteral("BUTTON_SIDE_OPEN"));
        m_panel->hide();
        closeToolWindow();
    }
}

void MainWindow::switchMode()
{
    int newMode = PhotographMode;
    if (m_liveButton->isChecked()) {
        newMode = LiveMode;
    } else if (m_filmButton->isChecked()) {
        newMode = FilmMode;
    }
    // The canvas shown over the screen goes home before another one becomes current.
    leaveFullScreen();
    m_currentCanvas = canvas(newMode);
    m_stack->setCurrentWidget(m_currentCanvas);
    if (newMode == m_mode) {
        return;
    }

    leaveMode(m_mode);
    enterMode(newMode);
    m_mode = newMode;

    const bool live = m_mode == LiveMode;
    for (ImageButton *button :
         {m_autoFocusButton, m_brightnessDownButton, m_brightnessUpButton, m_freezeButton,
          m_recordButton, m_snapshotButton, m_settingsButton}) {
        button->setEnabled(live);
    }
    m_panel->updateButtons();
    emit modeChanged();
}

void MainWindow::leaveMode(int mode)
{
    switch (mode) {
    case LiveMode:
        // The camera keeps running: a recording or snapshot series goes on in the background.
        m_recordingIndicator->hide();
        break;
    case FilmMode:
        leaveFilm();
        m_filmSource->deactivate();
        break;
    case PhotographMode:
        leavePhotograph();
        m_photographSource->pauseCapture();
        break;
    default:
        break;
    }
}

void MainWindow::enterMode(int mode)
{
    switch (mode) {
    case LiveMode:
        if (m_live) {
            m_live->activate();
        }
        m_recordingIndicator->show();
        m_recordingIndicator->raise();
        break;
    case FilmMode:
        enterFilm();
        m_filmSource->activate();
        break;
    case PhotographMode:
        enterPhotograph();
        if (m_photographFolderOpen) {
            m_photographSource->resumeCapture();
        } else {
            // Until a folder shows, Photograph mode opens the snapshot folder, where the
            // presenter's own pictures are (never the folder the program was started from).
            const QString snapshots = Config::snapshotPath();
            m_photographFolderOpen =
                folderExists(snapshots) && m_photographSource->openDirectory(QDir(snapshots));
            if (!m_photographFolderOpen) {
                qCDebug(lcApp) << "no photographs in the snapshot folder" << snapshots;
            }
            m_photographCanvas->startRefresh();
        }
        // The rescan ends a slideshow; the button says so.
        m_photographSlideshowButton->setChecked(m_photographSource->isPlaying());
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Tool windows

void MainWindow::showToolWindow(ToolWindow *window)
{
    m_toolWindow = window;
    window->show();
}

void MainWindow::closeToolWindow()
{
    delete m_toolWindow.data();
    m_toolWindow = nullptr;
}

void MainWindow::showEffectIndicator()
{
    if (OSDProcessor *osd = currentOsd()) {
        osd->showEffectIndicator();
    }
}

void MainWindow::showMaskIndicator()
{
    if (OSDProcessor *osd = currentOsd()) {
        osd->showMaskIndicator();
    }
}

// ---------------------------------------------------------------------------------------------
// Keyboard, clicker, full screen

void MainWindow::addShortcut(const QList<QKeySequence> &keys, const std::function<void()> &action,
                             ImageButton *shownOn)
{
    QKeySequence shown;
    for (const QKeySequence &key : keys) {
        // A key given twice would make both shortcuts ambiguous, and neither would fire.
        if (key.isEmpty() || m_shortcutKeys.contains(key)) {
            continue;
        }
        m_shortcutKeys.append(key);
        if (shown.isEmpty()) {
            shown = key;
        }
        auto *shortcut = new QShortcut(key, this);
        // Also while the canvas is shown over the screen in its own window.
        shortcut->setContext(Qt::ApplicationShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    }
    if (shownOn != nullptr && !shown.isEmpty()) {
        shownOn->setToolTip(QStringLiteral("%1 (%2)").arg(
            shownOn->toolTip(), shown.toString(QKeySequence::NativeText)));
    }
}

void MainWindow::addButtonShortcut(const QList<QKeySequence> &keys, ImageButton *button)
{
    addShortcut(
        keys,
        [button] {
            // A disabled button (outside Live mode) ignores the click as it ignores the pointer.
            if (button->isEnabled()) {
                button->click();
            }
        },
        button);
}

void MainWindow::createShortcuts()
{
    using K = QKeySequence;
    addButtonShortcut({K(Qt::Key_L)}, m_lineButton);
    addButtonShortcut({K(Qt::Key_Q)}, m_rectangleButton);
    addButtonShortcut({K(Qt::Key_P)}, m_freehandButton);
    addButtonShortcut({K(Qt::Key_C)}, m_circleButton);
    addButtonShortcut({K(Qt::Key_A)}, m_arrowButton);
    addButtonShortcut({K(Qt::Key_G)}, m_triangleButton);
    addButtonShortcut({K(Qt::Key_E)}, m_eraserButton);
    addButtonShortcut({K(Qt::Key_T)}, m_textButton);
    addButtonShortcut({K(K::Delete)}, m_eraseAllButton);
    addButtonShortcut({K(K::Copy)}, m_clipButton);
    addButtonShortcut({K(Qt::Key_H)}, m_handButton);
    addShortcut(
        {K(Qt::Key_M)}, [this] { cycleMask(); }, m_maskButton);
    addShortcut(
        {K(Qt::Key_X)}, [this] { cycleEffect(); }, m_effectButton);
    addButtonShortcut({K(K::ZoomOut), K(Qt::Key_Minus)}, m_zoomOutButton);
    addButtonShortcut({K(K::ZoomIn), K(Qt::Key_Plus), K(Qt::Key_Equal)}, m_zoomInButton);
    addButtonShortcut({K(Qt::Key_0)}, m_zoomResetButton);
    for (int step = 1; step <= ImageCanvas::maxZoom; ++step) {
        addShortcut({K(Qt::Key_0 + step)}, [this, step] { zoomToStep(step); });
    }
    addButtonShortcut({K(Qt::Key_O)}, m_autoFocusButton);
    addButtonShortcut({K(Qt::Key_BracketLeft)}, m_brightnessDownButton);
    addButtonShortcut({K(Qt::Key_BracketRight)}, m_brightnessUpButton);
    addButtonShortcut({K(Qt::Key_R)}, m_rotateButton);
    addShortcut({K(Qt::SHIFT | Qt::Key_R)}, [this] { rotateLeft(); });
    addShortcut({K(Qt::Key_I)}, [this] { mirrorLeftRight(); });
    addShortcut({K(Qt::SHIFT | Qt::Key_I)}, [this] { mirrorTopBottom(); });
    addButtonShortcut({K(Qt::Key_F)}, m_freezeButton);
    addButtonShortcut({K(Qt::Key_V)}, m_recordButton);
    addButtonShortcut({K(Qt::Key_S)}, m_snapshotButton);
    addButtonShortcut({K(Qt::CTRL | Qt::Key_Comma)}, m_settingsButton);
    addButtonShortcut({K(K::Print), K(Qt::CTRL | Qt::Key_P)}, m_printButton);
    addShortcut({K(K::Undo), K(Qt::CTRL | Qt::Key_Z)}, [this] { undo(); });
    addShortcut({K(K::Redo), K(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), K(Qt::CTRL | Qt::Key_Y)},
                [this] { redo(); });
    addShortcut({K(Qt::Key_F11), K(K::FullScreen)}, [this] { toggleFullScreen(); });
    // A presenter's clicker.
    addShortcut({K(Qt::Key_Escape)}, [this] { leaveFullScreen(); });
    addShortcut({K(Qt::Key_PageUp)}, [this] { clickerBack(); });
    addShortcut({K(Qt::Key_PageDown)}, [this] { clickerForward(); });
    addShortcut({K(Qt::Key_F5), K(Qt::SHIFT | Qt::Key_F5)}, [this] { clickerStart(); });
    addShortcut({K(Qt::Key_B), K(Qt::Key_Period)}, [this] { toggleBlank(); });
}

void MainWindow::describeCanvases()
{
    const std::array<std::pair<ImageCanvas *, QString>, 3> canvases{{
        {m_liveCanvas, tr("Live mode: the camera's picture")},
        {m_filmCanvas, tr("Film mode: the film being played")},
        {m_photographCanvas, tr("Photograph mode: the photograph shown")},
    }};
    for (const auto &[canvas, description] : canvases) {
        canvas->setAccessibleName(tr("Picture"));
        canvas->setAccessibleDescription(description);
    }
}

void MainWindow::undo()
{
    m_currentCanvas->undo();
}

void MainWindow::redo()
{
    m_currentCanvas->redo();
}

void MainWindow::rotateHold()
{
    m_rotateHeld = true;
    closeToolWindow();
    showToolWindow(new RotateToolWindow(m_rotateButton, this));
}

ToolWindow *MainWindow::rotateToolWindow() const
{
    return qobject_cast<RotateToolWindow *>(m_toolWindow.data());
}

void MainWindow::rotateLeft()
{
    m_currentCanvas->rotateLeft();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showRotate();
    }
}

void MainWindow::mirrorLeftRight()
{
    m_currentCanvas->mirrorLeftRight();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showRotate();
    }
}

void MainWindow::mirrorTopBottom()
{
    m_currentCanvas->mirrorTopBottom();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showRotate();
    }
}

void MainWindow::zoomToStep(int step)
{
    const double before = m_currentCanvas->zoom();
    m_currentCanvas->setZoomStep(step);
    if (OSDProcessor *osd = currentOsd()) {
        m_currentCanvas->zoom() < before ? osd->showZoomOut() : osd->showZoomIn();
    }
}

void MainWindow::cycleEffect()
{
    const int effect = (m_currentCanvas->effect() + 1) % ColorEffects::effectCount;
    m_currentCanvas->setEffect(effect);
    m_effectButton->setIconName(QStringLiteral("ICON_EFFECT_") + ColorEffects::effectKey(effect));
    showEffectIndicator();
}

void MainWindow::cycleMask()
{
    // No mask, then each shape in turn; the mask button shows the shape and is on with it.
    const int shape = (m_currentCanvas->mask() + 1) % ColorEffects::maskCount;
    m_currentCanvas->setMask(shape);
    if (shape != ColorEffects::MaskNone) {
        m_savedMask = shape;
        m_maskButton->setIconName(QStringLiteral("ICON_MASK_") + ColorEffects::maskKey(shape));
    }
    m_maskButton->setChecked(shape != ColorEffects::MaskNone);
    showMaskIndicator();
}

QWidget *MainWindow::fullScreenWindow() const
{
    return m_fullScreen;
}

void MainWindow::toggleFullScreen()
{
    if (m_fullScreen != nullptr) {
        leaveFullScreen();
    } else {
        enterFullScreen();
    }
}

void MainWindow::enterFullScreen()
{
    if (m_fullScreen != nullptr || m_currentCanvas == nullptr) {
        return;
    }
    // The canvas leaves the stack for a window of its own over the screen that holds this
    // window; this window keeps its size, position and panel as they are.
    m_fullScreenIndex = m_stack->indexOf(m_currentCanvas);
    m_stack->removeWidget(m_currentCanvas);
    m_fullScreen = new FullScreenView(this);
    connect(m_fullScreen, &FullScreenView::closeRequested, this, &MainWindow::leaveFullScreen,
            Qt::QueuedConnection);
    m_fullScreen->show(m_currentCanvas, screen());
}

void MainWindow::leaveFullScreen()
{
    if (m_fullScreen == nullptr) {
        return;
    }
    FullScreenView *view = m_fullScreen;
    m_fullScreen = nullptr;
    if (QWidget *canvas = view->takeContent()) {
        m_stack->insertWidget(m_fullScreenIndex, canvas);
        m_stack->setCurrentWidget(m_currentCanvas);
    }
    view->hide();
    view->deleteLater();
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

void MainWindow::toggleBlank()
{
    // Only the screen goes black: the canvas goes on composing and writing back, so a
    // recording running meanwhile holds the picture, not a black stretch.
    m_currentCanvas->setBlanked(!m_currentCanvas->isBlanked());
}

void MainWindow::clickerBack()
{
    switch (m_mode) {
    case PhotographMode:
        m_photographPreviousButton->click();
        break;
    case FilmMode:
        m_filmPauseButton->click();
        break;
    default:
        m_freezeButton->click();
        break;
    }
}

void MainWindow::clickerForward()
{
    switch (m_mode) {
    case PhotographMode:
        m_photographNextButton->click();
        break;
    case FilmMode:
        m_filmPlayButton->click();
        break;
    default:
        m_freezeButton->click();
        break;
    }
}

void MainWindow::clickerStart()
{
    switch (m_mode) {
    case PhotographMode:
        m_photographSlideshowButton->click();
        break;
    case FilmMode:
        (m_filmSource->isPlaying() ? m_filmPauseButton : m_filmPlayButton)->click();
        break;
    default:
        m_freezeButton->click();
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Annotation tools

void MainWindow::selectTool(int code, QWidget *button)
{
    m_currentCanvas->setTool(code);
    if (m_toolWindow && m_toolWindow->ownerButton() != button) {
        closeToolWindow();
    }
}

void MainWindow::openColorWindow(int code, ImageButton *button, const QString &title,
                                 const QString &width, const QString &color, const QString &fill)
{
    m_currentCanvas->setTool(code);
    closeToolWindow();
    showToolWindow(new ColorToolWindow(button, this, title, width, color, fill));
}

void MainWindow::line()
{
    selectTool(ImageCanvas::ToolLine, m_lineButton);
}
void MainWindow::rectangle()
{
    selectTool(ImageCanvas::ToolRectangle, m_rectangleButton);
}
void MainWindow::freehand()
{
    selectTool(ImageCanvas::ToolFreehand, m_freehandButton);
}
void MainWindow::circle()
{
    selectTool(ImageCanvas::ToolCircle, m_circleButton);
}
void MainWindow::arrow()
{
    selectTool(ImageCanvas::ToolArrow, m_arrowButton);
}
void MainWindow::triangle()
{
    selectTool(ImageCanvas::ToolTriangle, m_triangleButton);
}
void MainWindow::erase()
{
    selectTool(ImageCanvas::ToolEraser, m_eraserButton);
}
void MainWindow::text()
{
    selectTool(ImageCanvas::ToolText, m_textButton);
}

void MainWindow::lineHold()
{
    openColorWindow(ImageCanvas::ToolLine, m_lineButton, tr("Line"), lineWidthLabel, lineColorLabel,
                    QString());
}

void MainWindow::rectangleHold()
{
    openColorWindow(ImageCanvas::ToolRectangle, m_rectangleButton, tr("Rectangle"), lineWidthLabel,
                    lineColorLabel, fillColorLabel);
}

void MainWindow::freehandHold()
{
    openColorWindow(ImageCanvas::ToolFreehand, m_freehandButton, tr("Freehand"), lineWidthLabel,
                    lineColorLabel, QString());
}

void MainWindow::circleHold()
{
    openColorWindow(ImageCanvas::ToolCircle, m_circleButton, tr("Circle"), lineWidthLabel,
                    lineColorLabel, fillColorLabel);
}

void MainWindow::arrowHold()
{
    openColorWindow(ImageCanvas::ToolArrow, m_arrowButton, tr("Arrow"), lineWidthLabel,
                    lineColorLabel, fillColorLabel);
}

void MainWindow::triangleHold()
{
    openColorWindow(ImageCanvas::ToolTriangle, m_triangleButton, tr("Triangle"), lineWidthLabel,
                    lineColorLabel, fillColorLabel);
}

void MainWindow::eraseHold()
{
    openColorWindow(ImageCanvas::ToolEraser, m_eraserButton, tr("Eraser"), widthLabel, QString(),
                    QString());
}

void MainWindow::textHold()
{
    m_currentCanvas->setTool(ImageCanvas::ToolText);
    closeToolWindow();
    showToolWindow(new TextToolWindow(m_textButton, this));
}

void MainWindow::eraseAll()
{
    m_currentCanvas->eraseAll();
}

void MainWindow::clip()
{
    closeToolWindow();
    m_currentCanvas->setTool(ImageCanvas::ToolClip);
}

void MainWindow::hand()
{
    m_currentCanvas->setTool(ImageCanvas::ToolHand);
}

// ---------------------------------------------------------------------------------------------
// Mask and effect

void MainWindow::mask()
{
    if (m_maskButton->isChecked()) {
        m_currentCanvas->setMask(m_savedMask);
        return;
    }
    // Remember the shape being turned off; a canvas without a mask (another mode's canvas that
    // was never masked) leaves the remembered shape as it is.
    if (m_currentCanvas->mask() != 0) {
        m_savedMask = m_currentCanvas->mask();
    }
    m_currentCanvas->setMask(0);
}

void MainWindow::maskHold()
{
    closeToolWindow();
    showToolWindow(new MaskToolWindow(m_maskButton, this));
}

void MainWindow::effectHold()
{
    closeToolWindow();
    showToolWindow(new EffectToolWindow(m_effectButton, this));
}

// ---------------------------------------------------------------------------------------------
// View and camera commands

void MainWindow::zoomIn()
{
    m_currentCanvas->zoomIn();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showZoomIn();
    }
}

void MainWindow::zoomOut()
{
    m_currentCanvas->zoomOut();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showZoomOut();
    }
}

void MainWindow::zoomReset()
{
    m_currentCanvas->zoomReset();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showZoomIn();
    }
}

void MainWindow::autoFocus()
{
    if (m_live) {
        m_live->autoFocus();
    }
    if (OSDProcessor *osd = currentOsd()) {
        osd->showAutoFocus();
    }
}

void MainWindow::brightnessDown()
{
    if (m_live) {
        m_live->brightnessDown();
    }
    if (OSDProcessor *osd = currentOsd()) {
        osd->showBrightness();
    }
}

void MainWindow::brightnessUp()
{
    if (m_live) {
        m_live->brightnessUp();
    }
    if (OSDProcessor *osd = currentOsd()) {
        osd->showBrightness();
    }
}

void MainWindow::rotate()
{
    // The release that ends a long press (which opened the rotate window) turns nothing.
    if (m_rotateHeld) {
        m_rotateHeld = false;
        return;
    }
    m_currentCanvas->rotate();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showRotate();
    }
}

void MainWindow::freeze()
{
    m_currentCanvas->setFrozen(m_freezeButton->isChecked());
    if (OSDProcessor *osd = currentOsd()) {
        osd->showFreeze();
    }
}

// The stored camera choice and presentation switch go to the live source at start and after
// the settings window's "OK".
void MainWindow::applyLiveSettings()
{
    if (!m_live) {
        return;
    }
    m_live->setPreferredCamera(Config::camera());
    m_live->setPresentationEnabled(Config::publishPresentation());
}

void MainWindow::settings()
{
    closeToolWindow();
    auto *window = new SettingsToolWindow(m_settingsButton, this);
    connect(window, &SettingsToolWindow::settingsSaved, this, &MainWindow::applyLiveSettings);
    showToolWindow(window);
}

// ---------------------------------------------------------------------------------------------
// Capture commands

void MainWindow::showFolderError()
{
    // Window-modal and not waited for: the box closes itself and never holds up the program.
    if (m_folderErrorBox) {
        m_folderErrorBox->raise();
        return;
    }
    auto *box =
        new QMessageBox(QMessageBox::Critical, QStringLiteral("ERROR"),
                        QStringLiteral("Please select a folder first."), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("folderErrorBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    m_folderErrorBox = box;
    box->open();
}

void MainWindow::snapshot()
{
    const QString path = Config::snapshotPath();
    if (!folderExists(path)) {
        showFolderError();
        return;
    }
    m_currentCanvas->setSnapshotFolder(path);
    if (Config::snapshotMode() == 1) {
        if (!m_snapshotButton->isCheckable()) {
            m_snapshotButton->setCheckable(true);
            m_snapshotButton->setChecked(true);
        }
        m_currentCanvas->setSnapshotContinuous(true);
        if (m_snapshotButton->isChecked()) {
            m_currentCanvas->setSnapshotInterval(Config::snapshotInterval());
            m_currentCanvas->setSnapshotStopAfter(ImageCanvas::neverStop);
            m_currentCanvas->startSnapshot();
        } else {
            m_currentCanvas->stopSnapshot();
        }
        return;
    }
    m_currentCanvas->setSnapshotContinuous(false);
    m_currentCanvas->stopSnapshot();
    m_currentCanvas->startSnapshot();
    m_snapshotButton->setCheckable(false);
    // The folder went between the check and the arming: no picture will come.
    if (!m_currentCanvas->isSnapshotArmed()) {
        qCDebug(lcApp) << "snapshot folder" << path << "vanished before the snapshot";
        if (OSDProcessor *osd = currentOsd()) {
            osd->showNotice(ImageCanvas::tr("Snapshot not saved"));
        }
    }
}

void MainWindow::record()
{
    auto *button = qobject_cast<QAbstractButton *>(sender());
    if (button == nullptr) {
        button = m_recordButton;
    }
    const bool on = button->isChecked();
    if (on) {
        const QString folder = Config::recordPath();
        // A recording never replaces an earlier one: a second recording started within the same
        // second is numbered ("_2", "_3", ...) like snapshots are.
        const QString path =
            folderExists(folder)
                ? CaptureFileName::firstFree(
                      QDir(folder),
                      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss")),
                      QStringLiteral(".avi"))
                : QString();
        if (!folderExists(folder)) {
            showFolderError();
            button->setChecked(false);
        } else if (path.isEmpty() || !QFileInfo(folder).isWritable()) {
            qCDebug(lcApp) << "no recording: folder" << folder
                           << (path.isEmpty() ? "has no free file name" : "is not writable");
            button->setChecked(false);
            if (OSDProcessor *osd = currentOsd()) {
                osd->showNotice(tr("Recording failed"));
            }
        } else {
            m_recording = true;
            if (OSDProcessor *osd = currentOsd()) {
                osd->startRecordingClock();
            }
            // Last: a source that fails at once reports it through recordingEnded().
            if (m_live) {
                m_live->startRecord(path);
            }
        }
    } else {
        if (m_live) {
            m_live->stopRecord();
        }
        m_recording = false;
        if (OSDProcessor *osd = currentOsd()) {
            osd->stopRecordingClock();
        }
    }
    m_recordButton->setChecked(m_recording);
    m_indicatorRecordButton->setChecked(m_recording);
}

void MainWindow::recordingEnded(bool failed)
{
    if (!m_recording) {
        return;
    }
    qCDebug(lcApp) << "recording ended without a stop command, failed:" << failed;
    m_recording = false;
    m_recordButton->setChecked(false);
    m_indicatorRecordButton->setChecked(false);
    // The clock runs on the live canvas, where the recording was started; the notice goes
    // where the presenter looks.
    OSDProcessor *liveOsd = m_osdMap.value(m_liveCanvas);
    if (liveOsd != nullptr) {
        liveOsd->stopRecordingClock();
    }
    const QString notice = failed ? tr("Recording failed") : tr("Recording ended");
    if (OSDProcessor *osd = currentOsd()) {
        osd->showNotice(notice);
    }
    if (liveOsd != nullptr && liveOsd != currentOsd()) {
        liveOsd->showNotice(notice);
    }
}

void MainWindow::choosePageOrientation(QPrinter &printer, const QSize &picture)
{
    if (picture.isEmpty()) {
        return;
    }
    // The picture is printed at one pixel per printer unit when it fits and shrunk to the
    // printable area when it does not; the orientation is the one that shrinks it least.
    const auto scaleOn = [&](QPageLayout::Orientation orientation) {
        QPageLayout layout = printer.pageLayout();
        layout.setOrientation(orientation);
        const QSize area = layout.paintRectPixels(printer.resolution()).size();
        return std::min({1.0, double(area.width()) / picture.width(),
                         double(area.height()) / picture.height()});
    };
    const double portrait = scaleOn(QPageLayout::Portrait);
    const double landscape = scaleOn(QPageLayout::Landscape);
    if (landscape > portrait) {
        printer.setPageOrientation(QPageLayout::Landscape);
    } else if (portrait > landscape) {
        printer.setPageOrientation(QPageLayout::Portrait);
    }
}

void MainWindow::print()
{
    const QImage image = m_currentCanvas->currentImage();
    QPrinter printer(QPrinter::ScreenResolution);
    choosePageOrientation(printer, image.size());
    if (!m_printDialog || !m_printDialog(printer, this)) {
        return;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        qCDebug(lcApp) << "printing failed: the printer" << printer.printerName()
                       << "could not start a page";
        if (OSDProcessor *osd = currentOsd()) {
            osd->showNotice(tr("Printing failed"));
        }
        return;
    }
    if (!image.isNull()) {
        // The printable area, in printer units from its top-left corner; the user may have
        // changed the page in the dialog.
        const double scale = std::min({1.0, double(printer.width()) / image.width(),
                                       double(printer.height()) / image.height()});
        painter.setRenderHint(QPainter::SmoothPixmapTransform, scale < 1.0);
        painter.drawImage(QRectF(0, 0, image.width() * scale, image.height() * scale), image);
    }
    painter.end();
}

// ---------------------------------------------------------------------------------------------
// Film and photograph bars

void MainWindow::setFilmFileChooser(FileChooser chooser)
{
    m_filmFileChooser = std::move(chooser);
}

void MainWindow::setPhotographFolderChooser(FolderChooser chooser)
{
    m_photographFolderChooser = std::move(chooser);
}

int MainWindow::slideshowInterval(int position)
{
    static constexpr std::array<int, 6> seconds{1, 2, 5, 10, 15, 30};
    const auto index = std::size_t(std::clamp(position, 0, int(seconds.size()) - 1));
    return 1000 * seconds[index];
}

ImageButton *MainWindow::addBarButton(ImageWidget *bar, const QString &icon, int x, Slot clicked,
                                      bool checkable)
{
    auto *button = new ImageButton(icon, bar, x, 5);
    button->setObjectName(icon);
    button->setCheckable(checkable);
    connect(button, &ImageButton::clicked, this, clicked);
    return button;
}

QLabel *MainWindow::createLabel(const char *name, const QString &text, const QColor &color)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    QPalette palette = label->palette();
    palette.setColor(QPalette::All, QPalette::WindowText, color);
    label->setPalette(palette);
    label->hide();
    return label;
}

void MainWindow::createFilmControls()
{
    m_filmFileChooser = [](QWidget *parent, const QString &folder, const QString &filter) {
        return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
    };

    m_filmBar =
        new ImageWidget(QImage(QStringLiteral(":/icons/Background/FILM_CONTROL_BK.png")), this);
    m_filmBar->setObjectName(QStringLiteral("filmBar"));
    m_filmOpenButton =
        addBarButton(m_filmBar, QStringLiteral("ICON_FILM_OPEN"), 20, &MainWindow::filmOpenFile);
    m_filmPlayButton =
        addBarButton(m_filmBar, QStringLiteral("ICON_FILM_PLAY"), 60, &MainWindow::filmPlay);
    m_filmPauseButton =
        addBarButton(m_filmBar, QStringLiteral("ICON_FILM_PAUSE"), 100, &MainWindow::filmPause);
    m_filmStopButton =
        addBarButton(m_filmBar, QStringLiteral("ICON_FILM_STOP"), 140, &MainWindow::filmStop);
    m_filmBackwardButton = addBarButton(m_filmBar, QStringLiteral("ICON_FILM_BACKWARD"), 180,
                                        &MainWindow::filmBackward);
    m_filmForwardButton =
        addBarButton(m_filmBar, QStringLiteral("ICON_FILM_FORWARD"), 220, &MainWindow::filmForward);
    m_filmVolumeButton = addBarButton(m_filmBar, QStringLiteral("ICON_FILM_VOLUME"), 260,
                                      &MainWindow::filmVolume, true);
    m_filmBar->hide();

    m_volumeSlider = new Slider(Qt::Vertical, this);
    m_volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
    m_volumeSlider->setFixedSize(
        QImage(QStringLiteral(":/icons/Background/POP_VOL_BK.png")).size());
    m_volumeSlider->setRange(1, 100);
    m_volumeSlider->setValue(100);
    connect(m_volumeSlider, &QSlider::valueChanged, m_filmSource, &FilmSource::setVolume);
    m_volumeSlider->hide();

    m_filmPositionSlider = new HorizontalSlider(
        QImage(QStringLiteral(":/icons/Background/FILM_SCROLL_BAR.png")), this);
    m_filmPositionSlider->setObjectName(QStringLiteral("filmPositionSlider"));
    m_filmPositionSlider->setHandleWidth(22);
    m_filmPositionSlider->setRange(0, 100);
    connect(m_filmPositionSlider, &HorizontalSlider::valueChanged, m_filmSource,
            &FilmSource::setPosition);
    m_filmPositionSlider->hide();
    connect(m_filmSource, &FilmSource::tick, this, &MainWindow::filmTick);
}

void MainWindow::createPhotographControls()
{
    m_photographFolderChooser = [](QWidget *parent, const QString &folder) {
        return QFileDialog::getExistingDirectory(parent, QString(), folder,
                                                 QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
    };
    m_photographSource->setInterval(slideshowInterval(0));
    connect(m_photographSource, &PhotographSource::playDone, this, &MainWindow::photographPlayDone);

    m_photographBar =
        new ImageWidget(QImage(QStringLiteral(":/icons/Background/PHOTO_CONTROL_BK.png")), this);
    m_photographBar->setObjectName(QStringLiteral("photographBar"));
    m_photographOpenButton = addBarButton(m_photographBar, QStringLiteral("ICON_PHOTO_OPEN"), 20,
                                          &MainWindow::photographOpenDirectory);
    m_photographPreviousButton =
        addBarButton(m_photographBar, QStringLiteral("ICON_PHOTO_BACKWARD"), 60,
                     &MainWindow::photographPrevious);
    m_photographSlideshowButton = addBarButton(m_photographBar, QStringLiteral("ICON_PHOTO_SLIDE"),
                                               100, &MainWindow::photographPlay, true);
    m_photographNextButton = addBarButton(m_photographBar, QStringLiteral("ICON_PHOTO_FORWARD"),
                                          140, &MainWindow::photographNext);
    m_photographThumbnailsButton =
        addBarButton(m_photographBar, QStringLiteral("ICON_PHOTO_THUMBNIL"), 180,
                     &MainWindow::photographPreview, true);
    m_photographIntervalButton = addBarButton(m_photographBar, QStringLiteral("ICON_PHOTO_TIME"),
                                              220, &MainWindow::photographPlayInterval, true);
    m_photographBar->hide();

    m_intervalSlider = new Slider(Qt::Horizontal, this);
    m_intervalSlider->setObjectName(QStringLiteral("intervalSlider"));
    m_intervalSlider->setTickPosition(QSlider::TicksBelow);
    m_intervalSlider->setFixedWidth(160);
    m_intervalSlider->setPageStep(1);
    m_intervalSlider->setRange(0, 5);
    m_intervalSlider->setValue(0);
    connect(m_intervalSlider, &QSlider::valueChanged, this,
            &MainWindow::photographPlayIntervalChanged);
    m_intervalSlider->hide();
    // The spaces line the numbers up with the slider's ticks.
    m_intervalScaleLabel = createLabel(
        "intervalScaleLabel", tr("1        2        5       10      15      30  sec."), Qt::gray);
    m_intervalScaleLabel->setFixedSize(200, 10);
    // Small enough for the 10 pixel row, and spaced like the slider's six positions.
    QFont scaleFont(QStringLiteral("Arial"));
    scaleFont.setPixelSize(11);
    m_intervalScaleLabel->setFont(scaleFont);

    m_photographCounter = createLabel("photographCounter", QStringLiteral("0/0"), Qt::white);
    m_photographCounter->setFont(QFont(QStringLiteral("Arial"), 15));
    connect(m_photographSource, &PhotographSource::photographChanged, this,
            &MainWindow::photographIdChange);

    m_photographScrollBar = new HorizontalSlider(
        QImage(QStringLiteral(":/icons/Background/PHOTO_SCROLL_BAR.png")), this);
    m_photographScrollBar->setObjectName(QStringLiteral("photographScrollBar"));
    m_photographScrollBar->hide();
    m_thumbnailStrip =
        new ThumbnailWidget(m_photographSource, m_photographScrollBar, m_photographCanvas);
    m_thumbnailStrip->setObjectName(QStringLiteral("thumbnailStrip"));
    m_thumbnailStrip->hide();
}

void MainWindow::leaveFilm()
{
    m_filmBar->hide();
    m_filmVolumeButton->setChecked(false);
    m_volumeSlider->hide();
    m_filmPositionSlider->hide();
}

void MainWindow::enterFilm()
{
    m_filmBar->show();
    m_filmBar->raise();
    m_filmPositionSlider->show();
}

void MainWindow::leavePhotograph()
{
    m_photographBar->hide();
    m_photographIntervalButton->setChecked(false);
    m_photographThumbnailsButton->setChecked(false);
    m_intervalSlider->hide();
    m_intervalScaleLabel->hide();
    m_thumbnailStrip->hide();
    m_photographScrollBar->hide();
    m_photographCounter->hide();
}

void MainWindow::enterPhotograph()
{
    m_photographBar->show();
    m_photographBar->raise();
    m_photographCounter->show();
}

void MainWindow::filmOpenFile()
{
    if (!m_filmFileChooser) {
        return;
    }
    const QString path =
        m_filmFileChooser(this, Config::recordPath(), tr("AVI Files (*.avi);;WMV Files (*.wmv)"));
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        m_filmSource->open(path);
    }
}

void MainWindow::filmPlay()
{
    m_filmSource->play();
}

void MainWindow::filmPause()
{
    m_filmSource->pause();
}

void MainWindow::filmStop()
{
    m_filmSource->stop();
}

void MainWindow::filmBackward()
{
    m_filmSource->backward();
}

void MainWindow::filmForward()
{
    m_filmSource->forward();
}

void MainWindow::filmVolume()
{
    m_volumeSlider->setVisible(m_filmVolumeButton->isChecked());
    m_volumeSlider->raise();
}

void MainWindow::filmTick()
{
    // Silently: the slider's valueChanged() seeks, and following the film must not seek it.
    m_filmPositionSlider->setValueSilently(m_filmSource->position());
}

void MainWindow::photographOpenDirectory()
{
    if (!m_photographFolderChooser) {
        return;
    }
    const QString folder = m_photographFolderChooser(this, Config::snapshotPath());
    if (!folderExists(folder)) {
        return;
    }
    if (m_photographSource->openDirectory(QDir(folder))) {
        m_photographFolderOpen = true;
        m_photographSlideshowButton->setChecked(false);
    }
}

void MainWindow::photographPrevious()
{
    m_photographSource->previous();
    // Paging by hand ends a slideshow; the button says so.
    if (!m_photographSource->isPlaying()) {
        m_photographSlideshowButton->setChecked(false);
    }
}

void MainWindow::photographNext()
{
    m_photographSource->next();
    if (!m_photographSource->isPlaying()) {
        m_photographSlideshowButton->setChecked(false);
    }
}

void MainWindow::photographPlay()
{
    if (m_photographSlideshowButton->isChecked()) {
        m_photographSource->play();
    } else {
        m_photographSource->stop();
    }
}

void MainWindow::photographPlayDone()
{
    m_photographSlideshowButton->setChecked(false);
}

void MainWindow::photographPreview()
{
    const bool shown = m_photographThumbnailsButton->isChecked();
    m_thumbnailStrip->setVisible(shown);
    m_photographScrollBar->setVisible(shown);
}

void MainWindow::photographPlayInterval()
{
    const bool shown = m_photographIntervalButton->isChecked();
    m_intervalSlider->setVisible(shown);
    m_intervalScaleLabel->setVisible(shown);
}

void MainWindow::photographPlayIntervalChanged(int value)
{
    m_photographSource->setInterval(slideshowInterval(value));
}

void MainWindow::photographIdChange(int id)
{
    m_photographCounter->setText(
        QStringLiteral("%1/%2").arg(id + 1).arg(m_photographSource->count()));
}
