#pragma once

#include "Config.h"
#include "ILiveControl.h"
#include "IToolHost.h"
#include "StaticSettingsStore.h"
#include "StyleWindow.h"
#include "ToolWindow.h"

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class FilmSource;
class FullScreenView;
class HorizontalSlider;
class ImageButton;
class ImageCanvas;
class ImageWidget;
class QLabel;
class Slider;
class ThumbnailWidget;
class OSDProcessor;
class Panel;
class PhotographSource;
class QButtonGroup;
class QPrinter;
class QStackedWidget;

// The program's only top-level window.
//
// Three modes (0 Live, 1 Film, 2 Photograph) each have a canvas in a stack; the mode buttons
// switch between them and every view and annotation command acts on the canvas of the current
// mode. The tool panel beside the picture holds the command buttons; a long press on some of them
// opens a style window, of which at most one exists. The capture commands take snapshots of and
// record the live picture and print the current one.
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
    bool isRecording() const { return m_recording; }
    ImageCanvas *canvas(int mode) const;
    OSDProcessor *osdProcessor(ImageCanvas *canvas) const { return m_osdMap.value(canvas); }
    // The style, effect, mask or settings window that exists, if any.
    ToolWindow *openToolWindow() const { return m_toolWindow; }
    // The folder error box while it is shown.
    QMessageBox *folderErrorBox() const { return m_folderErrorBox; }
    // Replaces the modal print dialog of print().
    void setPrintDialogRunner(PrintDialogRunner runner);

    // Asks for a film: (parent, start folder, name filter) -> the chosen file, empty if none.
    using FileChooser =
        std::function<QString(QWidget *parent, const QString &folder, const QString &filter)>;
    // Asks for a photograph folder: (parent, start folder) -> the chosen folder, empty if none.
    using FolderChooser = std::function<QString(QWidget *parent, const QString &folder)>;
    // Replace the modal file and folder dialogs of the film and photograph bars.
    void setFilmFileChooser(FileChooser chooser);
    void setPhotographFolderChooser(FolderChooser chooser);
    FilmSource *filmSource() const { return m_filmSource; }
    PhotographSource *photographSource() const { return m_photographSource; }
    ThumbnailWidget *thumbnailStrip() const { return m_thumbnailStrip; }

    // The slideshow period in milliseconds chosen by an interval slider position (0 to 5).
    static int slideshowInterval(int position);

    // True while the current canvas is shown alone over a screen (F11, a hand double click).
    bool isFullScreenShown() const { return m_fullScreen != nullptr; }
    QWidget *fullScreenWindow() const;
    // The rotate window while it is open (a long press on the rotate button).
    ToolWindow *rotateToolWindow() const;

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
    using Slot = void (MainWindow::*)();

    void createModeButtons();
    void createPanel();
    void createRecordingIndicator();
    ImageCanvas *createCanvas();
    ImageButton *addToolButton(const QString &icon, const QString &toolTip, Slot clicked,
                               Slot hold = nullptr, QButtonGroup *group = nullptr);

    void leaveMode(int mode);
    void enterMode(int mode);
    void layoutFilmControls(int width, int height, int side, int content);
    void layoutPhotographControls(int width, int height, int side, int content);
    void createFilmControls();
    void createPhotographControls();
    ImageButton *addBarButton(ImageWidget *bar, const QString &icon, int x, Slot clicked,
                              bool checkable = false);
    QLabel *createLabel(const char *name, const QString &text, const QColor &color);
    void leaveFilm();
    void leavePhotograph();
    void enterFilm();
    void enterPhotograph();

    OSDProcessor *currentOsd() const;
    void selectTool(int code, QWidget *button);
    void openColorWindow(int code, ImageButton *button, const QString &title,
                         const QString &widthLabel, const QString &colorLabel,
                         const QString &fillLabel);
    void showToolWindow(ToolWindow *window);
    void closeToolWindow();
    void showFolderError();
    // A recording that ended without a stop command: the buttons and the clock say so.
    void recordingEnded(bool failed);
    // The page orientation that shows the picture largest on the printer's page.
    static void choosePageOrientation(QPrinter &printer, const QSize &picture);

    // Keys: every panel command, the clicker's keys and the view commands of the keyboard.
    void createShortcuts();
    // Runs action on any of keys (those already taken are skipped); the first key is added to
    // the tool tip of `shownOn`.
    void addShortcut(const QList<QKeySequence> &keys, const std::function<void()> &action,
                     ImageButton *shownOn = nullptr);
    // A key for a panel button does what a click on it does, only while it is enabled.
    void addButtonShortcut(const QList<QKeySequence> &keys, ImageButton *button);
    void zoomToStep(int step);
    void enterFullScreen();
    void describeCanvases();

    // Mode buttons, expand button and the canvas stack.
    ImageButton *m_liveButton = nullptr;
    ImageButton *m_filmButton = nullptr;
    ImageButton *m_photographButton = nullptr;
    ImageButton *m_expandButton = nullptr;
    QStackedWidget *m_stack = nullptr;
    ImageCanvas *m_liveCanvas = nullptr;
    ImageCanvas *m_filmCanvas = nullptr;
    ImageCanvas *m_photographCanvas = nullptr;
    ImageCanvas *m_currentCanvas = nullptr;
    std::unique_ptr<ILiveControl> m_live;
    QHash<ImageCanvas *, OSDProcessor *> m_osdMap;
    bool m_panelExpanded = false;
    int m_mode = LiveMode;

    // Tool panel and the one tool window.
    QPointer<ToolWindow> m_toolWindow;
    Panel *m_panel = nullptr;
    ImageButton *m_lineButton = nullptr;
    ImageButton *m_rectangleButton = nullptr;
    ImageButton *m_freehandButton = nullptr;
    ImageButton *m_circleButton = nullptr;
    ImageButton *m_arrowButton = nullptr;
    ImageButton *m_triangleButton = nullptr;
    ImageButton *m_eraserButton = nullptr;
    ImageButton *m_textButton = nullptr;
    ImageButton *m_eraseAllButton = nullptr;
    ImageButton *m_clipButton = nullptr;
    ImageButton *m_handButton = nullptr;
    ImageButton *m_maskButton = nullptr;
    ImageButton *m_effectButton = nullptr;
    ImageButton *m_zoomOutButton = nullptr;
    ImageButton *m_zoomInButton = nullptr;
    ImageButton *m_zoomResetButton = nullptr;
    ImageButton *m_autoFocusButton = nullptr;
    ImageButton *m_brightnessDownButton = nullptr;
    ImageButton *m_brightnessUpButton = nullptr;
    ImageButton *m_rotateButton = nullptr;
    ImageButton *m_freezeButton = nullptr;
    int m_savedMask = 1;

    // Full screen, and the keys already given to a command.
    FullScreenView *m_fullScreen = nullptr;
    int m_fullScreenIndex = 0;
    // The rotate button's press turned into a long press (its click then turns nothing).
    bool m_rotateHeld = false;
    QList<QKeySequence> m_shortcutKeys;

    // Capture commands.
    ImageButton *m_recordButton = nullptr;
    ImageButton *m_snapshotButton = nullptr;
    ImageButton *m_settingsButton = nullptr;
    ImageButton *m_printButton = nullptr;
    QWidget *m_recordingIndicator = nullptr;
    ImageButton *m_indicatorRecordButton = nullptr;
    bool m_recording = false;
    QPointer<QMessageBox> m_folderErrorBox;
    PrintDialogRunner m_printDialog;

    // Film and photograph sources (their control bars are laid out in the film and photograph
    // rows of updateLayout()).
    FilmSource *m_filmSource = nullptr;
    PhotographSource *m_photographSource = nullptr;

    // Film bar.
    ImageWidget *m_filmBar = nullptr;
    Slider *m_volumeSlider = nullptr;
    HorizontalSlider *m_filmPositionSlider = nullptr;
    ImageButton *m_filmOpenButton = nullptr;
    ImageButton *m_filmPlayButton = nullptr;
    ImageButton *m_filmPauseButton = nullptr;
    ImageButton *m_filmStopButton = nullptr;
    ImageButton *m_filmBackwardButton = nullptr;
    ImageButton *m_filmForwardButton = nullptr;
    ImageButton *m_filmVolumeButton = nullptr;
    FileChooser m_filmFileChooser;

    // Photograph bar and thumbnail strip.
    ImageWidget *m_photographBar = nullptr;
    ImageButton *m_photographOpenButton = nullptr;
    ImageButton *m_photographPreviousButton = nullptr;
    ImageButton *m_photographSlideshowButton = nullptr;
    ImageButton *m_photographNextButton = nullptr;
    ImageButton *m_photographThumbnailsButton = nullptr;
    ImageButton *m_photographIntervalButton = nullptr;
    Slider *m_intervalSlider = nullptr;
    QLabel *m_intervalScaleLabel = nullptr;
    QLabel *m_photographCounter = nullptr;
    ThumbnailWidget *m_thumbnailStrip = nullptr;
    HorizontalSlider *m_photographScrollBar = nullptr;
    FolderChooser m_photographFolderChooser;
    // True once Photograph mode shows a folder (the snapshot folder at first, or one chosen).
    bool m_photographFolderOpen = false;

    StaticSettingsStore<Config> m_settingsStore;
};
