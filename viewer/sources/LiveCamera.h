#pragma once

#include <gst/gst.h>

#include <QSize>
#include <QString>
#include <memory>

// The camera behind the live source: the source element its graph starts from and the camera
// commands. The Document Camera (DocumentCamera) and any camera of the device monitor
// (MonitorCamera) are the two kinds. Brightness is a level 0..LevelCount - 1, darkest first.
// GUI thread only, except that a graph being stopped elsewhere may hold the last reference.
class LiveCamera {
public:
    static constexpr int LevelCount = 11;

    LiveCamera() = default;
    virtual ~LiveCamera() = default;
    LiveCamera(const LiveCamera &) = delete;
    LiveCamera &operator=(const LiveCamera &) = delete;

    // The source element (the camera keeps a reference; graphs take their own).
    virtual GstElement *element() const = 0;
    // The display name; empty for the Document Camera.
    virtual QString displayName() const = 0;
    // Whether this camera stands in for the Document Camera: the Document Camera takes over
    // whenever it answers, and the camera chosen in the settings replaces this one.
    virtual bool standsIn() const = 0;
    // Whether the camera says it is there (a camera without a status of its own always does).
    virtual bool answers() const = 0;
    // New caps for the camera's capsfilter, asking for size at framesPerSecond.
    virtual GstCaps *formatCaps(const QSize &size, int framesPerSecond) const = 0;
    // The brightness level; -1 when the camera does not tell or reports a value off the scale.
    virtual int brightnessLevel() const = 0;
    virtual void setBrightnessLevel(int level) const = 0;
    virtual void setAutoFocus(bool on) const = 0;
    // The name that the camera's microphone contains.
    virtual QString microphoneName() const = 0;
    // A new object for the same camera with an element of its own, for the next graph while
    // the last one is still being stopped; nullptr when no element can be made.
    virtual std::unique_ptr<LiveCamera> renewed() const = 0;
};
