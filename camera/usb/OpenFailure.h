#pragma once

#include <string>

// Why the access point could not open a transport to the camera. The text is one sentence a
// user can act on; tevalctl prints it.
enum class OpenFailure {
    None,       // open (or never tried)
    NoDevice,   // no device node carries the interface property
    Permission, // the node exists but may not be opened
    NodeOpen,   // opening the node failed otherwise
    Libusb,     // libusb refused a step (initialise, wrap, descriptors)
    Layout,     // the interface has endpoints other than bulk and interrupt ones
    Busy,       // another process holds the interface
    Claim,      // claiming the interface failed otherwise
    Unplugged,  // the simulated camera is unplugged
};

struct OpenResult {
    OpenFailure reason = OpenFailure::None;
    std::string text;

    bool Failed() const { return reason != OpenFailure::None; }
};
