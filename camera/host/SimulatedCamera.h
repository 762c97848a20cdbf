#pragma once

// The simulated camera inside the camera plug-in that GStreamer loaded into this process
// (TEVALCAP_SIMULATE=1), for host programs and their tests. The plug-in keeps its own camera
// model, so a host reaches it through the switch the plug-in exports (TevalSim_SetPlugged,
// looked up in the loaded plug-in) rather than by linking the camera library a second time.
class SimulatedCamera {
public:
    // Plugs the camera in or out; false when the plug-in or its switch cannot be found, or no
    // simulated camera is in use. Does nothing to a real camera.
    static bool setPlugged(bool plugged);
};
