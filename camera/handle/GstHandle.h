#pragma once

#include <gst/gst.h>

#include <memory>

// Owning handles for GStreamer and GLib objects, shared by the camera's plug-in, its publisher
// and the viewer: a unique_ptr whose deleter drops the one reference (or frees the one
// allocation) the handle holds.
//
//   GstHandle<GstPad> pad(gst_element_get_static_pad(element, "src"));   // transfer full
//   GstHandle<GstElement> element = adoptFloating(gst_element_factory_make("queue", nullptr));
//   CapsHandle caps(gst_pad_query_caps(pad.get(), nullptr));
//   GCharHandle text(gst_caps_to_string(caps.get()));
namespace gsthandle {

struct ObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct CapsUnref {
    void operator()(GstCaps *caps) const { gst_caps_unref(caps); }
};
struct BufferUnref {
    void operator()(GstBuffer *buffer) const { gst_buffer_unref(buffer); }
};
struct StructureFree {
    void operator()(GstStructure *structure) const { gst_structure_free(structure); }
};
struct MessageUnref {
    void operator()(GstMessage *message) const { gst_message_unref(message); }
};
struct EventUnref {
    void operator()(GstEvent *event) const { gst_event_unref(event); }
};
struct IteratorFree {
    void operator()(GstIterator *iterator) const { gst_iterator_free(iterator); }
};
struct ErrorFree {
    void operator()(GError *error) const { g_error_free(error); }
};
struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};

// A pipeline is set to NULL before its last reference goes.
struct PipelineStop {
    void operator()(GstElement *pipeline) const
    {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }
};

} // namespace gsthandle

// Any GstObject (elements, bins, pads, buses, clocks, factories).
template <typename T> using GstHandle = std::unique_ptr<T, gsthandle::ObjectUnref>;
using PipelineHandle = std::unique_ptr<GstElement, gsthandle::PipelineStop>;
using CapsHandle = std::unique_ptr<GstCaps, gsthandle::CapsUnref>;
using BufferHandle = std::unique_ptr<GstBuffer, gsthandle::BufferUnref>;
using StructureHandle = std::unique_ptr<GstStructure, gsthandle::StructureFree>;
using MessageHandle = std::unique_ptr<GstMessage, gsthandle::MessageUnref>;
using EventHandle = std::unique_ptr<GstEvent, gsthandle::EventUnref>;
using IteratorHandle = std::unique_ptr<GstIterator, gsthandle::IteratorFree>;
using ErrorHandle = std::unique_ptr<GError, gsthandle::ErrorFree>;
using GCharHandle = std::unique_ptr<gchar, gsthandle::GFree>;

// Takes ownership of a newly made object: a floating reference is sunk, a full one kept.
template <typename T> GstHandle<T> adoptFloating(T *object)
{
    return GstHandle<T>(object ? static_cast<T *>(gst_object_ref_sink(object)) : nullptr);
}

// A second reference to an object someone else holds (a borrowed pointer).
template <typename T> GstHandle<T> addReference(T *object)
{
    return GstHandle<T>(object ? static_cast<T *>(gst_object_ref(object)) : nullptr);
}
