#pragma once

class ImageCanvas;
class ISettingsStore;
class QWidget;

// What a popup tool window needs from the window that opens it.
//
// The host window is the tool window's parent: the tool window follows it when it moves or is
// resized, and connects the host window's signal modeChanged() (declared with Q_SIGNAL, without
// arguments) to its own modeChanged() slot, so it shows the state of the canvas that has just
// become current. Tool windows keep no tool state of their own: they read and write the canvas
// returned by currentCanvas() at the moment they need it.
class IToolHost {
public:
    virtual ~IToolHost() = default;

    // The window that owns the tool windows and emits modeChanged().
    virtual QWidget *hostWindow() = 0;

    // The canvas of the active mode; never null while a tool window exists.
    virtual ImageCanvas *currentCanvas() const = 0;

    // Flashes the effect or mask indicator of the current canvas's on-screen display, for the
    // code now stored in that canvas.
    virtual void showEffectIndicator() = 0;
    virtual void showMaskIndicator() = 0;

    // The capture settings shown and written by the settings window.
    virtual ISettingsStore &settingsStore() = 0;
};
