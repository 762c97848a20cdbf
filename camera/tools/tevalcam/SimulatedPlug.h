#pragma once

// The plug switch of the simulated camera inside the camera plug-in this process loaded
// (TevalSim_SetPlugged, looked up in the loaded plug-in). Does nothing for a real camera.
namespace SimulatedPlug {

// False when the plug-in or its switch cannot be found, or no simulated camera is in use.
bool set(bool plugged);

} // namespace SimulatedPlug
