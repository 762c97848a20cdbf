#pragma once

// The simulated camera inside the camera plug-in that GStreamer loaded into this process
// (TEVALCAP_SIMULATE=1). The plug-in keeps its own camera model, so the test reaches it through
// the switch the plug-in exports rather than by linking the camera library a second time.
class SimulatedCamera {
public:
    // Plugs the camera in or out; false when the plug-in or its switch cannot be found.
    static bool setPlugged(bool plugged);
};
