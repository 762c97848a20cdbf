#include "filter/GstTevalCapDebug.h"

#include "usb/TevalLog.h"

GST_DEBUG_CATEGORY(tevalcap_debug);

namespace {

GstDebugLevel LevelOf(LogLevel level)
{
    switch (level) {
    case LogLevel::Error:
        return GST_LEVEL_ERROR;
    case LogLevel::Warning:
        return GST_LEVEL_WARNING;
    case LogLevel::Info:
        return GST_LEVEL_INFO;
    case LogLevel::Debug:
        break;
    }
    return GST_LEVEL_DEBUG;
}

void ToCategory(LogLevel level, const char *file, int line, const char *message)
{
    const GstDebugLevel gstLevel = LevelOf(level);
    if (gst_debug_category_get_threshold(tevalcap_debug) < gstLevel) {
        return;
    }
    gst_debug_log(tevalcap_debug, gstLevel, file, "", line, nullptr, "%s", message);
}

} // namespace

void TevalCapDebugInit()
{
    static gsize once = 0;
    if (g_once_init_enter(&once)) {
        GST_DEBUG_CATEGORY_INIT(tevalcap_debug, "tevalcap", 0, "Document Camera");
        SetLogSink(ToCategory);
        g_once_init_leave(&once, 1);
    }
}
