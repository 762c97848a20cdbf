#pragma once

#include <gst/gst.h>

// The plug-in's debug category "tevalcap" (GST_DEBUG=tevalcap:4 shows every failed step). It
// also receives the messages of the library's plain layers (transports, commands, simulated
// camera), which write through the library log.
GST_DEBUG_CATEGORY_EXTERN(tevalcap_debug);

// Creates the category and routes the library log into it; safe to call more than once.
void TevalCapDebugInit();
