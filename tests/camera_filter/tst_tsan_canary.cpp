// Proof that ThreadSanitizer, with the camera tests' suppressions, reports a race in code that
// runs on the camera element's streaming thread. A probe on the src pad of a real tevalcapsrc
// pipeline writes a counter without any synchronisation while this thread reads it.
//
// Built in ThreadSanitizer builds only. The program exits 0 in every case that ThreadSanitizer
// does not end (halt_on_error, exit code kTsanExitCode in its options): ctest expects it to fail,
// so a suppression that hid the race, or a pipeline that never streamed, shows as a failed test.
#include <gst/gst.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Written by the streaming thread, read here: unsynchronised on purpose.
volatile int gFramesSeen = 0;

GstPadProbeReturn CountFrameUnsynchronised(GstPad *, GstPadProbeInfo *, gpointer)
{
    gFramesSeen = gFramesSeen + 1;
    return GST_PAD_PROBE_OK;
}

} // namespace

int main(int argc, char **argv)
{
    setenv("TEVALCAP_SIMULATE", "1", 1);
    gst_init(&argc, &argv);
    GError *error = nullptr;
    GstElement *pipeline = gst_parse_launch(
        "tevalcapsrc name=src ! image/jpeg,width=320,height=240 ! fakesink sync=false", &error);
    if (pipeline == nullptr || error != nullptr) {
        std::printf("canary: no pipeline (%s)\n", error != nullptr ? error->message : "?");
        return 0;
    }
    GstElement *src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    GstPad *pad = gst_element_get_static_pad(src, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, CountFrameUnsynchronised, nullptr, nullptr);
    gst_object_unref(pad);
    gst_object_unref(src);

    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    // Waits for a few frames: every read here races with the probe's write.
    int seen = 0;
    for (int waited = 0; waited < 600 && seen < 5; ++waited) {
        g_usleep(50 * 1000);
        seen = gFramesSeen;
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    std::printf("canary: %d frames seen and no race reported\n", seen);
    return 0;
}
