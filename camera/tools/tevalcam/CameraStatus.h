#pragma once

#include <gst/gst.h>

#include <optional>

// The camera's status word (parameter 0x200E) through the element's get-control action
// signal, and what it says about the camera's presence.
namespace CameraStatus {

inline constexpr const char *FactoryName = "tevalcapsrc";
inline constexpr int Parameter = 0x200E;
// Both set while the camera is present.
inline constexpr unsigned PresentBits = 0x0C000000;

inline bool showsCamera(unsigned status)
{
    return (status & PresentBits) == PresentBits;
}

// The status read from a camera element; nothing when the element or the camera does not answer.
std::optional<unsigned> read(GstElement *camera);
// Makes a camera element of its own, reads the status and destroys the element again.
std::optional<unsigned> probe();

} // namespace CameraStatus
