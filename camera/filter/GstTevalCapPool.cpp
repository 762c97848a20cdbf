#include "filter/GstTevalCapPool.h"

#include <mutex>

struct _GstTevalCapPool {
    GstBufferPool parent;
};

G_DEFINE_TYPE(GstTevalCapPool, gst_tevalcap_pool, GST_TYPE_BUFFER_POOL)

namespace {

// Released after a buffer's last use, taken before its next one; it guards no data.
std::mutex gHandOff;

GstFlowReturn AcquireBuffer(GstBufferPool *pool, GstBuffer **buffer,
                            GstBufferPoolAcquireParams *params)
{
    const GstFlowReturn result =
        GST_BUFFER_POOL_CLASS(gst_tevalcap_pool_parent_class)->acquire_buffer(pool, buffer, params);
    const std::lock_guard after(gHandOff);
    return result;
}

void ReleaseBuffer(GstBufferPool *pool, GstBuffer *buffer)
{
    {
        const std::lock_guard before(gHandOff);
    }
    GST_BUFFER_POOL_CLASS(gst_tevalcap_pool_parent_class)->release_buffer(pool, buffer);
}

} // namespace

static void gst_tevalcap_pool_class_init(GstTevalCapPoolClass *klass)
{
    GstBufferPoolClass *poolClass = GST_BUFFER_POOL_CLASS(klass);
    poolClass->acquire_buffer = AcquireBuffer;
    poolClass->release_buffer = ReleaseBuffer;
}

static void gst_tevalcap_pool_init(GstTevalCapPool *) {}

GstBufferPool *TevalCapPoolNew()
{
    return GST_BUFFER_POOL(gst_object_ref_sink(g_object_new(GST_TYPE_TEVALCAP_POOL, nullptr)));
}
