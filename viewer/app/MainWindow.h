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
    ImageCanvas *currentCanvas() const override { return currentCanvas_; }
    void showEffectIndicator() override;
    void showMaskIndicator() override;
    ISettingsStore &settingsStore() override { return settingsStore_; }

    int mode() const { return mode_; }
    bool isPanelExpanded() const { return panelExpanded_; }
    bool isRecording() const { return recording_; }
    ImageCanvas *canvas(int mode) const;
    OSDProcessor *osdProcessor(ImageCanvas *canvas) const { return osdMap_.value(canvas); }
    // The style, effect, mask or settings window that exists, if any.
    ToolWindow *openToolWindow() const { return toolWindow_; }
    // The folder error box while it is shown.
    QMessageBox *folderErrorBox() const { return folderErrorBox_; }
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
    FilmSource *filmSource() const { return filmSource_; }
    PhotographSource *photographSource() const { return photographSource_; }
    ThumbnailWidget *thumbnailStrip() const { return thumbnailStrip_; }

    // The slideshow period in milliseconds chosen by an interval slider position (0 to 5).
    static int slideshowInterval(int position);

    // True while the current canvas is shown alone over a screen (F11, a hand double click).
    bool isFullScreenShown() const { return fullScreen_ != nullptr; }
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
    ImageButton *liveButton_ = nullptr;
    ImageButton *filmButton_ = nullptr;
    ImageButton *photographButton_ = nullptr;
    ImageButton *expandButton_ = nullptr;
    QStackedWidget *stack_ = nullptr;
    ImageCanvas *liveCanvas_ = nullptr;
    ImageCanvas *filmCanvas_ = nullptr;
    ImageCanvas *photographCanvas_ = nullptr;
    ImageCanvas *currentCanvas_ = nullptr;
    std::unique_ptr<ILiveControl> live_;
    QHash<ImageCanvas *, OSDProcessor *> osdMap_;
    bool panelExpanded_ = false;
    int mode_ = LiveMode;

    // Tool panel and the one tool window.
    QPointer<ToolWindow> toolWindow_;
    Panel *panel_ = nullptr;
    ImageButton *lineButton_ = nullptr;
    ImageButton *rectangleButton_ = nullptr;
    ImageButton *freehandButton_ = nullptr;
    ImageButton *circleButton_ = nullptr;
    ImageButton *arrowButton_ = nullptr;
    ImageButton *triangleButton_ = nullptr;
    ImageButton *eraserButton_ = nullptr;
    ImageButton *textButton_ = nullptr;
    ImageButton *eraseAllButton_ = nullptr;
    ImageButton *clipButton_ = nullptr;
    ImageButton *handButton_ = nullptr;
    ImageButton *maskButton_ = nullptr;
    ImageButton *effectButton_ = nullptr;
    ImageButton *zoomOutButton_ = nullptr;
    ImageButton *zoomInButton_ = nullptr;
    ImageButton *zoomResetButton_ = nullptr;
    ImageButton *autoFocusButton_ = nullptr;
    ImageButton *brightnessDownButton_ = nullptr;
    ImageButton *brightnessUpButton_ = nullptr;
    ImageButton *rotateButton_ = nullptr;
    ImageButton *freezeButton_ = nullptr;
    int savedMask_ = 1;

    // Full screen, and the keys already given to a command.
    FullScreenView *fullScreen_ = nullptr;
    int fullScreenIndex_ = 0;
    // The rotate button's press turned into a long press (its click then turns nothing).
    bool rotateHeld_ = false;
    QList<QKeySequence> shortcutKeys_;

    // Capture commands.
    ImageButton *recordButton_ = nullptr;
    ImageButton *snapshotButton_ = nullptr;
    ImageButton *settingsButton_ = nullptr;
    ImageButton *printButton_ = nullptr;
    QWidget *recordingIndicator_ = nullptr;
    ImageButton *indicatorRecordButton_ = nullptr;
    bool recording_ = false;
    QPointer<QMessageBox> folderErrorBox_;
    PrintDialogRunner printDialog_;

    // Film and photograph sources (their control bars are laid out in the film and photograph
    // rows of updateLayout()).
    FilmSource *filmSource_ = nullptr;
    PhotographSource *photographSource_ = nullptr;

    // Film bar.
    ImageWidget *filmBar_ = nullptr;
    Slider *volumeSlider_ = nullptr;
    HorizontalSlider *filmPositionSlider_ = nullptr;
    ImageButton *filmOpenButton_ = nullptr;
    ImageButton *filmPlayButton_ = nullptr;
    ImageButton *filmPauseButton_ = nullptr;
    ImageButton *filmStopButton_ = nullptr;
    ImageButton *filmBackwardButton_ = nullptr;
    ImageButton *filmForwardButton_ = nullptr;
    ImageButton *filmVolumeButton_ = nullptr;
    FileChooser filmFileChooser_;

    // Photograph bar and thumbnail strip.
    ImageWidget *photographBar_ = nullptr;
    ImageButton *photographOpenButton_ = nullptr;
    ImageButton *photographPreviousButton_ = nullptr;
    ImageButton *photographSlideshowButton_ = nullptr;
    ImageButton *photographNextButton_ = nullptr;
    ImageButton *photographThumbnailsButton_ = nullptr;
    ImageButton *photographIntervalButton_ = nullptr;
    Slider *intervalSlider_ = nullptr;
    QLabel *intervalScaleLabel_ = nullptr;
    QLabel *photographCounter_ = nullptr;
    ThumbnailWidget *thumbnailStrip_ = nullptr;
    HorizontalSlider *photographScrollBar_ = nullptr;
    FolderChooser photographFolderChooser_;
    // True once Photograph mode shows a folder (the snapshot folder at first, or one chosen).
    bool photographFolderOpen_ = false;

    StaticSettingsStore<Config> settingsStore_;
};
