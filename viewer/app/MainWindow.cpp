#include "MainWindow.h"

#include "ColorToolWindow.h"
#include "EffectToolWindow.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "LiveControl.h"
#include "MaskToolWindow.h"
#include "OSDProcessor.h"
#include "Panel.h"
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

#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStackedWidget>

namespace {
// How far the window grows when the tool panel opens.
constexpr int panelSpace = 138;
constexpr QPoint panelPosition(40, 30);
constexpr QSize recordingIndicatorSize(60, 37);

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
    if (liveFactory)
        live_ = liveFactory(liveCanvas_, this);
    createRecordingIndicator();

    filmCanvas_ = createCanvas();
#ifdef DOCCAM_HAVE_FILM_SOURCE
    filmSource_ = new FilmSource(filmCanvas_, this);
#endif
    // The film bar, the volume slider and the film position slider join here.

    photographCanvas_ = createCanvas();
#ifdef DOCCAM_HAVE_PHOTOGRAPH_SOURCE
    photographSource_ = new PhotographSource(photographCanvas_, this);
#endif
    // The photograph bar, the interval slider, the labels and the thumbnail strip join here.

    // The on-screen displays show the camera's brightness level.
    for (OSDProcessor *osd : std::as_const(osdMap_))
        osd->setBrightnessSource(live_.get());

    stack_->setCurrentWidget(liveCanvas_);
    currentCanvas_ = liveCanvas_;

    panelExpanded_ = false;
    expand();
    updateLayout();
}

MainWindow::~MainWindow()
{
    // The tool window watches this window and its owner button; it goes before either.
    delete toolWindow_.data();
    if (recording_ && live_)
        live_->stopRecord();
    for (OSDProcessor *osd : std::as_const(osdMap_))
        osd->setBrightnessSource(nullptr);
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
    if (clicked != nullptr)
        connect(button, &ImageButton::clicked, this, clicked);
    if (hold != nullptr)
        connect(button, &ImageButton::hold, this, hold);
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
    rotateButton_ = addToolButton(QStringLiteral("ICON_ROTATE"), tr("Rotate"), &MainWindow::rotate);
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
    if (stack_ == nullptr || recordingIndicator_ == nullptr)
        return; // still under construction
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

void MainWindow::layoutFilmControls(int, int, int, int)
{
    // The film bar, its volume slider and the film position slider are placed here.
}

void MainWindow::layoutPhotographControls(int, int, int, int)
{
    // The photograph bar, interval slider and scale, counter, thumbnail strip and its scroll
    // bar are placed here.
}

void MainWindow::expand()
{
    panelExpanded_ = !panelExpanded_;
    setExpanded(panelExpanded_);
    if (panelExpanded_) {
        resize(width() + panelSpace, height());
        if (isVisible())
            move(x() - panelSpace, y());
        expandButton_->setIconName(QStringLiteral("BUTTON_SIDE_CLOSE"));
        panel_->move(panelPosition);
        panel_->show();
    } else {
        resize(width() - panelSpace, height());
        if (isVisible())
            move(x() + panelSpace, y());
        expandButton_->setIconName(QStringLiteral("BUTTON_SIDE_OPEN"));
        panel_->hide();
        closeToolWindow();
    }
}

void MainWindow::switchMode()
{
    int newMode = PhotographMode;
    if (liveButton_->isChecked())
        newMode = LiveMode;
    else if (filmButton_->isChecked())
        newMode = FilmMode;
    currentCanvas_ = canvas(newMode);
    stack_->setCurrentWidget(currentCanvas_);
    if (newMode == mode_)
        return;

    leaveMode(mode_);
    enterMode(newMode);
    mode_ = newMode;

    const bool live = mode_ == LiveMode;
    for (ImageButton *button : {autoFocusButton_, brightnessDownButton_, brightnessUpButton_,
                                freezeButton_, recordButton_, snapshotButton_, settingsButton_})
        button->setEnabled(live);
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
#ifdef DOCCAM_HAVE_FILM_SOURCE
        filmSource_->deactivate();
#endif
        break;
    case PhotographMode:
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
        if (live_)
            live_->activate();
        recordingIndicator_->show();
        recordingIndicator_->raise();
        break;
    case FilmMode:
#ifdef DOCCAM_HAVE_FILM_SOURCE
        filmSource_->activate();
#endif
        break;
    case PhotographMode:
#ifdef DOCCAM_HAVE_PHOTOGRAPH_SOURCE
        photographSource_->resumeCapture();
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
    if (OSDProcessor *osd = currentOsd())
        osd->showEffectIndicator();
}

void MainWindow::showMaskIndicator()
{
    if (OSDProcessor *osd = currentOsd())
        osd->showMaskIndicator();
}

// ---------------------------------------------------------------------------------------------
// Annotation tools

void MainWindow::selectTool(int code, QWidget *button)
{
    currentCanvas_->setTool(code);
    if (toolWindow_ && toolWindow_->ownerButton() != button)
        closeToolWindow();
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
    if (currentCanvas_->mask() != 0)
        savedMask_ = currentCanvas_->mask();
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
    if (OSDProcessor *osd = currentOsd())
        osd->showZoomIn();
}

void MainWindow::zoomOut()
{
    currentCanvas_->zoomOut();
    if (OSDProcessor *osd = currentOsd())
        osd->showZoomOut();
}

void MainWindow::zoomReset()
{
    currentCanvas_->zoomReset();
    if (OSDProcessor *osd = currentOsd())
        osd->showZoomIn();
}

void MainWindow::autoFocus()
{
    if (live_)
        live_->autoFocus();
    if (OSDProcessor *osd = currentOsd())
        osd->showAutoFocus();
}

void MainWindow::brightnessDown()
{
    if (live_)
        live_->brightnessDown();
    if (OSDProcessor *osd = currentOsd())
        osd->showBrightness();
}

void MainWindow::brightnessUp()
{
    if (live_)
        live_->brightnessUp();
    if (OSDProcessor *osd = currentOsd())
        osd->showBrightness();
}

void MainWindow::rotate()
{
    currentCanvas_->rotate();
    if (OSDProcessor *osd = currentOsd())
        osd->showRotate();
}

void MainWindow::freeze()
{
    currentCanvas_->setFrozen(freezeButton_->isChecked());
    if (OSDProcessor *osd = currentOsd())
        osd->showFreeze();
}

void MainWindow::settings()
{
    closeToolWindow();
    showToolWindow(new SettingsToolWindow(settingsButton_, this));
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
}

void MainWindow::record()
{
    auto *button = qobject_cast<QAbstractButton *>(sender());
    if (button == nullptr)
        button = recordButton_;
    const bool on = button->isChecked();
    if (on) {
        const QString folder = Config::recordPath();
        if (!folderExists(folder)) {
            showFolderError();
            button->setChecked(false);
        } else {
            const QString path = QDir(folder).filePath(
                QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss")) +
                QStringLiteral(".avi"));
            if (QFile::exists(path))
                QFile::remove(path);
            if (live_)
                live_->startRecord(path);
            recording_ = true;
            if (OSDProcessor *osd = currentOsd())
                osd->startRecordingClock();
        }
    } else {
        if (live_)
            live_->stopRecord();
        recording_ = false;
        if (OSDProcessor *osd = currentOsd())
            osd->stopRecordingClock();
    }
    recordButton_->setChecked(button->isChecked());
    indicatorRecordButton_->setChecked(button->isChecked());
}

void MainWindow::print()
{
    const QImage image = currentCanvas_->currentImage();
    QPrinter printer(QPrinter::ScreenResolution);
    if (!printDialog_ || !printDialog_(printer, this))
        return;
    QPainter painter(&printer);
    painter.drawImage(0, 0, image);
    painter.end();
}
