#pragma once

#include <gst/base/gstpushsrc.h>
#include <gst/gst.h>

class CTevalFilter;

// The element "tevalcapsrc": a live GStreamer source over CTevalFilter. A reader thread of its
// own starts the camera before the first frame (OnThreadCreate) and asks the pin for one frame
// per buffer (FillBuffer), stamped with the running time at its arrival; the streaming task
// pushes the frames it kept. The camera stops when the element stops (OnThreadDestroy). The
// latency it answers is a frame period and the transfer, at least.
//
// Camera controls, reachable without linking against the library (action signals):
//   gint get-control (GstElement *src, gint property, gpointer value)
//       value is a gint* (may be NULL) that receives the parameter; returns the HRESULT.
//   gint set-control (GstElement *src, gint property, gint value)
//       returns the HRESULT.
// Brightness is also offered through GstColorBalance (channel "BRIGHTNESS", 0 to 14).
G_BEGIN_DECLS

#define GST_TYPE_TEVALCAP_SRC (gst_tevalcap_src_get_type())
G_DECLARE_FINAL_TYPE(GstTevalCapSrc, gst_tevalcap_src, GST, TEVALCAP_SRC, GstPushSrc)

G_END_DECLS

// The caps of the seven frame sizes with their frame-rate ranges.
GstCaps *TevalCapTemplateCaps();
// The filter behind an element (for the property-sheet host and tests); null for other objects.
CTevalFilter *TevalCapSrcFilter(GstElement *element);
