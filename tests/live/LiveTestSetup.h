#pragma once

#include <QString>

class QTemporaryDir;

// The set-up every end-to-end test of the live source starts with.
class LiveTestSetup {
public:
    // PulseAudio clients of this process look for a server at a socket in folder that does not
    // exist: the microphone search finds nothing, whatever runs on the machine.
    static void withoutSoundServer(const QTemporaryDir &folder);
    // Initialises GStreamer, checks that the camera plug-in is found on GST_PLUGIN_PATH and
    // plugs its simulated camera in or out. Empty when all is ready, else what is missing.
    static QString simulatedCamera(bool plugged);
};
