#pragma once

#include <gst/gst.h>

#include <memory>

// Owning handles for the GStreamer and GLib objects of the binding: each releases its object
// with the matching unref or free when it goes.
struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct GstCapsUnref {
    void operator()(GstCaps *caps) const { gst_caps_unref(caps); }
};
struct GstBufferUnref {
    void operator()(GstBuffer *buffer) const { gst_buffer_unref(buffer); }
};
struct GstStructureFree {
    void operator()(GstStructure *structure) const { gst_structure_free(structure); }
};

template <class T> using GstObjectRef = std::unique_ptr<T, GstObjectUnref>;
using GstCapsRef = std::unique_ptr<GstCaps, GstCapsUnref>;
using GstBufferRef = std::unique_ptr<GstBuffer, GstBufferUnref>;
using GstStructureRef = std::unique_ptr<GstStructure, GstStructureFree>;
