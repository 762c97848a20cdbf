// The plugin as GStreamer hosts see it: loaded from the build tree through GST_PLUGIN_PATH,
// streaming from the simulated camera at every size, its controls, QoS and the device monitor.
#include "CameraMessage.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/colorbalance.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

namespace {

constexpr gint kOk = 0;
constexpr gint kInvalidArg = static_cast<gint>(0x80070057u);
// Generous: sanitizer builds decode slowly.
constexpr GstClockTime kPullTimeout = 30 * GST_SECOND;

struct Unref {
    void operator()(GstElement *e) const
    {
        gst_element_set_state(e, GST_STATE_NULL);
        gst_object_unref(e);
    }
};
using Pipeline = std::unique_ptr<GstElement, Unref>;

// The frames cross GStreamer's queues, whose futex hand-offs ThreadSanitizer cannot follow. A
// probe at the camera's pad passes each frame, once written, through this mutex, and the test
// takes it before reading a pulled frame: the hand-off is then one ThreadSanitizer sees.
std::mutex gFramesPublished;

GstPadProbeReturn PublishFrame(GstPad *, GstPadProbeInfo *, gpointer)
{
    const std::lock_guard lock(gFramesPublished);
    return GST_PAD_PROBE_OK;
}

void PublishCameraFrames(GstElement *pipeline)
{
    GstIterator *elements = gst_bin_iterate_recurse(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
        auto *element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory *factory = gst_element_get_factory(element);
        if (factory != nullptr && g_strcmp0(GST_OBJECT_NAME(factory), "tevalcapsrc") == 0) {
            GstPad *pad = gst_element_get_static_pad(element, "src");
            gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, PublishFrame, nullptr, nullptr);
            gst_object_unref(pad);
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(elements);
}

Pipeline Launch(const std::string &description)
{
    GError *error = nullptr;
    GstElement *pipeline = gst_parse_launch(description.c_str(), &error);
    if (error != nullptr) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
    }
    if (pipeline != nullptr) {
        PublishCameraFrames(pipeline);
    }
    return Pipeline(pipeline);
}

GstSample *Pull(GstElement *pipeline, const char *sink)
{
    GstElement *appsink = gst_bin_get_by_name(GST_BIN(pipeline), sink);
    GstSample *sample = gst_app_sink_try_pull_sample(GST_APP_SINK(appsink), kPullTimeout);
    gst_object_unref(appsink);
    const std::lock_guard lock(gFramesPublished);
    return sample;
}

// The simulated camera films a light sheet of paper on a dark brown desk.
void ExpectDocumentScene(const testjpeg::Picture &p)
{
    auto pixel = [&](double fx, double fy) {
        const int x = static_cast<int>(fx * p.width);
        const int y = static_cast<int>(fy * p.height);
        return &p.rgb[(static_cast<std::size_t>(y) * p.width + x) * 3];
    };
    const std::uint8_t *paper = pixel(0.15, 0.5);
    EXPECT_GT(paper[0], 200);
    EXPECT_GT(paper[1], 200);
    EXPECT_GT(paper[2], 200);
    const std::uint8_t *desk = pixel(0.03, 0.03);
    EXPECT_LT(desk[0] + desk[1] + desk[2], 3 * 150);
    EXPECT_GT(desk[0], desk[2] + 20) << "brown: more red than blue";
}

struct Size {
    int width;
    int height;
    int fps; // the highest rate of the size
};

class ElementSize : public testing::TestWithParam<Size> {};

TEST_P(ElementSize, StreamsFramesThatDecode)
{
    const auto [w, h, fps] = GetParam();
    {
        const std::string caps =
            "image/jpeg,width=" + std::to_string(w) + ",height=" + std::to_string(h);
        Pipeline pipeline = Launch("tevalcapsrc ! " + caps +
                                   " ! tee name=t t. ! queue ! appsink name=jpeg sync=false "
                                   "t. ! queue ! jpegdec ! video/x-raw,format=I420 ! "
                                   "appsink name=raw sync=false");
        ASSERT_TRUE(pipeline);
        ASSERT_NE(gst_element_set_state(pipeline.get(), GST_STATE_PLAYING),
                  GST_STATE_CHANGE_FAILURE);

        GstClockTime previous = GST_CLOCK_TIME_NONE;
        for (int frame = 0; frame < 2; ++frame) {
            GstSample *sample = Pull(pipeline.get(), "jpeg");
            ASSERT_NE(sample, nullptr);
            const GstStructure *s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
            int n = 0;
            int d = 0;
            ASSERT_TRUE(gst_structure_get_fraction(s, "framerate", &n, &d));
            EXPECT_EQ(n, fps);
            EXPECT_EQ(d, 1);
            GstBuffer *buffer = gst_sample_get_buffer(sample);
            // The frame period in 100 ns units, rounded.
            EXPECT_EQ(GST_BUFFER_DURATION(buffer),
                      static_cast<GstClockTime>((10000000 + fps / 2) / fps) * 100);
            if (GST_CLOCK_TIME_IS_VALID(previous)) {
                EXPECT_GT(GST_BUFFER_PTS(buffer), previous);
            }
            previous = GST_BUFFER_PTS(buffer);
            GstMapInfo map;
            ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_READ));
            testjpeg::Picture picture;
            EXPECT_TRUE(testjpeg::Decode(map.data, map.size, &picture));
            EXPECT_EQ(picture.width, w);
            EXPECT_EQ(picture.height, h);
            if (picture.width == w && picture.height == h) {
                ExpectDocumentScene(picture);
            }
            gst_buffer_unmap(buffer, &map);
            gst_sample_unref(sample);
        }

        GstSample *raw = Pull(pipeline.get(), "raw");
        ASSERT_NE(raw, nullptr);
        const GstStructure *s = gst_caps_get_structure(gst_sample_get_caps(raw), 0);
        int rw = 0;
        int rh = 0;
        gst_structure_get_int(s, "width", &rw);
        gst_structure_get_int(s, "height", &rh);
        EXPECT_EQ(rw, w);
        EXPECT_EQ(rh, h);
        // Luma of the paper and of the desk, decoded by jpegdec.
        GstMapInfo map;
        ASSERT_TRUE(gst_buffer_map(gst_sample_get_buffer(raw), &map, GST_MAP_READ));
        const std::size_t stride = (static_cast<std::size_t>(w) + 3) & ~std::size_t{3};
        EXPECT_GT(map.data[stride * (h / 2) + static_cast<std::size_t>(w * 0.15)], 200);
        EXPECT_LT(map.data[stride * (h * 3 / 100) + static_cast<std::size_t>(w * 0.03)], 150);
        gst_buffer_unmap(gst_sample_get_buffer(raw), &map);
        gst_sample_unref(raw);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ElementSize,
                         testing::Values(Size{320, 240, 30}, Size{640, 480, 30}, Size{960, 720, 30},
                                         Size{1024, 576, 30}, Size{1024, 768, 25},
                                         Size{1280, 720, 15}, Size{1280, 960, 12}));

TEST(Element, ControlsThroughActionSignalsAndColorBalance)
{
    GstElement *src = gst_element_factory_make("tevalcapsrc", nullptr);
    ASSERT_NE(src, nullptr);
    gchar *longName = nullptr;
    GstElementFactory *factory = gst_element_get_factory(src);
    EXPECT_STREQ(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME),
                 "Document Camera");
    EXPECT_STREQ(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS),
                 "Source/Video");
    g_free(longName);

    gint status = 0;
    gint hr = -1;
    g_signal_emit_by_name(src, "get-control", 0x200E, &status, &hr);
    EXPECT_EQ(hr, kOk);
    EXPECT_EQ(static_cast<guint>(status) & 0x0C000000u, 0x0C000000u);

    g_signal_emit_by_name(src, "set-control", 0x2008, 12, &hr);
    EXPECT_EQ(hr, kOk);
    gint value = 0;
    g_signal_emit_by_name(src, "get-control", 0x2008, &value, &hr);
    EXPECT_EQ(hr, kOk);
    EXPECT_EQ(value, 12);
    g_signal_emit_by_name(src, "get-control", 0x200A, &value, &hr);
    EXPECT_EQ(hr, kInvalidArg);
    g_signal_emit_by_name(src, "set-control", 0x200E, 1, &hr);
    EXPECT_EQ(hr, kInvalidArg);
    g_signal_emit_by_name(src, "get-control", 0x2146, nullptr, &hr);
    EXPECT_EQ(hr, kOk);

    ASSERT_TRUE(GST_IS_COLOR_BALANCE(src));
    const GList *channels = gst_color_balance_list_channels(GST_COLOR_BALANCE(src));
    ASSERT_NE(channels, nullptr);
    auto *brightness = GST_COLOR_BALANCE_CHANNEL(channels->data);
    EXPECT_STREQ(brightness->label, "BRIGHTNESS");
    EXPECT_EQ(brightness->max_value, 14);
    gst_color_balance_set_value(GST_COLOR_BALANCE(src), brightness, 3);
    g_signal_emit_by_name(src, "get-control", 0x2008, &value, &hr);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(gst_color_balance_get_value(GST_COLOR_BALANCE(src), brightness), 3);
    gst_color_balance_set_value(GST_COLOR_BALANCE(src), brightness, 7);
    gst_object_unref(src);
}

TEST(Element, QualityEventsStretchTheDuration)
{
    Pipeline pipeline = Launch("tevalcapsrc name=src ! image/jpeg,width=640,height=480,"
                               "framerate=30/1 ! appsink name=jpeg sync=false");
    ASSERT_TRUE(pipeline);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    GstSample *first = Pull(pipeline.get(), "jpeg");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GST_BUFFER_DURATION(gst_sample_get_buffer(first)), 33333300u);
    gst_sample_unref(first);

    GstElement *src = gst_bin_get_by_name(GST_BIN(pipeline.get()), "src");
    GstPad *pad = gst_element_get_static_pad(src, "src");
    // Downstream runs at half speed: proportion 0.5, the described 500.
    gst_pad_push_event(gst_pad_get_peer(pad), gst_event_new_qos(GST_QOS_TYPE_UNDERFLOW, 0.5, 0, 0));
    gst_object_unref(pad);
    gst_object_unref(src);
    bool stretched = false;
    for (int i = 0; i < 6 && !stretched; ++i) {
        GstSample *sample = Pull(pipeline.get(), "jpeg");
        ASSERT_NE(sample, nullptr);
        stretched = GST_BUFFER_DURATION(gst_sample_get_buffer(sample)) == 66666600u;
        gst_sample_unref(sample);
    }
    EXPECT_TRUE(stretched);
}

void CountFrame(GstElement *, GstBuffer *, GstPad *, gpointer count)
{
    static_cast<std::atomic<int> *>(count)->fetch_add(1);
}

// Behind a sink that waits for each frame's time on the clock, the camera's rate still arrives:
// the element answers the latency query with a frame period at least, and stamps each frame
// when it arrives rather than when the held-up streaming thread comes back for it.
TEST(Element, AClockSynchronisedSinkGetsTheCamerasRate)
{
    constexpr int kRate = 25;
    Pipeline pipeline =
        Launch("tevalcapsrc name=src ! image/jpeg,width=1024,height=768,"
               "framerate=25/1 ! fakesink name=sink sync=true signal-handoffs=true");
    ASSERT_TRUE(pipeline);
    std::atomic<int> frames{0};
    GstElement *sink = gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink");
    g_signal_connect(sink, "handoff", G_CALLBACK(CountFrame), &frames);
    gst_object_unref(sink);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    for (int waited = 0; waited < 600 && frames.load() == 0; ++waited) {
        g_usleep(50 * 1000);
    }
    ASSERT_GT(frames.load(), 0) << "no frame reached the sink";

    GstElement *src = gst_bin_get_by_name(GST_BIN(pipeline.get()), "src");
    GstQuery *query = gst_query_new_latency();
    ASSERT_TRUE(gst_element_query(src, query));
    gboolean live = FALSE;
    GstClockTime min = 0;
    GstClockTime max = 0;
    gst_query_parse_latency(query, &live, &min, &max);
    gst_query_unref(query);
    gst_object_unref(src);
    EXPECT_TRUE(live);
    EXPECT_GE(min, GST_SECOND / kRate);
    EXPECT_LT(min, GST_SECOND / 5) << "a frame and its transfer, not more";
    EXPECT_GT(max, min);

    constexpr int kSeconds = 3;
    const int before = frames.load();
    g_usleep(kSeconds * G_USEC_PER_SEC);
    const int counted = frames.load() - before;
    EXPECT_GE(counted, kRate * kSeconds * 9 / 10) << counted << " frames in " << kSeconds << " s";
}

TEST(Element, StopReturnsWhileAFrameReadWaits)
{
    // One frame every two seconds: after the first frame the read waits for the camera.
    Pipeline pipeline = Launch("tevalcapsrc ! image/jpeg,width=320,height=240,framerate=1/2 ! "
                               "appsink name=jpeg sync=false");
    ASSERT_TRUE(pipeline);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    GstSample *sample = Pull(pipeline.get(), "jpeg");
    ASSERT_NE(sample, nullptr);
    gst_sample_unref(sample);
    EXPECT_EQ(gst_element_set_state(pipeline.get(), GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
    // And it runs again afterwards.
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    sample = Pull(pipeline.get(), "jpeg");
    EXPECT_NE(sample, nullptr);
    if (sample != nullptr) {
        gst_sample_unref(sample);
    }
}

TEST(Element, ANewSizeWhileStreamingRestartsTheCameraWithIt)
{
    Pipeline pipeline = Launch("tevalcapsrc ! capsfilter name=size caps=image/jpeg,width=640,"
                               "height=480 ! appsink name=jpeg sync=false");
    ASSERT_TRUE(pipeline);
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    GstSample *sample = Pull(pipeline.get(), "jpeg");
    ASSERT_NE(sample, nullptr);
    gst_sample_unref(sample);

    GstElement *size = gst_bin_get_by_name(GST_BIN(pipeline.get()), "size");
    GstCaps *smaller = gst_caps_from_string("image/jpeg,width=320,height=240");
    g_object_set(size, "caps", smaller, nullptr);
    gst_caps_unref(smaller);
    gst_object_unref(size);

    // Frames already on their way keep the old size; then the camera sends the new one.
    bool resized = false;
    for (int i = 0; i < 10 && !resized; ++i) {
        sample = Pull(pipeline.get(), "jpeg");
        ASSERT_NE(sample, nullptr);
        GstMapInfo map;
        ASSERT_TRUE(gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ));
        testjpeg::Picture picture;
        ASSERT_TRUE(testjpeg::Decode(map.data, map.size, &picture));
        resized = picture.width == 320 && picture.height == 240;
        if (resized) {
            ExpectDocumentScene(picture);
        }
        gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
        gst_sample_unref(sample);
    }
    EXPECT_TRUE(resized);
}

TEST(Element, DeviceMonitorListsTheDocumentCamera)
{
    GstDeviceMonitor *monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    ASSERT_TRUE(gst_device_monitor_start(monitor));
    GList *devices = gst_device_monitor_get_devices(monitor);
    int found = 0;
    for (GList *l = devices; l != nullptr; l = l->next) {
        GstDevice *device = GST_DEVICE(l->data);
        gchar *name = gst_device_get_display_name(device);
        if (g_strcmp0(name, "Document Camera") == 0) {
            ++found;
            GstElement *element = gst_device_create_element(device, nullptr);
            ASSERT_NE(element, nullptr);
            EXPECT_STREQ(GST_OBJECT_NAME(gst_element_get_factory(element)), "tevalcapsrc");
            gst_object_unref(element);
        }
        g_free(name);
    }
    g_list_free_full(devices, gst_object_unref);
    gst_device_monitor_stop(monitor);
    gst_object_unref(monitor);
    EXPECT_EQ(found, 1);
}

} // namespace

int main(int argc, char **argv)
{
    setenv("TEVALCAP_SIMULATE", "1", 1);
    gst_init(&argc, &argv);
    testing::InitGoogleTest(&argc, argv);
    // Sanitizer builds of the plugin load only into sanitizer builds of a program, so the
    // registry must be built in this process (GST_REGISTRY_FORK=no), not by GStreamer's scanner.
    GstElementFactory *factory = gst_element_factory_find("tevalcapsrc");
    if (factory == nullptr) {
        std::fprintf(stderr,
                     "tevalcapsrc cannot be loaded from GST_PLUGIN_PATH (%s); with a "
                     "sanitizer build, set GST_REGISTRY_FORK=no\n",
                     std::getenv("GST_PLUGIN_PATH") ? std::getenv("GST_PLUGIN_PATH") : "unset");
        return 1;
    }
    gst_object_unref(factory);
    return RUN_ALL_TESTS();
}
