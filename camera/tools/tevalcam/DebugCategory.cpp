#include "DebugCategory.h"

GST_DEBUG_CATEGORY(tevalcam_debug);

void initTevalCamDebug()
{
    if (!tevalcam_debug) {
        GST_DEBUG_CATEGORY_INIT(tevalcam_debug, "tevalcam", 0, "Document Camera publisher");
    }
}
