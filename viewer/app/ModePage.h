#pragma once

#include <QCoreApplication>
#include <QRect>
#include <QString>

#include <functional>
#include <initializer_list>

class ImageButton;
class ImageCanvas;
class ImageWidget;
class MainWindow;
class OSDProcessor;

// Where the window's widgets go for its current size: W and H the window's size, S the tool
// panel's width when it is open (else 0), C = W - S, and the picture area (the canvas stack).
struct PageGeometry {
    int width = 0;
    int height = 0;
    int side = 0;
    int content = 0;
    QRect picture;
};

// One mode of the main window.
//
// A page owns what its mode adds to the window: its canvas (made by the window, one per page, in
// the stack's page order) with the on-screen display, its source and the controls it shows under
// the picture. The window makes a mode button for each page, lays every page out after each
// resize, runs leave() and enter() on a mode switch and sends the clicker's three keys to the
// current page. Texts are translated in the window's context.
class ModePage {
    Q_DECLARE_TR_FUNCTIONS(MainWindow)

public:
    // The clicker's keys: back, forward and start (the start key with Shift does the same).
    static constexpr int kBackKey = Qt::Key_PageUp;
    static constexpr int kForwardKey = Qt::Key_PageDown;
    static constexpr int kStartKey = Qt::Key_F5;

    virtual ~ModePage() = default;
    ModePage(const ModePage &) = delete;
    ModePage &operator=(const ModePage &) = delete;

    // The mode button's caption and object name.
    QString title() const { return tr(m_identity.title); }
    const char *buttonName() const { return m_identity.buttonName; }
    // The mode button's distance from the picture area's left edge.
    int buttonOffset() const { return m_identity.buttonOffset; }
    // What the page's canvas shows, for a screen reader.
    QString description() const { return tr(m_identity.description); }
    // Whether the camera's commands (focus, brightness, freeze, capture) apply in this mode.
    virtual bool usesCamera() const { return false; }

    // Takes the page's canvas and makes the page's source and controls; called once.
    void create(ImageCanvas *canvas, OSDProcessor *osd);
    virtual void enter() = 0;
    virtual void leave() = 0;
    // Places the page's controls; runs after every resize once the page is created.
    virtual void layout(const PageGeometry &geometry) = 0;

    // The clicker's keys click the page's back, forward and start buttons.
    void clickerBack() const;
    void clickerForward() const;
    virtual void clickerStart();

    ImageCanvas *canvas() const { return m_canvas; }
    OSDProcessor *osd() const { return m_osd; }
    bool isCreated() const { return m_canvas != nullptr; }

protected:
    // Texts to be translated in the window's context (QT_TRANSLATE_NOOP).
    struct Identity {
        const char *title;
        const char *buttonName;
        int buttonOffset;
        const char *description;
    };
    ModePage(MainWindow &window, const Identity &identity) : m_window(window), m_identity(identity)
    {
    }

    MainWindow &window() const { return m_window; }
    virtual void createControls() = 0;
    // True for a folder that exists; an empty path (the working directory) is no folder.
    static bool folderExists(const QString &path);

    // A button of a control bar, named after its icon, 5 pixels from the bar's top.
    struct BarButton {
        const char *icon;
        int x;
        // Tool tip and screen reader name, translated in the window's context.
        const char *name;
        // What a click does.
        std::function<void()> clicked;
        bool checkable = false;
        // The clicker key that clicks it in this mode (shown in the tool tip), 0 for none.
        int key = 0;
    };
    // Makes one button of bar for each entry, in order.
    QList<ImageButton *> addBarButtons(ImageWidget *bar, std::initializer_list<BarButton> buttons);
    // The buttons the clicker's keys click (not owned; set in createControls()).
    void setClickerButtons(ImageButton *back, ImageButton *forward, ImageButton *start);

private:
    MainWindow &m_window;
    Identity m_identity;
    ImageButton *m_back = nullptr;
    ImageButton *m_forward = nullptr;
    ImageButton *m_start = nullptr;
    ImageCanvas *m_canvas = nullptr;
    OSDProcessor *m_osd = nullptr;
};
