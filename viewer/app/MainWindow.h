#pragma once

#include "Config.h"
#include "FilmPage.h"
#include "ILiveControl.h"
#include "IToolHost.h"
#include "PhotographPage.h"
#include "StaticSettingsStore.h"
#include "StyleWindow.h"
#include "ToolWindow.h"

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class CompareController;
class FilmSource;
class FullScreenView;
class ImageButton;
class ImageCanvas;
class LivePage;
class ModePage;
class OSDProcessor;
class Panel;
class PhotographSource;
class QButtonGroup;
class QPrinter;
class QStackedWidget;
class ThumbnailWidget;

// The program's only top-level window.
//
// Each mode is a page (LivePage, FilmPage, PhotographPage, in mode order) with a canvas in a
// stack; the window makes a mode button for each, and every view and annotation command acts on
// the canvas of the current mode. The tool panel beside the picture holds the command buttons
// of the tool table (PanelTool); a long press on some of them opens a style window, of which at
// most one exists. The capture commands take snapshots of and record the live picture and print
// the current one.
class MainWindow : public StyleWindow, public IToolHost {
    Q_OBJECT

public:
    enum Mode { LiveMode = 0, FilmMode = 1, PhotographMode = 2 };

    // Runs the print dialog for a printer; true when the user accepted it.
    using PrintDialogRunner = std::function<bool(QPrinter &printer, QWidget *parent)>;

    // The live source is made by the factory on the live canvas.
    explicit MainWindow(const LiveControlFactory &liveFactory);
    MainWindow();
    ~MainWindow() override;

    // IToolHost
    QWidget *hostWindow() override { return this; }
    ImageCanvas *currentCanvas() const override { return m_currentCanvas; }
    void showEffectIndicator() override;
    void showMaskIndicator() override;
    ISettingsStore &settingsStore() override { return m_settingsStore; }

    int mode() const { return m_mode; }
    bool isPanelExpanded() const { return m_panelExpanded; }
    bool isRecording() const;
    ImageCanvas *canvas(int mode) const;
    OSDProcessor *osdProcessor(ImageCanvas *canvas) const { return m_osdMap.value(canvas); }
    // The panel button showing icon (its object name), or null.
    ImageButton *panelButton(const QString &icon) const;
    // The style, effect, mask or settings window that exists, if any.
    ToolWindow *openToolWindow() const { return m_toolWindow; }
    // The folder error box while it is shown.
    QMessageBox *folderErrorBox() const;
    // Replaces the modal print dialog of print().
    void setPrintDialogRunner(PrintDialogRunner runner);

    using FileChooser = FilmPage::FileChooser;
    using FolderChooser = PhotographPage::FolderChooser;
    // Replace the modal file and folder dialogs of the film and photograph bars.
    void setFilmFileChooser(FileChooser chooser);
    void setPhotographFolderChooser(FolderChooser chooser);
    FilmSource *filmSource() const;
    PhotographSource *photographSource() const;
    ThumbnailWidget *thumbnailStrip() const;

    // The slideshow period in milliseconds chosen by an interval slider position (0 to 5).
    static int slideshowInterval(int position);

    // True while the current canvas is shown alone over a screen (F11, a hand double click).
    bool isFullScreenShown() const { return m_fullScreen != nullptr; }
    QWidget *fullScreenWindow() const;
    // The rotate window while it is open (a long press on the rotate button).
    ToolWindow *rotateToolWindow() const;
    // Split compare and picture-in-picture of the live picture.
    CompareController *compareController() const { return m_compare; }

signals:
    void modeChanged();

protected:
    void updateLayout() override;

private slots:
    void applyLiveSettings();
    void expand();
    void switchMode();

    void line();
    void rectangle();
    void freehand();
    void circle();
    void arrow();
    void triangle();
    void erase();
    void text();
    void lineHold();
    void rectangleHold();
    void freehandHold();
    void circleHold();
    void arrowHold();
    void triangleHold();
    void eraseHold();
    void textHold();
    void eraseAll();
    void clip();
    void hand();
    void mask();
    void maskHold();
    void effectHold();
    void zoomIn();
    void zoomOut();
    void zoomReset();
    void autoFocus();
    void brightnessDown();
    void brightnessUp();
    void rotate();
    void rotateHold();
    void freeze();
    void settings();

    // Keyboard and clicker commands beyond the panel's buttons.
    void undo();
    void redo();
    void rotateLeft();
    void mirrorLeftRight();
    void mirrorTopBottom();
    void cycleEffect();
    void cycleMask();
    void toggleFullScreen();
    void leaveFullScreen();
    void toggleBlank();
    void clickerBack();
    void clickerForward();
    void clickerStart();

    void snapshot();
    void record();
    void scanPage();
    void print();

    void filmOpenFile();
    void filmPlay();
    void filmPause();
    void filmStop();
    void filmBackward();
    void filmForward();
    void filmVolume();
    void filmTick();
    void photographOpenDirectory();
    void photographPrevious();
    void photographNext();
    void photographPlay();
    void photographPlayDone();
    void photographPreview();
    void photographPlayInterval();
    void photographPlayIntervalChanged(int value);
    void photographIdChange(int id);

private:
    // The tool table names the command slots.
    friend struct PanelTool;

    void createModeButtons();
    void createPanel();
    ImageCanvas *createCanvas();
    ModePage &currentPage() const { return *m_pages.at(m_mode); }

    // Shows one of the on-screen display's messages on the current canvas.
    void showOnDisplay(void (OSDProcessor::*show)());
    void selectTool(int code);
    // The style window of a drawing tool: its title and rows come from the tool table.
    void openStyleWindow(int code);
    void showToolWindow(ToolWindow *window);
    void closeToolWindow();
    // The page orientation that shows the picture largest on the printer's page.
    static void choosePageOrientation(QPrinter &printer, const QSize &picture);

    // Keys: every panel command, the clicker's keys and the view commands of the keyboard.
    void createShortcuts();
    void createCompareShortcuts();
    // Runs action on any of keys (those already taken are skipped); the first key is added to
    // the tool tip of `shownOn`.
    void addShortcut(const QList<QKeySequence> &keys, const std::function<void()> &action,
                     ImageButton *shownOn = nullptr);
    void zoomToStep(int step);
    void enterFullScreen();

    // The pages in mode order, their mode buttons, the expand button and the canvas stack.
    std::vector<std::unique_ptr<ModePage>> m_pages;
    LivePage *m_livePage = nullptr;
    CompareController *m_compare = nullptr;
    FilmPage *m_filmPage = nullptr;
    PhotographPage *m_photographPage = nullptr;
    QList<ImageButton *> m_modeButtons;
    ImageButton *m_expandButton = nullptr;
    QStackedWidget *m_stack = nullptr;
    ImageCanvas *m_currentCanvas = nullptr;
    QHash<ImageCanvas *, OSDProcessor *> m_osdMap;
    bool m_panelExpanded = false;
    int m_mode = LiveMode;

    // Tool panel, its buttons in the tool table's order, and the one tool window.
    QPointer<ToolWindow> m_toolWindow;
    Panel *m_panel = nullptr;
    QList<ImageButton *> m_toolButtons;
    int m_savedMask = 1;

    // Full screen, and the keys already given to a command.
    FullScreenView *m_fullScreen = nullptr;
    int m_fullScreenIndex = 0;
    // The rotate button's press turned into a long press (its click then turns nothing).
    bool m_rotateHeld = false;
    QList<QKeySequence> m_shortcutKeys;

    PrintDialogRunner m_printDialog;
    StaticSettingsStore<Config> m_settingsStore;
};
