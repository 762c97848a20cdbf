#pragma once

#include <gst/gst.h>

#include <QList>
#include <QRgb>
#include <QString>

// Cameras (and microphones) of this process for the device monitor: a device provider registered
// in-process that lists "Video/Source" and "Audio/Source" devices the test plugs in and out while
// the monitor runs. Each device
// makes a real source bin: a live videotestsrc filling the picture with the device's colour,
// exposing a colour balance channel "BRIGHTNESS" (-100 to 100, starting at 0) and an
// "extra-controls" property whose automatic focus values are logged.
class TestWebcams {
public:
    static constexpr int BrightnessMin = -100;
    static constexpr int BrightnessMax = 100;
    // Formats every test webcam offers: 640 x 480 and 1920 x 1080 raw video at 30 a second.
    static constexpr const char *Formats = "video/x-raw,width=640,height=480,framerate=30/1;"
                                           "video/x-raw,width=1920,height=1080,framerate=30/1";

    // Registers the provider (once per process); false when GStreamer refuses it.
    static bool registerProvider();
    // Lists a device; properties (taken over, may be null) go on the device as they are.
    static void plug(const QString &name, QRgb colour, GstStructure *properties = nullptr);
    // Lists a microphone ("Audio/Source"): a live tone, or silence when tone is false.
    static void plugMicrophone(const QString &name, bool tone);
    static void unplug(const QString &name);
    static void unplugAll();

    // The brightness channel's value of the newest element made, 0 before any.
    static int brightness();
    // Values written to "focus_automatic_continuous" through extra-controls, in order.
    static QList<int> focusLog();
    static void clearFocusLog();
};
