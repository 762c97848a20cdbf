#pragma once

#include <gst/gst.h>

// The element's buffer pool: GStreamer's own, with each buffer's return to the pool and its
// reuse ordered through a lock ThreadSanitizer sees. A frame's buffer goes back from whichever
// thread drops it last and the reader thread then writes the next frame into it; GStreamer
// orders the two in code the checker cannot see, so without this hand-off every reuse of a
// buffer would read as a race and a real one would drown among them.
G_BEGIN_DECLS

#define GST_TYPE_TEVALCAP_POOL (gst_tevalcap_pool_get_type())
G_DECLARE_FINAL_TYPE(GstTevalCapPool, gst_tevalcap_pool, GST, TEVALCAP_POOL, GstBufferPool)

G_END_DECLS

// A new pool, not yet configured (full reference).
GstBufferPool *TevalCapPoolNew();
