#include "DirectShowTransformFilter.h"
#include "MediaDeviceEnumerator.h"
#include "MediaGraph.h"
#include "TestCanvas.h"
#include "TestFilms.h"

#include <gst/app/gstappsrc.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

namespace {

// Inverts every byte, so that what leaves the tap shows the canvas wrote it back.
void invert(uchar *data, int width, int height)
{
    for (int i = 0; i < width * height * 3; ++i) {
        data[i] = uchar(255 - data[i]);
    }
}

// The canvas keeps a copy of each frame it is given in `received`, then inverts the frame.
void keepAndInvert(TestCanvas &canvas, QImage &received)
{
    canvas.setComposer([&received](uchar *data, int width, int height) {
        received = QImage(data, width, height, width * 3, QImage::Format_RGB888).copy();
        invert(data, width, height);
    });
}

// A picture whose every byte tells its place: (x + 7 * y + channel) mod 251.
uchar patternByte(int x, int y, int channel)
{
    return uchar((x * 3 + channel + 7 * y) % 251);
}

GstBuffer *patternBuffer(int width, int height, int stride)
{
    GstBuffer *buffer = gst_buffer_new_allocate(nullptr, gsize(stride * height), nullptr);
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    std::memset(map.data, 0xEE, map.size); // padding stays 0xEE
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                map.data[y * stride + x * 3 + c] = patternByte(x, y, c);
            }
        }
    }
    gst_buffer_unmap(buffer, &map);
    GST_BUFFER_PTS(buffer) = 0;
    return buffer;
}

// A device provider of this process listing two microphones, whose elements are test tones.
struct FakeDevice {
    GstDevice parent;
};
struct FakeDeviceClass {
    GstDeviceClass parent;
};
struct FakeProvider {
    GstDeviceProvider parent;
};
struct FakeProviderClass {
    GstDeviceProviderClass parent;
};

GType fakeDeviceType()
{
    static const GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(FakeDeviceClass);
        info.instance_size = sizeof(FakeDevice);
        info.class_init = [](gpointer klass, gpointer) {
            GST_DEVICE_CLASS(klass)->create_element = [](GstDevice *, const gchar *name) {
                return gst_element_factory_make("audiotestsrc", name);
            };
        };
        return g_type_register_static(GST_TYPE_DEVICE, "DocCamFakeDevice", &info, GTypeFlags(0));
    }();
    return type;
}

GstDevice *fakeDevice(const char *name)
{
    GstCaps *caps = gst_caps_new_empty_simple("audio/x-raw");
    auto *device = GST_DEVICE(g_object_new(fakeDeviceType(), "display-name", name, "device-class",
                                           "Audio/Source", "caps", caps, nullptr));
    gst_caps_unref(caps);
    return device;
}

void registerFakeMicrophones()
{
    GTypeInfo info{};
    info.class_size = sizeof(FakeProviderClass);
    info.instance_size = sizeof(FakeProvider);
    info.class_init = [](gpointer klass, gpointer) {
        gst_device_provider_class_set_static_metadata(GST_DEVICE_PROVIDER_CLASS(klass),
                                                      "Test microphones", "Source/Audio",
                                                      "Two microphones", "Test");
        GST_DEVICE_PROVIDER_CLASS(klass)->probe = [](GstDeviceProvider *) {
            GList *devices = g_list_append(nullptr, fakeDevice("Line In"));
            return g_list_append(devices, fakeDevice("Document Camera Microphone"));
        };
    };
    const GType type = g_type_register_static(GST_TYPE_DEVICE_PROVIDER, "DocCamFakeProvider", &info,
                                              GTypeFlags(0));
    QVERIFY(gst_device_provider_register(nullptr, "doccamfakemicrophones", GST_RANK_PRIMARY, type));
}

} // namespace

class FrameTapTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(MediaGraph::initialize()); }
    void init() { m_canvas = std::make_unique<TestCanvas>(); }
    void cleanup() { m_canvas.reset(); }
    void acceptsOnlyRgbVideo_data();
    void acceptsOnlyRgbVideo();
    void transformCopiesRowAndHonoursStride();
    void wideFramesGoBackOnlyWhenSomethingShowsThem_data();
    void wideFramesGoBackOnlyWhenSomethingShowsThem();
    void disconnectWaitsForTheFrameWithTheCanvas();
    void composedPictureLeavesTheTapInPaddedRows();
    void linkConvertsWhatTheTapRefuses();
    void volumeInHundredthsOfDecibel();
    void busErrorEndsGraphQuietly();
    void stopFinishesTheFileWithEveryFrame();
    void devicesAreFoundByName();

private:
    // On the heap: streaming threads write into it, and stack slots reused from test to test
    // confuse ThreadSanitizer.
    std::unique_ptr<TestCanvas> m_canvas;
};

void FrameTapTest::acceptsOnlyRgbVideo_data()
{
    QTest::addColumn<QString>("caps");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("rgb") << "video/x-raw,format=RGB,width=33,height=9,framerate=25/1" << true;
    QTest::newRow("bgrx") << "video/x-raw,format=BGRx,width=33,height=9,framerate=25/1" << true;
    QTest::newRow("bgr") << "video/x-raw,format=BGR,width=32,height=8,framerate=25/1" << false;
    QTest::newRow("i420") << "video/x-raw,format=I420,width=32,height=8,framerate=25/1" << false;
    QTest::newRow("rgbx") << "video/x-raw,format=RGBx,width=32,height=8,framerate=25/1" << false;
    QTest::newRow("mjpeg") << "image/jpeg,width=32,height=8,framerate=25/1" << false;
    QTest::newRow("no size") << "video/x-raw,format=RGB,framerate=25/1" << false;
    QTest::newRow("gl memory")
        << "video/x-raw(memory:GLMemory),format=RGB,width=32,height=8,framerate=25/1" << false;
    QTest::newRow("interlaced")
        << "video/x-raw,format=RGB,width=32,height=8,framerate=25/1,interlace-mode=interleaved"
        << false;
    QTest::newRow("open format") << "video/x-raw,format={RGB,BGR},width=32,height=8" << false;
}

void FrameTapTest::acceptsOnlyRgbVideo()
{
    QFETCH(QString, caps);
    QFETCH(bool, accepted);
    GstCaps *parsed = gst_caps_from_string(caps.toUtf8().constData());
    QVERIFY(parsed);
    QCOMPARE(DirectShowTransformFilter::checkInputType(parsed), accepted);
    gst_caps_unref(parsed);
}

void FrameTapTest::transformCopiesRowAndHonoursStride()
{
    TestCanvas &canvas = *m_canvas;
    QImage received;
    keepAndInvert(canvas, received);
    DirectShowTransformFilter tap(&canvas);
    QVERIFY(tap.element());
    QCOMPARE(tap.callback(), &canvas);

    // Packed rows (4 x 3 pixels, 12 bytes a row) and padded rows (5 x 3, 15 bytes in 16).
    for (const auto &[width, stride] : {std::pair{4, 12}, std::pair{5, 16}}) {
        const int height = 3;
        tap.setMediaType(width, height, false);
        QByteArray buffer(stride * height, char(0xEE));
        auto *data = reinterpret_cast<uchar *>(buffer.data());
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width * 3; ++x) {
                data[y * stride + x] = uchar(10 * y + x);
            }
        }
        tap.transform(data, stride);

        QCOMPARE(received.size(), QSize(width, height));
        for (int y = 0; y < height; ++y) {
            const int sourceRow = y == height - 1 ? height - 2 : y; // bottom row = row above
            for (int x = 0; x < width * 3; ++x) {
                QCOMPARE(received.constScanLine(y)[x], uchar(10 * sourceRow + x));
                QCOMPARE(data[y * stride + x], uchar(255 - (10 * sourceRow + x)));
            }
            for (int x = width * 3; x < stride; ++x) {
                QCOMPARE(data[y * stride + x], uchar(0xEE));
            }
        }
    }
    QVERIFY(!canvas.sawBottomUp());
}

void FrameTapTest::wideFramesGoBackOnlyWhenSomethingShowsThem_data()
{
    QTest::addColumn<bool>("writeBack");
    QTest::newRow("a recording or the presentation downstream") << true;
    QTest::newRow("nothing downstream") << false;
}

// A BGRx frame reaches a canvas that takes 3 bytes a pixel as R, G, B; what the canvas writes
// comes back into the frame as B, G, R only when the tap is told that something shows it.
void FrameTapTest::wideFramesGoBackOnlyWhenSomethingShowsThem()
{
    QFETCH(bool, writeBack);
    TestCanvas &canvas = *m_canvas;
    QImage received;
    keepAndInvert(canvas, received);
    DirectShowTransformFilter tap(&canvas);
    constexpr int width = 3;
    constexpr int height = 2;
    constexpr int stride = 16;
    tap.setMediaType(width, height, true);
    tap.setWriteBack(writeBack);
    QByteArray buffer(stride * height, char(0xEE));
    auto *data = reinterpret_cast<uchar *>(buffer.data());
    for (int i = 0; i < width * 4; ++i) {
        data[i] = uchar(i + 1); // the bottom row becomes a copy of this one
    }
    tap.transform(data, stride);

    QCOMPARE(received.size(), QSize(width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uchar *bgrx = data + y * stride + x * 4;
            const uchar blue = uchar(x * 4 + 1);
            QCOMPARE(received.pixel(x, y), qRgb(blue + 2, blue + 1, blue));
            const uchar expected = writeBack ? uchar(255 - blue) : blue;
            QCOMPARE(bgrx[0], expected);
            QCOMPARE(bgrx[3], uchar(blue + 3)); // the fourth byte is never the canvas's
        }
        QCOMPARE(data[y * stride + width * 4], uchar(0xEE));
    }
}

// What reached the sink, checked on the streaming thread as the sink receives it.
struct SinkCheck {
    std::mutex mutex;
    int buffers = 0;
    bool composed = false;
};

void FrameTapTest::disconnectWaitsForTheFrameWithTheCanvas()
{
    TestCanvas &canvas = *m_canvas;
    std::atomic<int> delivered{0};
    std::atomic<bool> inside{false};
    std::atomic<bool> leaving{false};
    canvas.setComposer([&](uchar *, int, int) {
        inside.store(true);
        while (!leaving.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        delivered.fetch_add(1);
        inside.store(false);
    });
    DirectShowTransformFilter tap(&canvas);
    tap.setMediaType(4, 3, false);
    QByteArray frame(12 * 3, char(0));
    auto *data = reinterpret_cast<uchar *>(frame.data());

    // A frame is with the canvas on a streaming thread while the tap is disconnected: the
    // disconnection returns only after the canvas has let the frame go.
    std::thread streaming([&] { tap.transform(data, 12); });
    QTRY_VERIFY(inside.load());
    leaving.store(true);
    tap.disconnect();
    QCOMPARE(delivered.load(), 1);
    QVERIFY(!inside.load());
    streaming.join();

    // Later frames pass the tap without reaching the canvas.
    tap.transform(data, 12);
    QCOMPARE(delivered.load(), 1);
    QCOMPARE(tap.callback(), nullptr);
}

void FrameTapTest::composedPictureLeavesTheTapInPaddedRows()
{
    // 33 pixels of 3 bytes make rows of 99 bytes, which the framework pads to 100.
    constexpr int width = 33;
    constexpr int height = 9;
    constexpr int stride = 100;
    TestCanvas &canvas = *m_canvas;
    canvas.setComposer(invert);
    DirectShowTransformFilter tap(&canvas);
    MediaGraph graph("tap");
    GstElement *source = graph.add("appsrc", "source");
    GstElement *sink = graph.add("fakesink", "sink");
    QVERIFY(source && sink);
    QVERIFY(graph.add(tap.element()));
    GstCaps *caps = gst_caps_from_string("video/x-raw,format=RGB,width=33,height=9,framerate=25/1");
    g_object_set(source, "caps", caps, "format", GST_FORMAT_TIME, nullptr);
    gst_caps_unref(caps);
    QVERIFY(MediaGraph::linkDirect(source, tap.element()));
    QVERIFY(MediaGraph::linkDirect(tap.element(), sink));

    SinkCheck check;
    GstPad *sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(
        sinkPad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad *, GstPadProbeInfo *info, gpointer data) {
            auto *result = static_cast<SinkCheck *>(data);
            GstMapInfo map;
            GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            bool same =
                gst_buffer_map(buffer, &map, GST_MAP_READ) && int(map.size) == stride * height;
            for (int y = 0; y < height && same; ++y) {
                const int sourceRow = y == height - 1 ? height - 2 : y; // bottom = row above
                for (int x = 0; x < width && same; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        same = same && map.data[y * stride + x * 3 + c] ==
                                           uchar(255 - patternByte(x, sourceRow, c));
                    }
                }
            }
            gst_buffer_unmap(buffer, &map);
            std::lock_guard lock(result->mutex);
            ++result->buffers;
            result->composed = same;
            return GST_PAD_PROBE_OK;
        },
        &check, nullptr);
    gst_object_unref(sinkPad);

    // Queued before the start, so that the sink can preroll.
    QCOMPARE(gst_app_src_push_buffer(GST_APP_SRC(source), patternBuffer(width, height, stride)),
             GST_FLOW_OK);
    QVERIFY(graph.run());
    const auto buffers = [&check] {
        std::lock_guard lock(check.mutex);
        return check.buffers;
    };
    QTRY_COMPARE_WITH_TIMEOUT(buffers(), 1, 10000);
    graph.stop();
    {
        std::lock_guard lock(check.mutex);
        QVERIFY2(check.composed, "the composed picture did not leave the tap row for row");
    }
    QCOMPARE(tap.width(), width);
    QCOMPARE(tap.height(), height);
    // The canvas saw the picture itself, packed, before it composed it.
    const QImage seen = canvas.lastFrame();
    QCOMPARE(seen.size(), QSize(width, height));
    QCOMPARE(seen.pixel(32, 4),
             qRgb(patternByte(32, 4, 0), patternByte(32, 4, 1), patternByte(32, 4, 2)));
    QVERIFY(graph.remove(tap.element()));
}

void FrameTapTest::linkConvertsWhatTheTapRefuses()
{
    TestCanvas &canvas = *m_canvas;
    DirectShowTransformFilter tap(&canvas);
    MediaGraph graph("convert");
    GstElement *source = graph.add("videotestsrc", "source");
    GstElement *format = graph.add("capsfilter", "format");
    GstElement *sink = graph.add("fakesink", "sink");
    QVERIFY(source && format && sink && graph.add(tap.element()));
    g_object_set(source, "num-buffers", 3, nullptr);
    GstCaps *caps = gst_caps_from_string("video/x-raw,format=I420,width=32,height=24");
    g_object_set(format, "caps", caps, nullptr);
    gst_caps_unref(caps);
    QVERIFY(MediaGraph::linkDirect(source, format));
    QVERIFY(!MediaGraph::linkDirect(format, tap.element())); // I420 is refused as it stands
    QVERIFY(graph.link(format, tap.element()));              // a converter goes in between
    QVERIFY(MediaGraph::linkDirect(tap.element(), sink));
    QVERIFY(graph.run());
    QTRY_VERIFY_WITH_TIMEOUT(graph.atEos(), 10000);
    QCOMPARE(canvas.frameCount(), 3);
    QCOMPARE(canvas.lastFrame().size(), QSize(32, 24));
}

void FrameTapTest::volumeInHundredthsOfDecibel()
{
    QCOMPARE(MediaGraph::volumeFactor(0), 1.0);
    QVERIFY(qFuzzyCompare(MediaGraph::volumeFactor(-2000), 0.1));
    QVERIFY(qFuzzyCompare(MediaGraph::volumeFactor(-9900), std::pow(10.0, -99.0 / 20.0)));
    QCOMPARE(MediaGraph::volumeFactor(-10000), 0.0);
    QCOMPARE(MediaGraph::volumeFactor(-20000), 0.0);
    QCOMPARE(MediaGraph::volumeFactor(500), 1.0); // no amplification
    MediaGraph graph("volume");
    GstElement *volume = graph.add("volume", "volume");
    QVERIFY(MediaGraph::setVolume(volume, -2000));
    double factor = 0;
    g_object_get(volume, "volume", &factor, nullptr);
    QVERIFY(std::abs(factor - 0.1) < 1e-6); // the element keeps single precision
    QVERIFY(!MediaGraph::setVolume(graph.add("fakesink", "sink"), 0));
}

void FrameTapTest::busErrorEndsGraphQuietly()
{
    // A missing file fails while the graph starts.
    {
        MediaGraph graph("missing");
        GstElement *source = graph.add("filesrc", "source");
        g_object_set(source, "location", "/nonexistent/film.avi", nullptr);
        QVERIFY(MediaGraph::linkDirect(source, graph.add("fakesink", "sink")));
        QVERIFY(!graph.run());
        QVERIFY(!graph.pause());
    }
    // An error while running stops the graph and reports once, on this thread.
    MediaGraph graph("running");
    GstElement *source = graph.add("videotestsrc", "source");
    GstElement *sink = graph.add("fakesink", "sink");
    g_object_set(source, "is-live", TRUE, nullptr);
    QVERIFY(MediaGraph::linkDirect(source, sink));
    int errors = 0;
    QThread *reportedOn = nullptr;
    graph.setErrorHandler([&] {
        ++errors;
        reportedOn = QThread::currentThread();
    });
    QVERIFY(graph.run());
    QCOMPARE(graph.state(), MediaGraph::State::Running);
    GST_ELEMENT_ERROR(source, STREAM, FAILED, ("broken"), ("injected by the test"));
    GST_ELEMENT_ERROR(source, STREAM, FAILED, ("broken"), ("injected by the test"));
    QTRY_COMPARE(errors, 1);
    QCOMPARE(reportedOn, QThread::currentThread());
    QVERIFY(graph.failed());
    QCOMPARE(graph.state(), MediaGraph::State::Stopped);
    QVERIFY(!graph.run()); // the graph stays ended
}

void FrameTapTest::stopFinishesTheFileWithEveryFrame()
{
    QTemporaryDir folder;
    const QString path = folder.filePath("record.avi");
    TestCanvas &canvas = *m_canvas;
    DirectShowTransformFilter tap(&canvas);
    MediaGraph graph("record");
    GstElement *source = graph.add("videotestsrc", "source");
    GstElement *encoder = graph.add("jpegenc", "Video Compressor");
    GstElement *mux = graph.add("avimux", "Avi Mux");
    GstElement *writer = graph.add("filesink", "File Writer");
    QVERIFY(source && encoder && mux && writer && graph.add(tap.element()));
    g_object_set(source, "is-live", TRUE, nullptr);
    g_object_set(writer, "location", path.toUtf8().constData(), nullptr);
    QVERIFY(graph.link(source, tap.element()));
    QVERIFY(graph.link(tap.element(), encoder));
    QVERIFY(MediaGraph::linkDirect(encoder, mux));
    QVERIFY(MediaGraph::linkDirect(mux, writer));
    QVERIFY(graph.run());
    QTRY_VERIFY_WITH_TIMEOUT(canvas.frameCount() >= 5, 10000);
    graph.stop();
    QCOMPARE(graph.state(), MediaGraph::State::Stopped);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray avi = file.readAll();
    const qsizetype movie = avi.indexOf("movi");
    const qsizetype index = avi.indexOf("idx1");
    QVERIFY2(movie > 0 && index > movie, "the recording has no index");
    // Every frame that passed the tap is in the file.
    QCOMPARE(int(avi.mid(movie, index - movie).count("00db")), canvas.frameCount());
}

void FrameTapTest::devicesAreFoundByName()
{
    registerFakeMicrophones();
    MediaDeviceEnumerator microphones("Audio/Source");
    const int index = microphones.find("Document Camera");
    QVERIFY(index >= 0);
    QCOMPARE(microphones.name(index), QString("Document Camera Microphone"));
    QCOMPARE(microphones.find("document camera"), -1); // the name is matched case-sensitively
    QVERIFY(microphones.find("Line In") >= 0);
    QVERIFY(microphones.name(microphones.count()).isEmpty());

    GstElement *element = microphones.createElement(index, "Audio Capture Filter");
    QVERIFY(element);
    gst_object_ref_sink(element);
    QCOMPARE(QByteArray(GST_OBJECT_NAME(element)), QByteArray("Audio Capture Filter"));
    QCOMPARE(QByteArray(GST_OBJECT_NAME(gst_element_get_factory(element))),
             QByteArray("audiotestsrc"));
    gst_object_unref(element);
    QVERIFY(!microphones.createElement(-1, "none"));
    QCOMPARE(MediaDeviceEnumerator("Video/Sink").find("Document Camera"), -1);
}

QTEST_GUILESS_MAIN(FrameTapTest)
#include "tst_frame_tap.moc"
