#pragma once

#include <gst/gst.h>

class DirectShowTransformFilter;

// The GStreamer binding of the frame tap: an in-place video filter, registered for this
// process only, that passes each mapped RGB frame to its owner.
class FrameTapElement {
public:
    static constexpr const char *FactoryName = "doccamframetap";

    // A new floating element bound to owner, or nullptr when the type cannot be registered.
    static GstElement *create(DirectShowTransformFilter *owner);
    // Rebinds the element; with nullptr, frames pass through untouched.
    static void setOwner(GstElement *element, DirectShowTransformFilter *owner);
};
