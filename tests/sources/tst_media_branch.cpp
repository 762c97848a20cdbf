#include "GstHandle.h"
#include "MediaBranch.h"
#include "MediaGraph.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <memory>

namespace {

constexpr int Fps = 30;

// Counts the buffers that pass a pad.
struct Counter {
    std::atomic<int> buffers{0};

    void watch(GstElement *element, const char *pad)
    {
        MediaGraph::addProbe(element, pad, GST_PAD_PROBE_TYPE_BUFFER,
                             [this](GstPad *, GstPadProbeInfo *) {
                                 buffers.fetch_add(1);
                                 return GST_PAD_PROBE_OK;
                             });
    }
};

// A running live graph: test source -> tee -> preview sink, frames counted at the sink.
struct LiveGraph {
    MediaGraph graph{"branch test"};
    GstElement *tee = nullptr;
    Counter preview;

    explicit LiveGraph(int frames = -1)
    {
        GstElement *source = graph.add("videotestsrc", "Source");
        GstElement *format = graph.add("capsfilter", "Format");
        tee = graph.addTee("Tee");
        GstElement *sink = graph.add("fakesink", "Preview");
        CapsHandle caps(
            gst_caps_from_string("video/x-raw,format=I420,width=160,height=120,framerate=30/1"));
        MediaGraph::setProperty(format, "caps", caps.get());
        MediaGraph::setProperty(source, "is-live", true);
        MediaGraph::setProperty(source, "num-buffers", frames);
        MediaGraph::setProperty(sink, "sync", false);
        MediaGraph::setProperty(sink, "async", false);
        MediaGraph::linkDirect(source, format);
        MediaGraph::linkDirect(format, tee);
        MediaGraph::linkDirect(tee, sink);
        preview.watch(sink, "sink");
    }

    // Waits until the preview has shown count more frames.
    bool advance(int count)
    {
        const int target = preview.buffers.load() + count;
        return QTest::qWaitFor([&] { return preview.buffers.load() >= target; }, 5000);
    }

    int children() const { return int(GST_BIN_NUMCHILDREN(graph.pipeline())); }
    int teePads() const { return int(GST_ELEMENT(tee)->numsrcpads); }
};

GstElement *make(const char *factory, const char *name = nullptr)
{
    return gst_element_factory_make(factory, name);
}

// An AVI writer branch: JPEG compressor, muxer, file (with a live test tone when sound).
GstElement *aviBranch(const QString &path, bool sound = false)
{
    GstElement *writer = make("filesink", "Writer");
    MediaGraph::setProperty(writer, "location", QFile::encodeName(path).constData());
    MediaGraph::setProperty(writer, "async", false);
    GstElement *muxer = make("avimux", "Muxer");
    GstElement *bin = MediaGraph::chainBin("Recording", {make("jpegenc"), muxer, writer});
    if (bin && sound) {
        GstElement *tone = make("audiotestsrc", "Tone");
        MediaGraph::setProperty(tone, "is-live", true);
        GstElement *convert = make("audioconvert");
        gst_bin_add_many(GST_BIN(bin), tone, convert, nullptr);
        gst_element_link_many(tone, convert, muxer, nullptr);
    }
    return bin;
}

// Frames of the first video stream of an AVI file, read back with a graph of its own; -1 when
// the file cannot be read to its end.
int aviFrames(const QString &path)
{
    MediaGraph reader("reader");
    GstElement *source = reader.add("filesrc", "File");
    GstElement *demuxer = reader.add("avidemux", "Demuxer");
    GstElement *sink = reader.add("fakesink", "Frames");
    MediaGraph::setProperty(source, "location", QFile::encodeName(path).constData());
    MediaGraph::setProperty(sink, "sync", false);
    Counter frames;
    frames.watch(sink, "sink");
    MediaGraph::linkDirect(source, demuxer);
    MediaGraph::onPadAdded(demuxer, [sink](GstPad *pad) {
        if (MediaGraph::padMedia(pad) == "image/jpeg") {
            GstHandle<GstPad> sinkPad(gst_element_get_static_pad(sink, "sink"));
            gst_pad_link(pad, sinkPad.get());
        }
    });
    if (!reader.run() || !QTest::qWaitFor([&] { return reader.atEos() || reader.failed(); })) {
        return -1;
    }
    return reader.failed() ? -1 : frames.buffers.load();
}

} // namespace

class MediaBranchTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(MediaGraph::initialize()); }

    // A recording branch comes and goes three times while the preview runs on; each file is
    // complete (it has its index and every frame the branch took), and nothing stays behind.
    void branchesComeAndGoWhilePreviewRuns()
    {
        LiveGraph live;
        QVERIFY(live.graph.run());
        QVERIFY(live.advance(3));
        const int children = live.children();
        QTemporaryDir dir;
        for (int round = 0; round < 3; ++round) {
            const QString path = dir.filePath(QStringLiteral("take%1.avi").arg(round));
            Counter recorded;
            GstElement *bin = aviBranch(path);
            GstHandle<GstElement> muxer(gst_bin_get_by_name(GST_BIN(bin), "Muxer"));
            recorded.watch(muxer.get(), "video_0");
            auto branch = live.graph.attach(live.tee, bin);
            QVERIFY(branch);
            QVERIFY(QTest::qWaitFor([&] { return recorded.buffers.load() >= 10; }, 5000));
            const int previewBefore = live.preview.buffers.load();
            QVERIFY(branch->detach(3000));
            QVERIFY(!branch->isAttached());
            QVERIFY2(live.preview.buffers.load() >= previewBefore, "preview went on");
            QVERIFY(live.advance(3));
            QCOMPARE(live.graph.state(), MediaGraph::State::Running);
            QVERIFY(!live.graph.failed());
            QCOMPARE(live.children(), children);
            QCOMPARE(live.teePads(), 1);
            QCOMPARE(aviFrames(path), recorded.buffers.load());
        }
    }

    // A branch whose file cannot be opened is refused at once; the graph keeps running and
    // its error handler never hears of it.
    void branchThatCannotStartIsRefused()
    {
        LiveGraph live;
        int graphErrors = 0;
        live.graph.setErrorHandler([&] { ++graphErrors; });
        QVERIFY(live.graph.run());
        QVERIFY(live.advance(2));
        const int children = live.children();
        auto branch = live.graph.attach(live.tee, aviBranch("/proc/sys/doccam-test.avi"));
        QVERIFY(!branch);
        QCOMPARE(live.children(), children);
        QCOMPARE(live.teePads(), 1);
        QVERIFY(live.advance(5));
        QCOMPARE(graphErrors, 0);
        QVERIFY(!live.graph.failed());
        QCOMPARE(live.graph.state(), MediaGraph::State::Running);
        // Nor is a bin without a sink pad, or a tee of another graph, taken.
        QVERIFY(!live.graph.attach(live.tee, gst_bin_new("no pad")));
        LiveGraph other;
        QVERIFY(!live.graph.attach(other.tee, aviBranch(QDir::temp().filePath("x.avi"))));
    }

    // An error inside a running branch fails that branch only: its handler runs on this
    // thread, it gets no more frames, and the preview goes on.
    void errorInBranchFailsOnlyTheBranch()
    {
        LiveGraph live;
        int graphErrors = 0;
        live.graph.setErrorHandler([&] { ++graphErrors; });
        QVERIFY(live.graph.run());
        QTemporaryDir dir;
        GstElement *bin = aviBranch(dir.filePath("broken.avi"));
        GstHandle<GstElement> writer(gst_bin_get_by_name(GST_BIN(bin), "Writer"));
        auto branch = live.graph.attach(live.tee, bin);
        QVERIFY(branch);
        QVERIFY(live.advance(3));
        std::unique_ptr<MediaBranch> *held = &branch;
        bool onThisThread = false;
        branch->setErrorHandler([&] {
            onThisThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            held->reset(); // a handler may end its branch
        });
        GError *error =
            g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT, "disk full");
        gst_element_post_message(writer.get(),
                                 gst_message_new_error(GST_OBJECT(writer.get()), error, "test"));
        g_error_free(error);
        QVERIFY(QTest::qWaitFor([&] { return !branch; }, 3000));
        QVERIFY(onThisThread);
        QVERIFY(live.advance(5));
        QCOMPARE(graphErrors, 0);
        QCOMPARE(live.teePads(), 1);
        QCOMPARE(live.graph.state(), MediaGraph::State::Running);
    }

    // When the graph's source ends, a branch with a live source of its own (sound) ends too:
    // its end handler runs, the file is complete, and the graph reaches its end.
    void branchEndsWithItsFeed()
    {
        LiveGraph live(40);
        QTemporaryDir dir;
        const QString path = dir.filePath("feed.avi");
        QVERIFY(live.graph.run());
        auto branch = live.graph.attach(live.tee, aviBranch(path, true));
        QVERIFY(branch);
        int ends = 0;
        branch->setEndHandler([&] { ++ends; });
        QVERIFY(QTest::qWaitFor([&] { return ends == 1; }, 5000));
        QVERIFY(branch->ended());
        QVERIFY(QTest::qWaitFor([&] { return live.graph.atEos(); }, 3000));
        QVERIFY(branch->detach(1000));
        QCOMPARE(ends, 1);
        QVERIFY(aviFrames(path) > 0);
    }

    // Properties: by value, by text for enums, refused for unknown names, wrong types and
    // values the property would clamp.
    void propertiesAreSetOnlyWhenTheyFit()
    {
        GstHandle<GstElement> queue = adoptFloating(make("queue"));
        QVERIFY(MediaGraph::setProperty(queue.get(), "max-size-buffers", 7));
        QVERIFY(MediaGraph::setProperty(queue.get(), "leaky", "downstream"));
        QVERIFY(MediaGraph::setProperty(queue.get(), "max-size-time", "0"));
        QVERIFY(!MediaGraph::setProperty(queue.get(), "no-such-property", 1));
        QVERIFY(!MediaGraph::setProperty(queue.get(), "leaky", "sideways"));
        QVERIFY(!MediaGraph::setProperty(queue.get(), "max-size-buffers", -5));
        QVERIFY(!MediaGraph::setProperty(queue.get(), "current-level-buffers", 1)); // read-only
        guint buffers = 0;
        gint leaky = 0;
        g_object_get(queue.get(), "max-size-buffers", &buffers, "leaky", &leaky, nullptr);
        QCOMPARE(buffers, 7u);
        QCOMPARE(leaky, 2);
    }
};

QTEST_GUILESS_MAIN(MediaBranchTest)
#include "tst_media_branch.moc"
