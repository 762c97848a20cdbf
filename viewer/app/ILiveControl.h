#pragma once

#include "IBrightnessSource.h"

#include <QString>

#include <functional>
#include <memory>

class ICaptureCB;
class QObject;

// The camera commands the main window gives the live source: recording, auto focus and
// brightness, and taking over the live canvas when Live mode is entered. Every command does
// nothing while no camera is present. The brightness level (index 0..10, 5 while no camera is
// present) is what the on-screen display shows.
class ILiveControl : public IBrightnessSource {
public:
    virtual ~ILiveControl() = default;

    // Live mode entered: the camera's graph delivers the frames of the live canvas.
    virtual void activate() = 0;
    virtual void startRecord(const QString &path) = 0;
    virtual void stopRecord() = 0;
    virtual void autoFocus() = 0;
    virtual void brightnessUp() = 0;
    virtual void brightnessDown() = 0;
    // Runs handler when a recording ends without stopRecord(): its graph could not start, failed
    // or its stream ended (camera unplugged). failed is true when the recording did not start or
    // ended on an error. Called on the GUI thread.
    virtual void setRecordingEndedHandler(std::function<void(bool failed)> handler)
    {
        (void)handler;
    }
    // Whether the composed live picture is offered to other programs as a camera (on by default).
    virtual void setPresentationEnabled(bool enabled) { (void)enabled; }
    // Display name of the camera to use when the Document Camera is absent; empty: the first.
    virtual void setPreferredCamera(const QString &name) { (void)name; }
    // Seconds between the frames of the next recordings (a time-lapse); 0 records every frame.
    virtual void setTimeLapseInterval(int seconds) { (void)seconds; }
    // Frames the current (or the last) recording has taken.
    virtual int recordedFrames() const { return 0; }

protected:
    ILiveControl() = default;
    ILiveControl(const ILiveControl &) = default;
    ILiveControl &operator=(const ILiveControl &) = default;
};

// Creates the live source that feeds a canvas; the parent is the main window. May return null
// when the program is built without a live source.
using LiveControlFactory =
    std::function<std::unique_ptr<ILiveControl>(ICaptureCB *canvas, QObject *parent)>;
