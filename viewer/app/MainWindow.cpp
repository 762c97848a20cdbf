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

#if __has_include("FilmSource.h")
#include "FilmSource.h"
#define DOCCAM_HAVE_FILM_SOURCE 1
#endif
#if __has_include("PhotographSource.h")
#include "PhotographSource.h"
#define DOCCAM_HAVE_PHOTOGRAPH_SOURCE 1
#endif

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

MainWindow::MainWindow(const LiveControlFactory &liveFactory) : printDialog_(&runPrintDialog)
{
    widthLabel = tr("Width");
    lineWidthLabel = tr("Line Width");
    lineColorLabel = tr("Line Color");
    fillColorLabel = tr("Fill Color");

    setMinimumSize(800, 768);
    resize(800, 768);

    stack_ = new QStackedWidget(this);
    mode_ = LiveMode;
    recording_ = false;

    createModeButtons();
    expandButton_ = new ImageButton(QString(), this, 0, 0);
    expandButton_->setObjectName(QStringLiteral("expandButton"));
    connect(expandButton_, &ImageButton::clicked, this, &MainWindow::expand);

    createPanel();

    liveCanvas_ = createCanvas();
    if (liveFactory) {
        live_ = liveFactory(liveCanvas_, this);
    }
    if (live_) {
        live_->setRecordingEndedHandler([this](bool failed) { recordingEnded(failed); });
    }
    applyLiveSettings();
    createRecordingIndicator();

    filmCanvas_ = createCanvas();
#ifdef DOCCAM_HAVE_FILM_SOURCE
    filmSource_ = new FilmSource(filmCanvas_, this);
#endif
    createFilmControls();

    photographCanvas_ = createCanvas();
#ifdef DOCCAM_HAVE_PHOTOGRAPH_SOURCE
    photographSource_ = new PhotographSource(photographCanvas_, this);
#endif
    createPhotographControls();

    // The on-screen displays show the camera's brightness level.
    for (OSDProcessor *osd : std::as_const(osdMap_)) {
        osd->setBrightnessSource(live_.get());
    }

    stack_->setCurrentWidget(liveCanvas_);
    currentCanvas_ = liveCanvas_;

    panelExpanded_ = false;
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
    delete toolWindow_.data();
    if (live_) {
        live_->setRecordingEndedHandler({});
    }
    if (recording_ && live_) {
        live_->stopRecord();
    }
    for (OSDProcessor *osd : std::as_const(osdMap_)) {
        osd->setBrightnessSource(nullptr);
    }
    live_.reset();
#ifdef DOCCAM_HAVE_FILM_SOURCE
    delete filmSource_;
#endif
#ifdef DOCCAM_HAVE_PHOTOGRAPH_SOURCE
    delete photographSource_;
#endif
    osdMap_.clear();
}

void MainWindow::createModeButtons()
{
    const QFont font(QStringLiteral("Arial"), 11);
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    const std::array<std::pair<ImageButton **, QString>, 3> buttons{{
        {&liveButton_, tr("Live")},
        {&filmButton_, tr("Film")},
        {&photographButton_, tr("Photograph")},
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
    liveButton_->setChecked(true);
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
    panel_->addButton(button);
    return button;
}

void MainWindow::createPanel()
{
    panel_ = new Panel(this);
    panel_->setObjectName(QStringLiteral("panel"));
    auto *tools = new QButtonGroup(this);
    tools->setExclusive(true);

    panel_->addGroup(tr("Noting"));
    lineButton_ = addToolButton(QStringLiteral("ICON_LINE"), tr("Line"), &MainWindow::line,
                                &MainWindow::lineHold, tools);
    rectangleButton_ = addToolButton(QStringLiteral("ICON_RETANGLE"), tr("Rectangle"),
                                     &MainWindow::rectangle, &MainWindow::rectangleHold, tools);
    freehandButton_ = addToolButton(QStringLiteral("ICON_FREEHAND"), tr("Freehand"),
                                    &MainWindow::freehand, &MainWindow::freehandHold, tools);
    circleButton_ = addToolButton(QStringLiteral("ICON_CIRCLE"), tr("Circle"), &MainWindow::circle,
                                  &MainWindow::circleHold, tools);
    arrowButton_ = addToolButton(QStringLiteral("ICON_ARROW"), tr("Arrow"), &MainWindow::arrow,
                                 &MainWindow::arrowHold, tools);
    triangleButton_ = addToolButton(QStringLiteral("ICON_TRIANGLE"), tr("Triangle"),
                                    &MainWindow::triangle, &MainWindow::triangleHold, tools);
    eraserButton_ = addToolButton(QStringLiteral("ICON_ERASE"), tr("Eraser"), &MainWindow::erase,
                                  &MainWindow::eraseHold, tools);
    textButton_ = addToolButton(QStringLiteral("ICON_TEXT"), tr("Text"), &MainWindow::text,
                                &MainWindow::textHold, tools);
    eraseAllButton_ =
        addToolButton(QStringLiteral("ICON_ERASE_ALL"), tr("Erase all"), &MainWindow::eraseAll);
    clipButton_ = addToolButton(QStringLiteral("ICON_COPY"), tr("Clip image"), &MainWindow::clip,
                                nullptr, tools);
    handButton_ =
        addToolButton(QStringLiteral("ICON_HAND"), tr("Hand"), &MainWindow::hand, nullptr, tools);
    handButton_->setChecked(true);

    panel_->addGroup(tr("Assisting"));
    maskButton_ = addToolButton(QStringLiteral("ICON_MASK_CIRCLE"), tr("Mask"), &MainWindow::mask,
                                &MainWindow::maskHold);
    maskButton_->setCheckable(true);
    effectButton_ = addToolButton(QStringLiteral("ICON_EFFECT_COLOR"), tr("Effect"), nullptr,
                                  &MainWindow::effectHold);
    savedMask_ = 1;

    panel_->addGroup(tr("Adjustment"));
    zoomOutButton_ =
        addToolButton(QStringLiteral("ICON_ZOOM_OUT"), tr("Zoom out"), &MainWindow::zoomOut);
    zoomInButton_ =
        addToolButton(QStringLiteral("ICON_ZOOM_IN"), tr("Zoom in"), &MainWindow::zoomIn);
    zoomResetButton_ =
        addToolButton(QStringLiteral("ICON_ZOOM_RESET"), tr("Reset zoom"), &MainWindow::zoomReset);
    autoFocusButton_ =
        addToolButton(QStringLiteral("ICON_AUTOFOCUS"), tr("Auto focus"), &MainWindow::autoFocus);
    brightnessDownButton_ = addToolButton(QStringLiteral("ICON_BRIGHTNESS_REDUCE"),
                                          tr("Brightness down"), &MainWindow::brightnessDown);
    brightnessUpButton_ = addToolButton(QStringLiteral("ICON_BRIGHTNESS_INCREASE"),
                                        tr("Brightness up"), &MainWindow::brightnessUp);
    rotateButton_ = addToolButton(QStringLiteral("ICON_ROTATE"), tr("Rotate"), &MainWindow::rotate,
                                  &MainWindow::rotateHold);
    connect(rotateButton_, &QAbstractButton::pressed, this, [this] { rotateHeld_ = false; });
    freezeButton_ = addToolButton(QStringLiteral("ICON_FREEZE"), tr("Freeze"), &MainWindow::freeze);
    freezeButton_->setCheckable(true);

    panel_->addGroup(tr("Recording"));
    recordButton_ =
        addToolButton(QStringLiteral("ICON_RECORDING"), tr("Record video"), &MainWindow::record);
    recordButton_->setCheckable(true);
    snapshotButton_ =
        addToolButton(QStringLiteral("ICON_CAPTURE"), tr("Take snapshot"), &MainWindow::snapshot);
    settingsButton_ =
        addToolButton(QStringLiteral("ICON_SETTING"), tr("Settings"), &MainWindow::settings);
    printButton_ = addToolButton(QStringLiteral("ICON_PRINT"), tr("Print"), &MainWindow::print);

    panel_->addStretch();
}

ImageCanvas *MainWindow::createCanvas()
{
    auto *canvas = new ImageCanvas(this);
    stack_->addWidget(canvas);
    auto *osd = new OSDProcessor(this, canvas);
    osdMap_.insert(canvas, osd);
    canvas->setOSDProcessor(osd);
    connect(canvas, &ImageCanvas::handDoubleClicked, this, &MainWindow::toggleFullScreen);
    return canvas;
}

void MainWindow::createRecordingIndicator()
{
    recordingIndicator_ = new QWidget(this);
    recordingIndicator_->setObjectName(QStringLiteral("recordingIndicator"));
    recordingIndicator_->setFixedSize(recordingIndicatorSize);
    indicatorRecordButton_ =
        new ImageButton(QStringLiteral("ICON_LIVE_RECORDING"), recordingIndicator_, 20, 5);
    indicatorRecordButton_->setObjectName(QStringLiteral("indicatorRecordButton"));
    indicatorRecordButton_->setCheckable(true);
    connect(indicatorRecordButton_, &ImageButton::clicked, this, &MainWindow::record);
}

ImageCanvas *MainWindow::canvas(int mode) const
{
    switch (mode) {
    case LiveMode:
        return liveCanvas_;
    case FilmMode:
        return filmCanvas_;
    case PhotographMode:
        return photographCanvas_;
    default:
        return nullptr;
    }
}

OSDProcessor *MainWindow::currentOsd() const
{
    return osdMap_.value(currentCanvas_);
}

void MainWindow::setPrintDialogRunner(PrintDialogRunner runner)
{
    printDialog_ = std::move(runner);
}

// ---------------------------------------------------------------------------------------------
// Layout, panel and modes

void MainWindow::updateLayout()
{
    if (stack_ == nullptr || recordingIndicator_ == nullptr) {
        return; // still under construction
    }
    const int w = width();
    const int h = height();
    const int side = panelExpanded_ ? panelSpace : 0;
    const int content = w - side;

    expandButton_->move(4, 50);
    liveButton_->move(side + 40, 5);
    filmButton_->move(side + 135, 5);
    photographButton_->move(side + 231, 5);
    stack_->setGeometry(side + 36, 25, content - 55, h - 100);
    panel_->setGeometry(panelPosition.x(), panelPosition.y(), panel_->width(), h - 100);
    recordingIndicator_->setGeometry(side + (content - recordingIndicator_->width()) / 2, h - 60,
                                     recordingIndicator_->width(), recordingIndicator_->height());
    layoutFilmControls(w, h, side, content);
    layoutPhotographControls(w, h, side, content);
}

void MainWindow::layoutFilmControls(int, int height, int side, int content)
{
    if (filmBar_ == nullptr) {
        return; // still under construction
    }
    filmBar_->move(side + (content - filmBar_->width()) / 2, height - 60);
    volumeSlider_->move(filmBar_->x() + filmBar_->width(),
                        filmBar_->y() + filmBar_->height() - volumeSlider_->height());
    filmPositionSlider_->setGeometry(stack_->x(), stack_->y() + stack_->height(),
                                     stack_->width() + 2, 10);
}

void MainWindow::layoutPhotographControls(int width, int height, int side, int content)
{
    if (thumbnailStrip_ == nullptr) {
        return; // still under construction
    }
    photographBar_->move(side + (content - photographBar_->width()) / 2, height - 60);
    const int barEnd = photographBar_->x() + photographBar_->width();
    intervalSlider_->move(barEnd + 10, height - 50);
    photographCounter_->setGeometry(width - 70, height - 60, 70, 30);
    intervalScaleLabel_->move(barEnd + 12, height - 30);
    thumbnailStrip_->setGeometry(0, stack_->height() - stripHeight - 7, stack_->width(),
                                 stripHeight);
    photographScrollBar_->setGeometry(stack_->x(), stack_->y() + stack_->height(),
                                      stack_->width() + 2, 10);
}

void MainWindow::expand()
{
    panelExpanded_ = !panelExpanded_;
    setExpanded(panelExpanded_);
    if (panelExpanded_) {
        resize(width() + panelSpace, height());
        if (isVisible()) {
            move(x() - panelSpace, y());
        }
        expandButton_->setIconName(QStringLiteral("BUTTON_SIDE_CLOSE"));
        panel_->move(panelPosition);
        panel_->show();
    } else {
        resize(width() - panelSpace, height());
        if (isVisible()) {
            move(x() + panelSpace, y());
        }
        expandButton_->setIconName(QStringLiteral("BUTTON_SIDE_OPEN"));
        panel_->hide();
        closeToolWindow();
    }
}

void MainWindow::switchMode()
{
    int newMode = PhotographMode;
    if (liveButton_->isChecked()) {
        newMode = LiveMode;
    } else if (filmButton_->isChecked()) {
        newMode = FilmMode;
    }
    // The canvas shown over the screen goes home before another one becomes current.
    leaveFullScreen();
    currentCanvas_ = canvas(newMode);
    stack_->setCurrentWidget(currentCanvas_);
    if (newMode == mode_) {
        return;
    }

    leaveMode(mode_);
    enterMode(newMode);
    mode_ = newMode;

    const bool live = mode_ == LiveMode;
    for (ImageButton *button : {autoFocusButton_, brightnessDownButton_, brightnessUpButton_,
                                freezeButton_, recordButton_, snapshotButton_, settingsButton_}) {
        button->setEnabled(live);
    }
    panel_->updateButtons();
    emit modeChanged();
}

void MainWindow::leaveMode(int mode)
{
    switch (mode) {
    case LiveMode:
        // The camera keeps running: a recording or snapshot series goes on in the background.
        recordingIndicator_->hide();
        break;
    case FilmMode:
        leaveFilm();
#ifdef DOCCAM_HAVE_FILM_SOURCE
        filmSource_->deactivate();
#endif
        break;
    case PhotographMode:
        leavePhotograph();
#ifdef DOCCAM_HAVE_PHOTOGRAPH_SOURCE
        photographSource_->pauseCapture();
#endif
        break;
    default:
        break;
    }
}

void MainWindow::enterMode(int mode)
{
    switch (mode) {
    case LiveMode:
        if (live_) {
            live_->activate();
        }
        recordingIndicator_->show();
        recordingIndicator_->raise();
        break;
    case FilmMode:
        enterFilm();
#ifdef DOCCAM_HAVE_FILM_SOURCE
        filmSource_->activate();
#endif
        break;
    case PhotographMode:
        enterPhotograph();
#ifdef DOCCAM_HAVE_PHOTOGRAPH_SOURCE
        if (photographFolderOpen_) {
            photographSource_->resumeCapture();
        } else {
            // Until a folder shows, Photograph mode opens the snapshot folder, where the
            // presenter's own pictures are (never the folder the program was started from).
            const QString snapshots = Config::snapshotPath();
            photographFolderOpen_ =
                folderExists(snapshots) && photographSource_->openDirectory(QDir(snapshots));
            if (!photographFolderOpen_) {
                qCDebug(lcApp) << "no photographs in the snapshot folder" << snapshots;
            }
            photographCanvas_->startRefresh();
        }
        // The rescan ends a slideshow; the button says so.
        photographSlideshowButton_->setChecked(photographSource_->isPlaying());
#endif
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Tool windows

void MainWindow::showToolWindow(ToolWindow *window)
{
    toolWindow_ = window;
    window->show();
}

void MainWindow::closeToolWindow()
{
    delete toolWindow_.data();
    toolWindow_ = nullptr;
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
        if (key.isEmpty() || shortcutKeys_.contains(key)) {
            continue;
        }
        shortcutKeys_.append(key);
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
    addButtonShortcut({K(Qt::Key_L)}, lineButton_);
    addButtonShortcut({K(Qt::Key_Q)}, rectangleButton_);
    addButtonShortcut({K(Qt::Key_P)}, freehandButton_);
    addButtonShortcut({K(Qt::Key_C)}, circleButton_);
    addButtonShortcut({K(Qt::Key_A)}, arrowButton_);
    addButtonShortcut({K(Qt::Key_G)}, triangleButton_);
    addButtonShortcut({K(Qt::Key_E)}, eraserButton_);
    addButtonShortcut({K(Qt::Key_T)}, textButton_);
    addButtonShortcut({K(K::Delete)}, eraseAllButton_);
    addButtonShortcut({K(K::Copy)}, clipButton_);
    addButtonShortcut({K(Qt::Key_H)}, handButton_);
    addShortcut(
        {K(Qt::Key_M)}, [this] { cycleMask(); }, maskButton_);
    addShortcut(
        {K(Qt::Key_X)}, [this] { cycleEffect(); }, effectButton_);
    addButtonShortcut({K(K::ZoomOut), K(Qt::Key_Minus)}, zoomOutButton_);
    addButtonShortcut({K(K::ZoomIn), K(Qt::Key_Plus), K(Qt::Key_Equal)}, zoomInButton_);
    addButtonShortcut({K(Qt::Key_0)}, zoomResetButton_);
    for (int step = 1; step <= ImageCanvas::maxZoom; ++step) {
        addShortcut({K(Qt::Key_0 + step)}, [this, step] { zoomToStep(step); });
    }
    addButtonShortcut({K(Qt::Key_O)}, autoFocusButton_);
    addButtonShortcut({K(Qt::Key_BracketLeft)}, brightnessDownButton_);
    addButtonShortcut({K(Qt::Key_BracketRight)}, brightnessUpButton_);
    addButtonShortcut({K(Qt::Key_R)}, rotateButton_);
    addShortcut({K(Qt::SHIFT | Qt::Key_R)}, [this] { rotateLeft(); });
    addShortcut({K(Qt::Key_I)}, [this] { mirrorLeftRight(); });
    addShortcut({K(Qt::SHIFT | Qt::Key_I)}, [this] { mirrorTopBottom(); });
    addButtonShortcut({K(Qt::Key_F)}, freezeButton_);
    addButtonShortcut({K(Qt::Key_V)}, recordButton_);
    addButtonShortcut({K(Qt::Key_S)}, snapshotButton_);
    addButtonShortcut({K(Qt::CTRL | Qt::Key_Comma)}, settingsButton_);
    addButtonShortcut({K(K::Print), K(Qt::CTRL | Qt::Key_P)}, printButton_);
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
        {liveCanvas_, tr("Live mode: the camera's picture")},
        {filmCanvas_, tr("Film mode: the film being played")},
        {photographCanvas_, tr("Photograph mode: the photograph shown")},
    }};
    for (const auto &[canvas, description] : canvases) {
        canvas->setAccessibleName(tr("Picture"));
        canvas->setAccessibleDescription(description);
    }
}

void MainWindow::undo()
{
    currentCanvas_->undo();
}

void MainWindow::redo()
{
    currentCanvas_->redo();
}

void MainWindow::rotateHold()
{
    rotateHeld_ = true;
    closeToolWindow();
    showToolWindow(new RotateToolWindow(rotateButton_, this));
}

ToolWindow *MainWindow::rotateToolWindow() const
{
    return qobject_cast<RotateToolWindow *>(toolWindow_.data());
}

void MainWindow::rotateLeft()
{
    currentCanvas_->rotateLeft();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showRotate();
    }
}

void MainWindow::mirrorLeftRight()
{
    currentCanvas_->mirrorLeftRight();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showRotate();
    }
}

void MainWindow::mirrorTopBottom()
{
    currentCanvas_->mirrorTopBottom();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showRotate();
    }
}

void MainWindow::zoomToStep(int step)
{
    const double before = currentCanvas_->zoom();
    currentCanvas_->setZoomStep(step);
    if (OSDProcessor *osd = currentOsd()) {
        currentCanvas_->zoom() < before ? osd->showZoomOut() : osd->showZoomIn();
    }
}

void MainWindow::cycleEffect()
{
    const int effect = (currentCanvas_->effect() + 1) % ColorEffects::effectCount;
    currentCanvas_->setEffect(effect);
    effectButton_->setIconName(QStringLiteral("ICON_EFFECT_") + ColorEffects::effectKey(effect));
    showEffectIndicator();
}

void MainWindow::cycleMask()
{
    // No mask, then each shape in turn; the mask button shows the shape and is on with it.
    const int shape = (currentCanvas_->mask() + 1) % ColorEffects::maskCount;
    currentCanvas_->setMask(shape);
    if (shape != ColorEffects::MaskNone) {
        savedMask_ = shape;
        maskButton_->setIconName(QStringLiteral("ICON_MASK_") + ColorEffects::maskKey(shape));
    }
    maskButton_->setChecked(shape != ColorEffects::MaskNone);
    showMaskIndicator();
}

QWidget *MainWindow::fullScreenWindow() const
{
    return fullScreen_;
}

void MainWindow::toggleFullScreen()
{
    if (fullScreen_ != nullptr) {
        leaveFullScreen();
    } else {
        enterFullScreen();
    }
}

void MainWindow::enterFullScreen()
{
    if (fullScreen_ != nullptr || currentCanvas_ == nullptr) {
        return;
    }
    // The canvas leaves the stack for a window of its own over the screen that holds this
    // window; this window keeps its size, position and panel as they are.
    fullScreenIndex_ = stack_->indexOf(currentCanvas_);
    stack_->removeWidget(currentCanvas_);
    fullScreen_ = new FullScreenView(this);
    connect(fullScreen_, &FullScreenView::closeRequested, this, &MainWindow::leaveFullScreen,
            Qt::QueuedConnection);
    fullScreen_->show(currentCanvas_, screen());
}

void MainWindow::leaveFullScreen()
{
    if (fullScreen_ == nullptr) {
        return;
    }
    FullScreenView *view = fullScreen_;
    fullScreen_ = nullptr;
    if (QWidget *canvas = view->takeContent()) {
        stack_->insertWidget(fullScreenIndex_, canvas);
        stack_->setCurrentWidget(currentCanvas_);
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
    currentCanvas_->setBlanked(!currentCanvas_->isBlanked());
}

void MainWindow::clickerBack()
{
    switch (mode_) {
    case PhotographMode:
        photographPreviousButton_->click();
        break;
    case FilmMode:
        filmPauseButton_->click();
        break;
    default:
        freezeButton_->click();
        break;
    }
}

void MainWindow::clickerForward()
{
    switch (mode_) {
    case PhotographMode:
        photographNextButton_->click();
        break;
    case FilmMode:
        filmPlayButton_->click();
        break;
    default:
        freezeButton_->click();
        break;
    }
}

void MainWindow::clickerStart()
{
    switch (mode_) {
    case PhotographMode:
        photographSlideshowButton_->click();
        break;
    case FilmMode:
#ifdef DOCCAM_HAVE_FILM_SOURCE
        (filmSource_->isPlaying() ? filmPauseButton_ : filmPlayButton_)->click();
#endif
        break;
    default:
        freezeButton_->click();
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Annotation tools

void MainWindow::selectTool(int code, QWidget *button)
{
    currentCanvas_->setTool(code);
    if (toolWindow_ && toolWindow_->ownerButton() != button) {
        closeToolWindow();
    }
}

void MainWindow::openColorWindow(int code, ImageButton *button, const QString &title,
                                 const QString &width, const QString &color, const QString &fill)
{
    currentCanvas_->setTool(code);
    closeToolWindow();
    showToolWindow(new ColorToolWindow(button, this, title, width, color, fill));
}

void MainWindow::line()
{
    selectTool(ImageCanvas::ToolLine, lineButton_);
}
void MainWindow::rectangle()
{
    selectTool(ImageCanvas::ToolRectangle, rectangleButton_);
}
void MainWindow::freehand()
{
    selectTool(ImageCanvas::ToolFreehand, freehandButton_);
}
void MainWindow::circle()
{
    selectTool(ImageCanvas::ToolCircle, circleButton_);
}
void MainWindow::arrow()
{
    selectTool(ImageCanvas::ToolArrow, arrowButton_);
}
void MainWindow::triangle()
{
    selectTool(ImageCanvas::ToolTriangle, triangleButton_);
}
void MainWindow::erase()
{
    selectTool(ImageCanvas::ToolEraser, eraserButton_);
}
void MainWindow::text()
{
    selectTool(ImageCanvas::ToolText, textButton_);
}

void MainWindow::lineHold()
{
    openColorWindow(ImageCanvas::ToolLine, lineButton_, tr("Line"), lineWidthLabel, lineColorLabel,
                    QString());
}

void MainWindow::rectangleHold()
{
    openColorWindow(ImageCanvas::ToolRectangle, rectangleButton_, tr("Rectangle"), lineWidthLabel,
                    lineColorLabel, fillColorLabel);
}

void MainWindow::freehandHold()
{
    openColorWindow(ImageCanvas::ToolFreehand, freehandButton_, tr("Freehand"), lineWidthLabel,
                    lineColorLabel, QString());
}

void MainWindow::circleHold()
{
    openColorWindow(ImageCanvas::ToolCircle, circleButton_, tr("Circle"), lineWidthLabel,
                    lineColorLabel, fillColorLabel);
}

void MainWindow::arrowHold()
{
    openColorWindow(ImageCanvas::ToolArrow, arrowButton_, tr("Arrow"), lineWidthLabel,
                    lineColorLabel, fillColorLabel);
}

void MainWindow::triangleHold()
{
    openColorWindow(ImageCanvas::ToolTriangle, triangleButton_, tr("Triangle"), lineWidthLabel,
                    lineColorLabel, fillColorLabel);
}

void MainWindow::eraseHold()
{
    openColorWindow(ImageCanvas::ToolEraser, eraserButton_, tr("Eraser"), widthLabel, QString(),
                    QString());
}

void MainWindow::textHold()
{
    currentCanvas_->setTool(ImageCanvas::ToolText);
    closeToolWindow();
    showToolWindow(new TextToolWindow(textButton_, this));
}

void MainWindow::eraseAll()
{
    currentCanvas_->eraseAll();
}

void MainWindow::clip()
{
    closeToolWindow();
    currentCanvas_->setTool(ImageCanvas::ToolClip);
}

void MainWindow::hand()
{
    currentCanvas_->setTool(ImageCanvas::ToolHand);
}

// ---------------------------------------------------------------------------------------------
// Mask and effect

void MainWindow::mask()
{
    if (maskButton_->isChecked()) {
        currentCanvas_->setMask(savedMask_);
        return;
    }
    // Remember the shape being turned off; a canvas without a mask (another mode's canvas that
    // was never masked) leaves the remembered shape as it is.
    if (currentCanvas_->mask() != 0) {
        savedMask_ = currentCanvas_->mask();
    }
    currentCanvas_->setMask(0);
}

void MainWindow::maskHold()
{
    closeToolWindow();
    showToolWindow(new MaskToolWindow(maskButton_, this));
}

void MainWindow::effectHold()
{
    closeToolWindow();
    showToolWindow(new EffectToolWindow(effectButton_, this));
}

// ---------------------------------------------------------------------------------------------
// View and camera commands

void MainWindow::zoomIn()
{
    currentCanvas_->zoomIn();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showZoomIn();
    }
}

void MainWindow::zoomOut()
{
    currentCanvas_->zoomOut();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showZoomOut();
    }
}

void MainWindow::zoomReset()
{
    currentCanvas_->zoomReset();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showZoomIn();
    }
}

void MainWindow::autoFocus()
{
    if (live_) {
        live_->autoFocus();
    }
    if (OSDProcessor *osd = currentOsd()) {
        osd->showAutoFocus();
    }
}

void MainWindow::brightnessDown()
{
    if (live_) {
        live_->brightnessDown();
    }
    if (OSDProcessor *osd = currentOsd()) {
        osd->showBrightness();
    }
}

void MainWindow::brightnessUp()
{
    if (live_) {
        live_->brightnessUp();
    }
    if (OSDProcessor *osd = currentOsd()) {
        osd->showBrightness();
    }
}

void MainWindow::rotate()
{
    // The release that ends a long press (which opened the rotate window) turns nothing.
    if (rotateHeld_) {
        rotateHeld_ = false;
        return;
    }
    currentCanvas_->rotate();
    if (OSDProcessor *osd = currentOsd()) {
        osd->showRotate();
    }
}

void MainWindow::freeze()
{
    currentCanvas_->setFrozen(freezeButton_->isChecked());
    if (OSDProcessor *osd = currentOsd()) {
        osd->showFreeze();
    }
}

// The stored camera choice and presentation switch go to the live source at start and after
// the settings window's "OK".
void MainWindow::applyLiveSettings()
{
    if (!live_) {
        return;
    }
    live_->setPreferredCamera(Config::camera());
    live_->setPresentationEnabled(Config::publishPresentation());
}

void MainWindow::settings()
{
    closeToolWindow();
    auto *window = new SettingsToolWindow(settingsButton_, this);
    connect(window, &SettingsToolWindow::settingsSaved, this, &MainWindow::applyLiveSettings);
    showToolWindow(window);
}

// ---------------------------------------------------------------------------------------------
// Capture commands

void MainWindow::showFolderError()
{
    // Window-modal and not waited for: the box closes itself and never holds up the program.
    if (folderErrorBox_) {
        folderErrorBox_->raise();
        return;
    }
    auto *box =
        new QMessageBox(QMessageBox::Critical, QStringLiteral("ERROR"),
                        QStringLiteral("Please select a folder first."), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("folderErrorBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    folderErrorBox_ = box;
    box->open();
}

void MainWindow::snapshot()
{
    const QString path = Config::snapshotPath();
    if (!folderExists(path)) {
        showFolderError();
        return;
    }
    currentCanvas_->setSnapshotFolder(path);
    if (Config::snapshotMode() == 1) {
        if (!snapshotButton_->isCheckable()) {
            snapshotButton_->setCheckable(true);
            snapshotButton_->setChecked(true);
        }
        currentCanvas_->setSnapshotContinuous(true);
        if (snapshotButton_->isChecked()) {
            currentCanvas_->setSnapshotInterval(Config::snapshotInterval());
            currentCanvas_->setSnapshotStopAfter(ImageCanvas::neverStop);
            currentCanvas_->startSnapshot();
        } else {
            currentCanvas_->stopSnapshot();
        }
        return;
    }
    currentCanvas_->setSnapshotContinuous(false);
    currentCanvas_->stopSnapshot();
    currentCanvas_->startSnapshot();
    snapshotButton_->setCheckable(false);
    // The folder went between the check and the arming: no picture will come.
    if (!currentCanvas_->isSnapshotArmed()) {
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
        button = recordButton_;
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
            recording_ = true;
            if (OSDProcessor *osd = currentOsd()) {
                osd->startRecordingClock();
            }
            // Last: a source that fails at once reports it through recordingEnded().
            if (live_) {
                live_->startRecord(path);
            }
        }
    } else {
        if (live_) {
            live_->stopRecord();
        }
        recording_ = false;
        if (OSDProcessor *osd = currentOsd()) {
            osd->stopRecordingClock();
        }
    }
    recordButton_->setChecked(recording_);
    indicatorRecordButton_->setChecked(recording_);
}

void MainWindow::recordingEnded(bool failed)
{
    if (!recording_) {
        return;
    }
    qCDebug(lcApp) << "recording ended without a stop command, failed:" << failed;
    recording_ = false;
    recordButton_->setChecked(false);
    indicatorRecordButton_->setChecked(false);
    // The clock runs on the live canvas, where the recording was started; the notice goes
    // where the presenter looks.
    OSDProcessor *liveOsd = osdMap_.value(liveCanvas_);
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
    const QImage image = currentCanvas_->currentImage();
    QPrinter printer(QPrinter::ScreenResolution);
    choosePageOrientation(printer, image.size());
    if (!printDialog_ || !printDialog_(printer, this)) {
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
    filmFileChooser_ = std::move(chooser);
}

void MainWindow::setPhotographFolderChooser(FolderChooser chooser)
{
    photographFolderChooser_ = std::move(chooser);
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
    filmFileChooser_ = [](QWidget *parent, const QString &folder, const QString &filter) {
        return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
    };

    filmBar_ =
        new ImageWidget(QImage(QStringLiteral(":/icons/Background/FILM_CONTROL_BK.png")), this);
    filmBar_->setObjectName(QStringLiteral("filmBar"));
    filmOpenButton_ =
        addBarButton(filmBar_, QStringLiteral("ICON_FILM_OPEN"), 20, &MainWindow::filmOpenFile);
    filmPlayButton_ =
        addBarButton(filmBar_, QStringLiteral("ICON_FILM_PLAY"), 60, &MainWindow::filmPlay);
    filmPauseButton_ =
        addBarButton(filmBar_, QStringLiteral("ICON_FILM_PAUSE"), 100, &MainWindow::filmPause);
    filmStopButton_ =
        addBarButton(filmBar_, QStringLiteral("ICON_FILM_STOP"), 140, &MainWindow::filmStop);
    filmBackwardButton_ = addBarButton(filmBar_, QStringLiteral("ICON_FILM_BACKWARD"), 180,
                                       &MainWindow::filmBackward);
    filmForwardButton_ =
        addBarButton(filmBar_, QStringLiteral("ICON_FILM_FORWARD"), 220, &MainWindow::filmForward);
    filmVolumeButton_ = addBarButton(filmBar_, QStringLiteral("ICON_FILM_VOLUME"), 260,
                                     &MainWindow::filmVolume, true);
    filmBar_->hide();

    volumeSlider_ = new Slider(Qt::Vertical, this);
    volumeSlider_->setObjectName(QStringLiteral("volumeSlider"));
    volumeSlider_->setFixedSize(QImage(QStringLiteral(":/icons/Background/POP_VOL_BK.png")).size());
    volumeSlider_->setRange(1, 100);
    volumeSlider_->setValue(100);
    connect(volumeSlider_, &QSlider::valueChanged, filmSource_, &FilmSource::setVolume);
    volumeSlider_->hide();

    filmPositionSlider_ = new HorizontalSlider(
        QImage(QStringLiteral(":/icons/Background/FILM_SCROLL_BAR.png")), this);
    filmPositionSlider_->setObjectName(QStringLiteral("filmPositionSlider"));
    filmPositionSlider_->setHandleWidth(22);
    filmPositionSlider_->setRange(0, 100);
    connect(filmPositionSlider_, &HorizontalSlider::valueChanged, filmSource_,
            &FilmSource::setPosition);
    filmPositionSlider_->hide();
    connect(filmSource_, &FilmSource::tick, this, &MainWindow::filmTick);
}

void MainWindow::createPhotographControls()
{
    photographFolderChooser_ = [](QWidget *parent, const QString &folder) {
        return QFileDialog::getExistingDirectory(parent, QString(), folder,
                                                 QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
    };
    photographSource_->setInterval(slideshowInterval(0));
    connect(photographSource_, &PhotographSource::playDone, this, &MainWindow::photographPlayDone);

    photographBar_ =
        new ImageWidget(QImage(QStringLiteral(":/icons/Background/PHOTO_CONTROL_BK.png")), this);
    photographBar_->setObjectName(QStringLiteral("photographBar"));
    photographOpenButton_ = addBarButton(photographBar_, QStringLiteral("ICON_PHOTO_OPEN"), 20,
                                         &MainWindow::photographOpenDirectory);
    photographPreviousButton_ = addBarButton(photographBar_, QStringLiteral("ICON_PHOTO_BACKWARD"),
                                             60, &MainWindow::photographPrevious);
    photographSlideshowButton_ = addBarButton(photographBar_, QStringLiteral("ICON_PHOTO_SLIDE"),
                                              100, &MainWindow::photographPlay, true);
    photographNextButton_ = addBarButton(photographBar_, QStringLiteral("ICON_PHOTO_FORWARD"), 140,
                                         &MainWindow::photographNext);
    photographThumbnailsButton_ =
        addBarButton(photographBar_, QStringLiteral("ICON_PHOTO_THUMBNIL"), 180,
                     &MainWindow::photographPreview, true);
    photographIntervalButton_ = addBarButton(photographBar_, QStringLiteral("ICON_PHOTO_TIME"), 220,
                                             &MainWindow::photographPlayInterval, true);
    photographBar_->hide();

    intervalSlider_ = new Slider(Qt::Horizontal, this);
    intervalSlider_->setObjectName(QStringLiteral("intervalSlider"));
    intervalSlider_->setTickPosition(QSlider::TicksBelow);
    intervalSlider_->setFixedWidth(160);
    intervalSlider_->setPageStep(1);
    intervalSlider_->setRange(0, 5);
    intervalSlider_->setValue(0);
    connect(intervalSlider_, &QSlider::valueChanged, this,
            &MainWindow::photographPlayIntervalChanged);
    intervalSlider_->hide();
    // The spaces line the numbers up with the slider's ticks.
    intervalScaleLabel_ = createLabel(
        "intervalScaleLabel", tr("1        2        5       10      15      30  sec."), Qt::gray);
    intervalScaleLabel_->setFixedSize(200, 10);
    // Small enough for the 10 pixel row, and spaced like the slider's six positions.
    QFont scaleFont(QStringLiteral("Arial"));
    scaleFont.setPixelSize(11);
    intervalScaleLabel_->setFont(scaleFont);

    photographCounter_ = createLabel("photographCounter", QStringLiteral("0/0"), Qt::white);
    photographCounter_->setFont(QFont(QStringLiteral("Arial"), 15));
    connect(photographSource_, &PhotographSource::photographChanged, this,
            &MainWindow::photographIdChange);

    photographScrollBar_ = new HorizontalSlider(
        QImage(QStringLiteral(":/icons/Background/PHOTO_SCROLL_BAR.png")), this);
    photographScrollBar_->setObjectName(QStringLiteral("photographScrollBar"));
    photographScrollBar_->hide();
    thumbnailStrip_ =
        new ThumbnailWidget(photographSource_, photographScrollBar_, photographCanvas_);
    thumbnailStrip_->setObjectName(QStringLiteral("thumbnailStrip"));
    thumbnailStrip_->hide();
}

void MainWindow::leaveFilm()
{
    filmBar_->hide();
    filmVolumeButton_->setChecked(false);
    volumeSlider_->hide();
    filmPositionSlider_->hide();
}

void MainWindow::enterFilm()
{
    filmBar_->show();
    filmBar_->raise();
    filmPositionSlider_->show();
}

void MainWindow::leavePhotograph()
{
    photographBar_->hide();
    photographIntervalButton_->setChecked(false);
    photographThumbnailsButton_->setChecked(false);
    intervalSlider_->hide();
    intervalScaleLabel_->hide();
    thumbnailStrip_->hide();
    photographScrollBar_->hide();
    photographCounter_->hide();
}

void MainWindow::enterPhotograph()
{
    photographBar_->show();
    photographBar_->raise();
    photographCounter_->show();
}

void MainWindow::filmOpenFile()
{
    if (!filmFileChooser_) {
        return;
    }
    const QString path =
        filmFileChooser_(this, Config::recordPath(), tr("AVI Files (*.avi);;WMV Files (*.wmv)"));
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        filmSource_->open(path);
    }
}

void MainWindow::filmPlay()
{
    filmSource_->play();
}

void MainWindow::filmPause()
{
    filmSource_->pause();
}

void MainWindow::filmStop()
{
    filmSource_->stop();
}

void MainWindow::filmBackward()
{
    filmSource_->backward();
}

void MainWindow::filmForward()
{
    filmSource_->forward();
}

void MainWindow::filmVolume()
{
    volumeSlider_->setVisible(filmVolumeButton_->isChecked());
    volumeSlider_->raise();
}

void MainWindow::filmTick()
{
    // Silently: the slider's valueChanged() seeks, and following the film must not seek it.
    filmPositionSlider_->setValueSilently(filmSource_->position());
}

void MainWindow::photographOpenDirectory()
{
    if (!photographFolderChooser_) {
        return;
    }
    const QString folder = photographFolderChooser_(this, Config::snapshotPath());
    if (!folderExists(folder)) {
        return;
    }
    if (photographSource_->openDirectory(QDir(folder))) {
        photographFolderOpen_ = true;
        photographSlideshowButton_->setChecked(false);
    }
}

void MainWindow::photographPrevious()
{
    photographSource_->previous();
    // Paging by hand ends a slideshow; the button says so.
    if (!photographSource_->isPlaying()) {
        photographSlideshowButton_->setChecked(false);
    }
}

void MainWindow::photographNext()
{
    photographSource_->next();
    if (!photographSource_->isPlaying()) {
        photographSlideshowButton_->setChecked(false);
    }
}

void MainWindow::photographPlay()
{
    if (photographSlideshowButton_->isChecked()) {
        photographSource_->play();
    } else {
        photographSource_->stop();
    }
}

void MainWindow::photographPlayDone()
{
    photographSlideshowButton_->setChecked(false);
}

void MainWindow::photographPreview()
{
    const bool shown = photographThumbnailsButton_->isChecked();
    thumbnailStrip_->setVisible(shown);
    photographScrollBar_->setVisible(shown);
}

void MainWindow::photographPlayInterval()
{
    const bool shown = photographIntervalButton_->isChecked();
    intervalSlider_->setVisible(shown);
    intervalScaleLabel_->setVisible(shown);
}

void MainWindow::photographPlayIntervalChanged(int value)
{
    photographSource_->setInterval(slideshowInterval(value));
}

void MainWindow::photographIdChange(int id)
{
    photographCounter_->setText(
        QStringLiteral("%1/%2").arg(id + 1).arg(photographSource_->count()));
}
