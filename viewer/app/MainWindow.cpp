#include "MainWindow.h"

#include "AppLog.h"
#include "ColorEffects.h"
#include "ColorToolWindow.h"
#include "CompareController.h"
#include "EffectToolWindow.h"
#include "FullScreenView.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "LiveControl.h"
#include "LivePage.h"
#include "MaskToolWindow.h"
#include "OSDProcessor.h"
#include "Panel.h"
#include "PanelTool.h"
#include "PhotographSource.h"
#include "RotateToolWindow.h"
#include "SettingsToolWindow.h"
#include "TextToolWindow.h"

#include <QButtonGroup>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QShortcut>
#include <QStackedWidget>

#include <algorithm>

namespace {
// How far the window grows when the tool panel opens.
constexpr int kPanelSpace = 138;
constexpr QPoint panelPosition(40, 30);

bool runPrintDialog(QPrinter &printer, QWidget *parent)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}
} // namespace

MainWindow::MainWindow() : MainWindow(&LiveControl::create) {}

MainWindow::MainWindow(const LiveControlFactory &liveFactory) : m_printDialog(&runPrintDialog)
{
    setMinimumSize(800, 768);
    resize(800, 768);

    m_stack = new QStackedWidget(this);
    m_mode = LiveMode;

    // The pages in mode order: Live, Film, Photograph.
    m_pages.push_back(std::make_unique<LivePage>(*this, liveFactory));
    m_pages.push_back(std::make_unique<FilmPage>(*this));
    m_pages.push_back(std::make_unique<PhotographPage>(*this));
    m_livePage = static_cast<LivePage *>(m_pages[LiveMode].get());
    m_filmPage = static_cast<FilmPage *>(m_pages[FilmMode].get());
    m_photographPage = static_cast<PhotographPage *>(m_pages[PhotographMode].get());

    createModeButtons();
    m_expandButton = new ImageButton(QString(), this, 0, 0);
    m_expandButton->setObjectName(QStringLiteral("expandButton"));
    connect(m_expandButton, &ImageButton::clicked, this, &MainWindow::expand);

    createPanel();

    for (const std::unique_ptr<ModePage> &page : m_pages) {
        ImageCanvas *canvas = createCanvas();
        page->create(canvas, m_osdMap.value(canvas));
        canvas->setAccessibleName(tr("Picture"));
        canvas->setAccessibleDescription(page->description());
    }

    // The on-screen displays show the camera's brightness level.
    for (OSDProcessor *osd : std::as_const(m_osdMap)) {
        osd->setBrightnessSource(m_livePage->control());
    }

    m_currentCanvas = m_livePage->canvas();
    m_stack->setCurrentWidget(m_currentCanvas);

    m_compare = new CompareController(
        *m_livePage->canvas(),
        [this] {
            const PhotographSource *photographs = photographSource();
            const QStringList files = photographs ? photographs->fileList() : QStringList();
            const int current = photographs ? photographs->currentIndex() : -1;
            return current >= 0 && current < files.size() ? files[current] : QString();
        },
        [this](const QString &text) {
            if (OSDProcessor *osd = osdProcessor(m_livePage->canvas())) {
                osd->showNotice(text);
            }
        },
        this);

    m_panelExpanded = false;
    expand();
    updateLayout();
    createShortcuts();
}

MainWindow::~MainWindow()
{
    // The split and the second camera leave the live canvas while it still exists.
    delete m_compare;
    // The canvas shown over the screen goes back into the stack, which owns it.
    leaveFullScreen();
    // The tool window watches this window and its owner button; it goes before either.
    delete m_toolWindow.data();
    for (OSDProcessor *osd : std::as_const(m_osdMap)) {
        osd->setBrightnessSource(nullptr);
    }
    // The sources go in mode order, the live one after it stopped a running recording.
    m_pages.clear();
    m_osdMap.clear();
}

void MainWindow::createModeButtons()
{
    const QFont font(QStringLiteral("Arial"), 11);
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    for (const std::unique_ptr<ModePage> &page : m_pages) {
        auto *button = new ImageButton(QStringLiteral("MAIN_BUTTON"), this, 0, 0);
        button->setObjectName(QLatin1String(page->buttonName()));
        button->setFont(font);
        button->setTextColor(Qt::white);
        button->setText(page->title());
        button->setCheckable(true);
        connect(button, &ImageButton::clicked, this, &MainWindow::switchMode);
        group->addButton(button);
        m_modeButtons.append(button);
    }
    m_modeButtons[LiveMode]->setChecked(true);
}

void MainWindow::createPanel()
{
    m_panel = new Panel(this);
    m_panel->setObjectName(QStringLiteral("panel"));
    auto *tools = new QButtonGroup(this);
    tools->setExclusive(true);
    for (const PanelTool &tool : PanelTool::all()) {
        if (tool.group != nullptr) {
            m_panel->addGroup(tr(tool.group));
        }
        const QString icon = QLatin1String(tool.icon);
        auto *button = new ImageButton(icon, tr(tool.toolTip), 0, 0);
        button->setObjectName(icon);
        if (tool.clicked != nullptr) {
            connect(button, &ImageButton::clicked, this, tool.clicked);
        }
        if (tool.hold != nullptr) {
            connect(button, &ImageButton::hold, this, tool.hold);
        }
        button->setCheckable(tool.kind != PanelTool::Command);
        if (tool.kind == PanelTool::Tool) {
            tools->addButton(button);
        }
        m_panel->addButton(button);
        m_toolButtons.append(button);
    }
    m_panel->addStretch();
    panelButton(QStringLiteral("ICON_HAND"))->setChecked(true);
    connect(panelButton(QStringLiteral("ICON_ROTATE")), &QAbstractButton::pressed, this,
            [this] { m_rotateHeld = false; });
}

ImageButton *MainWindow::panelButton(const QString &icon) const
{
    const QList<PanelTool> &tools = PanelTool::all();
    for (qsizetype i = 0; i < m_toolButtons.size(); ++i) {
        if (icon == QLatin1String(tools[i].icon)) {
            return m_toolButtons[i];
        }
    }
    return nullptr;
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

ImageCanvas *MainWindow::canvas(int mode) const
{
    return mode >= 0 && mode < int(m_pages.size()) ? m_pages[std::size_t(mode)]->canvas() : nullptr;
}

void MainWindow::setPrintDialogRunner(PrintDialogRunner runner)
{
    m_printDialog = std::move(runner);
}

bool MainWindow::isRecording() const
{
    return m_livePage->isRecording();
}

QMessageBox *MainWindow::folderErrorBox() const
{
    return m_livePage->folderErrorBox();
}

void MainWindow::setFilmFileChooser(FileChooser chooser)
{
    m_filmPage->setFileChooser(std::move(chooser));
}

void MainWindow::setPhotographFolderChooser(FolderChooser chooser)
{
    m_photographPage->setFolderChooser(std::move(chooser));
}

FilmSource *MainWindow::filmSource() const
{
    return m_filmPage->source();
}

PhotographSource *MainWindow::photographSource() const
{
    return m_photographPage->source();
}

ThumbnailWidget *MainWindow::thumbnailStrip() const
{
    return m_photographPage->thumbnailStrip();
}

int MainWindow::slideshowInterval(int position)
{
    return PhotographPage::slideshowInterval(position);
}

// ---------------------------------------------------------------------------------------------
// Layout, panel and modes

void MainWindow::updateLayout()
{
    if (m_stack == nullptr || m_pages.empty() || !m_pages.back()->isCreated()) {
        return; // still under construction
    }
    PageGeometry geometry;
    geometry.width = width();
    geometry.height = height();
    geometry.side = m_panelExpanded ? kPanelSpace : 0;
    geometry.content = geometry.width - geometry.side;

    m_expandButton->move(4, 50);
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        m_modeButtons[qsizetype(i)]->move(geometry.side + m_pages[i]->buttonOffset(), 5);
    }
    m_stack->setGeometry(geometry.side + 36, 25, geometry.content - 55, geometry.height - 100);
    m_panel->setGeometry(panelPosition.x(), panelPosition.y(), m_panel->width(),
                         geometry.height - 100);
    geometry.picture = m_stack->geometry();
    for (const std::unique_ptr<ModePage> &page : m_pages) {
        page->layout(geometry);
    }
}

void MainWindow::expand()
{
    m_panelExpanded = !m_panelExpanded;
    setExpanded(m_panelExpanded);
    if (m_panelExpanded) {
        resize(width() + kPanelSpace, height());
        if (isVisible()) {
            move(x() - kPanelSpace, y());
        }
        m_expandButton->setIconName(QStringLiteral("BUTTON_SIDE_CLOSE"));
        m_expandButton->setAccessibleName(tr("Close tool panel"));
        m_panel->move(panelPosition);
        m_panel->show();
    } else {
        resize(width() - kPanelSpace, height());
        if (isVisible()) {
            move(x() + kPanelSpace, y());
        }
        m_expandButton->setIconName(QStringLiteral("BUTTON_SIDE_OPEN"));
        m_expandButton->setAccessibleName(tr("Open tool panel"));
        m_panel->hide();
        closeToolWindow();
    }
}

void MainWindow::switchMode()
{
    // The button group has already checked the clicked button.
    const auto checked =
        std::find_if(m_modeButtons.cbegin(), m_modeButtons.cend(),
                     [](const ImageButton *button) { return button->isChecked(); });
    const int newMode =
        checked == m_modeButtons.cend() ? m_mode : int(checked - m_modeButtons.cbegin());
    // The canvas shown over the screen goes home before another one becomes current.
    leaveFullScreen();
    m_currentCanvas = canvas(newMode);
    m_stack->setCurrentWidget(m_currentCanvas);
    if (newMode == m_mode) {
        return;
    }

    currentPage().leave();
    m_mode = newMode;
    currentPage().enter();

    const bool camera = currentPage().usesCamera();
    const QList<PanelTool> &tools = PanelTool::all();
    for (qsizetype i = 0; i < tools.size(); ++i) {
        if (tools[i].cameraOnly) {
            m_toolButtons[i]->setEnabled(camera);
        }
    }
    m_panel->updateButtons();
    emit modeChanged();
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
    showOnDisplay(&OSDProcessor::showEffectIndicator);
}

void MainWindow::showMaskIndicator()
{
    showOnDisplay(&OSDProcessor::showMaskIndicator);
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

void MainWindow::createShortcuts()
{
    using K = QKeySequence;
    const QList<PanelTool> &tools = PanelTool::all();
    for (qsizetype i = 0; i < tools.size(); ++i) {
        ImageButton *button = m_toolButtons[i];
        if (tools[i].keyAction != nullptr) {
            addShortcut(
                tools[i].keys, [this, action = tools[i].keyAction] { (this->*action)(); }, button);
            continue;
        }
        addShortcut(
            tools[i].keys,
            [button] {
                // A disabled button (outside Live mode) ignores the click as it ignores the
                // pointer.
                if (button->isEnabled()) {
                    button->click();
                }
            },
            button);
    }
    for (int step = 1; step <= ImageCanvas::kMaxZoom; ++step) {
        addShortcut({K(Qt::Key_0 + step)}, [this, step] { zoomToStep(step); });
    }
    addShortcut({K(Qt::SHIFT | Qt::Key_R)}, [this] { rotateLeft(); });
    addShortcut({K(Qt::Key_I)}, [this] { mirrorLeftRight(); });
    addShortcut({K(Qt::SHIFT | Qt::Key_I)}, [this] { mirrorTopBottom(); });
    addShortcut({K(K::Undo), K(Qt::CTRL | Qt::Key_Z)}, [this] { undo(); });
    addShortcut({K(K::Redo), K(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), K(Qt::CTRL | Qt::Key_Y)},
                [this] { redo(); });
    addShortcut({K(Qt::Key_F11), K(K::FullScreen)}, [this] { toggleFullScreen(); });
    // A presenter's clicker.
    addShortcut({K(Qt::Key_Escape)}, [this] { leaveFullScreen(); });
    addShortcut({K(ModePage::kBackKey)}, [this] { clickerBack(); });
    addShortcut({K(ModePage::kForwardKey)}, [this] { clickerForward(); });
    addShortcut({K(ModePage::kStartKey), K(Qt::SHIFT | ModePage::kStartKey)},
                [this] { clickerStart(); });
    addShortcut({K(Qt::Key_B), K(Qt::Key_Period)}, [this] { toggleBlank(); });
    createCompareShortcuts();
}

void MainWindow::createCompareShortcuts()
{
    using K = QKeySequence;
    // Split compare and picture-in-picture are the live picture's.
    const auto live = [this](std::function<void(CompareController &)> action) {
        return [this, action = std::move(action)] {
            if (m_mode == LiveMode) {
                action(*m_compare);
            }
        };
    };
    addShortcut({K(Qt::Key_K)}, live(&CompareController::compareWithLive));
    addShortcut({K(Qt::SHIFT | Qt::Key_K)}, live(&CompareController::compareWithPhotograph));
    addShortcut({K(Qt::Key_J)}, live(&CompareController::swapPanes));
    addShortcut({K(Qt::SHIFT | Qt::Key_J)}, live(&CompareController::leaveCompare));
    addShortcut({K(Qt::Key_W)}, live(&CompareController::togglePictureInPicture));
    addShortcut({K(Qt::SHIFT | Qt::Key_W)}, live(&CompareController::movePictureInPicture));
    addShortcut({K(Qt::Key_U)}, live([](CompareController &c) { c.resizePictureInPicture(true); }));
    addShortcut({K(Qt::SHIFT | Qt::Key_U)},
                live([](CompareController &c) { c.resizePictureInPicture(false); }));
}

void MainWindow::showOnDisplay(void (OSDProcessor::*show)())
{
    if (OSDProcessor *osd = osdProcessor(m_currentCanvas)) {
        (osd->*show)();
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
    showToolWindow(new RotateToolWindow(panelButton(QStringLiteral("ICON_ROTATE")), this));
}

ToolWindow *MainWindow::rotateToolWindow() const
{
    return qobject_cast<RotateToolWindow *>(m_toolWindow.data());
}

void MainWindow::rotateLeft()
{
    m_currentCanvas->rotateLeft();
    showOnDisplay(&OSDProcessor::showRotate);
}

void MainWindow::mirrorLeftRight()
{
    m_currentCanvas->mirrorLeftRight();
    showOnDisplay(&OSDProcessor::showRotate);
}

void MainWindow::mirrorTopBottom()
{
    m_currentCanvas->mirrorTopBottom();
    showOnDisplay(&OSDProcessor::showRotate);
}

void MainWindow::zoomToStep(int step)
{
    const double before = m_currentCanvas->zoom();
    m_currentCanvas->setZoomStep(step);
    showOnDisplay(m_currentCanvas->zoom() < before ? &OSDProcessor::showZoomOut
                                                   : &OSDProcessor::showZoomIn);
}

void MainWindow::cycleEffect()
{
    const int effect = (m_currentCanvas->effect() + 1) % ColorEffects::kEffectCount;
    m_currentCanvas->setEffect(effect);
    panelButton(QStringLiteral("ICON_EFFECT_COLOR"))
        ->setIconName(QStringLiteral("ICON_EFFECT_") + ColorEffects::effectKey(effect));
    showEffectIndicator();
}

void MainWindow::cycleMask()
{
    // No mask, then each shape in turn; the mask button shows the shape and is on with it.
    const int shape = (m_currentCanvas->mask() + 1) % ColorEffects::kMaskCount;
    m_currentCanvas->setMask(shape);
    ImageButton *maskButton = panelButton(QStringLiteral("ICON_MASK_CIRCLE"));
    if (shape != ColorEffects::MaskNone) {
        m_savedMask = shape;
        maskButton->setIconName(QStringLiteral("ICON_MASK_") + ColorEffects::maskKey(shape));
    }
    maskButton->setChecked(shape != ColorEffects::MaskNone);
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
    currentPage().clickerBack();
}

void MainWindow::clickerForward()
{
    currentPage().clickerForward();
}

void MainWindow::clickerStart()
{
    currentPage().clickerStart();
}

// ---------------------------------------------------------------------------------------------
// Annotation tools

void MainWindow::selectTool(int code)
{
    m_currentCanvas->setTool(code);
    const PanelTool *tool = PanelTool::forCode(code);
    if (m_toolWindow && tool != nullptr &&
        m_toolWindow->ownerButton() != panelButton(QLatin1String(tool->icon))) {
        closeToolWindow();
    }
}

void MainWindow::openStyleWindow(int code)
{
    const PanelTool *tool = PanelTool::forCode(code);
    const bool line = tool->style != PanelTool::WidthStyle;
    const QString fill = tool->style == PanelTool::ShapeStyle ? tr("Fill Color") : QString();
    m_currentCanvas->setTool(code);
    closeToolWindow();
    showToolWindow(new ColorToolWindow(panelButton(QLatin1String(tool->icon)), this,
                                       tr(tool->toolTip), line ? tr("Line Width") : tr("Width"),
                                       line ? tr("Line Color") : QString(), fill));
}

void MainWindow::line()
{
    selectTool(ImageCanvas::ToolLine);
}
void MainWindow::rectangle()
{
    selectTool(ImageCanvas::ToolRectangle);
}
void MainWindow::freehand()
{
    selectTool(ImageCanvas::ToolFreehand);
}
void MainWindow::circle()
{
    selectTool(ImageCanvas::ToolCircle);
}
void MainWindow::arrow()
{
    selectTool(ImageCanvas::ToolArrow);
}
void MainWindow::triangle()
{
    selectTool(ImageCanvas::ToolTriangle);
}
void MainWindow::erase()
{
    selectTool(ImageCanvas::ToolEraser);
}
void MainWindow::text()
{
    selectTool(ImageCanvas::ToolText);
}
void MainWindow::clip()
{
    selectTool(ImageCanvas::ToolClip);
}

void MainWindow::lineHold()
{
    openStyleWindow(ImageCanvas::ToolLine);
}
void MainWindow::rectangleHold()
{
    openStyleWindow(ImageCanvas::ToolRectangle);
}
void MainWindow::freehandHold()
{
    openStyleWindow(ImageCanvas::ToolFreehand);
}
void MainWindow::circleHold()
{
    openStyleWindow(ImageCanvas::ToolCircle);
}
void MainWindow::arrowHold()
{
    openStyleWindow(ImageCanvas::ToolArrow);
}
void MainWindow::triangleHold()
{
    openStyleWindow(ImageCanvas::ToolTriangle);
}
void MainWindow::eraseHold()
{
    openStyleWindow(ImageCanvas::ToolEraser);
}

void MainWindow::textHold()
{
    m_currentCanvas->setTool(ImageCanvas::ToolText);
    closeToolWindow();
    showToolWindow(new TextToolWindow(panelButton(QStringLiteral("ICON_TEXT")), this));
}

void MainWindow::eraseAll()
{
    m_currentCanvas->eraseAll();
}

void MainWindow::hand()
{
    m_currentCanvas->setTool(ImageCanvas::ToolHand);
}

// ---------------------------------------------------------------------------------------------
// Mask and effect

void MainWindow::mask()
{
    if (panelButton(QStringLiteral("ICON_MASK_CIRCLE"))->isChecked()) {
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
    showToolWindow(new MaskToolWindow(panelButton(QStringLiteral("ICON_MASK_CIRCLE")), this));
}

void MainWindow::effectHold()
{
    closeToolWindow();
    showToolWindow(new EffectToolWindow(panelButton(QStringLiteral("ICON_EFFECT_COLOR")), this));
}

// ---------------------------------------------------------------------------------------------
// View and camera commands

void MainWindow::zoomIn()
{
    m_currentCanvas->zoomIn();
    showOnDisplay(&OSDProcessor::showZoomIn);
}

void MainWindow::zoomOut()
{
    m_currentCanvas->zoomOut();
    showOnDisplay(&OSDProcessor::showZoomOut);
}

void MainWindow::zoomReset()
{
    m_currentCanvas->zoomReset();
    showOnDisplay(&OSDProcessor::showZoomIn);
}

void MainWindow::autoFocus()
{
    if (ILiveControl *live = m_livePage->control()) {
        live->autoFocus();
    }
    showOnDisplay(&OSDProcessor::showAutoFocus);
}

void MainWindow::brightnessDown()
{
    if (ILiveControl *live = m_livePage->control()) {
        live->brightnessDown();
    }
    showOnDisplay(&OSDProcessor::showBrightness);
}

void MainWindow::brightnessUp()
{
    if (ILiveControl *live = m_livePage->control()) {
        live->brightnessUp();
    }
    showOnDisplay(&OSDProcessor::showBrightness);
}

void MainWindow::rotate()
{
    // The release that ends a long press (which opened the rotate window) turns nothing.
    if (m_rotateHeld) {
        m_rotateHeld = false;
        return;
    }
    m_currentCanvas->rotate();
    showOnDisplay(&OSDProcessor::showRotate);
}

void MainWindow::freeze()
{
    m_currentCanvas->setFrozen(panelButton(QStringLiteral("ICON_FREEZE"))->isChecked());
    showOnDisplay(&OSDProcessor::showFreeze);
}

void MainWindow::applyLiveSettings()
{
    m_livePage->applySettings();
}

void MainWindow::settings()
{
    closeToolWindow();
    auto *window = new SettingsToolWindow(panelButton(QStringLiteral("ICON_SETTING")), this);
    connect(window, &SettingsToolWindow::settingsSaved, this, &MainWindow::applyLiveSettings);
    showToolWindow(window);
}

// ---------------------------------------------------------------------------------------------
// Capture commands

void MainWindow::snapshot()
{
    m_livePage->snapshot();
}

void MainWindow::scanPage()
{
    m_livePage->scanPage();
}

void MainWindow::record()
{
    m_livePage->record(qobject_cast<QAbstractButton *>(sender()));
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
        if (OSDProcessor *osd = osdProcessor(m_currentCanvas)) {
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

void MainWindow::filmOpenFile()
{
    m_filmPage->openFile();
}
void MainWindow::filmPlay()
{
    m_filmPage->play();
}
void MainWindow::filmPause()
{
    m_filmPage->pause();
}
void MainWindow::filmStop()
{
    m_filmPage->stop();
}
void MainWindow::filmBackward()
{
    m_filmPage->backward();
}
void MainWindow::filmForward()
{
    m_filmPage->forward();
}
void MainWindow::filmVolume()
{
    m_filmPage->showVolume();
}
void MainWindow::filmTick()
{
    m_filmPage->followPosition();
}
void MainWindow::photographOpenDirectory()
{
    m_photographPage->openDirectory();
}
void MainWindow::photographPrevious()
{
    m_photographPage->previous();
}
void MainWindow::photographNext()
{
    m_photographPage->next();
}
void MainWindow::photographPlay()
{
    m_photographPage->play();
}
void MainWindow::photographPlayDone()
{
    m_photographPage->playDone();
}
void MainWindow::photographPreview()
{
    m_photographPage->preview();
}
void MainWindow::photographPlayInterval()
{
    m_photographPage->playInterval();
}
void MainWindow::photographPlayIntervalChanged(int value)
{
    m_photographPage->playIntervalChanged(value);
}
void MainWindow::photographIdChange(int id)
{
    m_photographPage->idChange(id);
}
