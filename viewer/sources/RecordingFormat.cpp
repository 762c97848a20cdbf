#include "RecordingFormat.h"

#include "MediaGraph.h"
#include "SourcesLog.h"

#include <QFileInfo>

namespace {

// Seconds between the fragments of an MP4 recording: what a kill can lose at most.
constexpr guint kFragmentMs = 1000;
// One key frame a second: a film seeks to any second, a cut-off file decodes from its start.
constexpr int kKeyFrameDistance = 25;
constexpr int kVideoKbps = 4000;

GstElement *makeFirstOf(const QStringList &factories)
{
    for (const QString &factory : factories) {
        const QByteArray name = factory.toLatin1();
        if (GstElement *element = gst_element_factory_make(name.constData(), nullptr)) {
            return element;
        }
    }
    qCDebug(lcSources) << "recording: none of" << factories << "can be made";
    return nullptr;
}

bool anyInstalled(const QStringList &factories)
{
    for (const QString &factory : factories) {
        if (GstElementFactory *found = gst_element_factory_find(factory.toLatin1().constData())) {
            gst_object_unref(found);
            return true;
        }
    }
    return false;
}

// Encoders set for live use: no look-ahead, a key frame every second.
void tuneEncoder(GstElement *element)
{
    GstElementFactory *factory = gst_element_get_factory(element);
    const QByteArray name = factory ? GST_OBJECT_NAME(factory) : "";
    const auto set = [element](const char *property, const char *value) {
        gst_util_set_object_arg(G_OBJECT(element), property, value);
    };
    if (name == "x264enc") {
        set("tune", "zerolatency");
        set("speed-preset", "veryfast");
        set("key-int-max", QByteArray::number(kKeyFrameDistance).constData());
        set("bitrate", QByteArray::number(kVideoKbps).constData());
    } else if (name == "openh264enc") {
        set("gop-size", QByteArray::number(kKeyFrameDistance).constData());
        set("bitrate", QByteArray::number(kVideoKbps * 1000).constData());
    } else if (name == "vp8enc") {
        // Its quickest real-time settings: a picture of paper mostly stands still, and blocks
        // that hardly change are skipped.
        set("deadline", "1");
        set("cpu-used", "16");
        set("threads", "2");
        set("token-partitions", "2");
        set("static-threshold", "1000");
        set("max-quantizer", "56");
        set("end-usage", "cbr");
        set("target-bitrate", QByteArray::number(kVideoKbps * 1000).constData());
        set("keyframe-max-dist", QByteArray::number(kKeyFrameDistance).constData());
    }
}

std::vector<GstElement *> makeChain(const std::vector<QStringList> &elements)
{
    std::vector<GstElement *> chain;
    for (const QStringList &choice : elements) {
        GstElement *element = makeFirstOf(choice);
        if (!element) {
            for (GstElement *made : chain) {
                gst_object_unref(gst_object_ref_sink(made));
            }
            return {};
        }
        tuneEncoder(element);
        chain.push_back(element);
    }
    return chain;
}

} // namespace

RecordingFormat RecordingFormat::fromKey(const QString &key)
{
    for (const RecordingFormat &format : all()) {
        if (format.key() == key) {
            return format;
        }
    }
    return RecordingFormat();
}

RecordingFormat RecordingFormat::forPath(const QString &path)
{
    const QString suffix = QLatin1Char('.') + QFileInfo(path).suffix().toLower();
    for (const RecordingFormat &format : all()) {
        if (format.extension() == suffix) {
            return format;
        }
    }
    return RecordingFormat();
}

std::vector<RecordingFormat> RecordingFormat::all()
{
    return {RecordingFormat(Container::Avi), RecordingFormat(Container::Mp4),
            RecordingFormat(Container::WebM)};
}

QString RecordingFormat::key() const
{
    switch (m_container) {
    case Container::Mp4:
        return QStringLiteral("mp4");
    case Container::WebM:
        return QStringLiteral("webm");
    case Container::Avi:
        break;
    }
    return QStringLiteral("avi");
}

QString RecordingFormat::extension() const
{
    return QLatin1Char('.') + key();
}

QString RecordingFormat::displayName() const
{
    return m_container == Container::WebM ? QStringLiteral("WebM") : key().toUpper();
}

std::vector<QStringList> RecordingFormat::videoElements() const
{
    switch (m_container) {
    case Container::Mp4:
        return {{QStringLiteral("videoconvert")},
                {QStringLiteral("x264enc"), QStringLiteral("openh264enc")},
                {QStringLiteral("h264parse")}};
    case Container::WebM:
        return {{QStringLiteral("videoconvert")}, {QStringLiteral("vp8enc")}};
    case Container::Avi:
        break;
    }
    return {{QStringLiteral("jpegenc")}};
}

std::vector<QStringList> RecordingFormat::audioElements() const
{
    switch (m_container) {
    case Container::Mp4:
        return {
            {QStringLiteral("audioconvert")},
            {QStringLiteral("audioresample")},
            {QStringLiteral("avenc_aac"), QStringLiteral("voaacenc"), QStringLiteral("opusenc")}};
    case Container::WebM:
        return {{QStringLiteral("audioconvert")},
                {QStringLiteral("audioresample")},
                {QStringLiteral("opusenc")}};
    case Container::Avi:
        break;
    }
    return {{QStringLiteral("audioconvert")}};
}

QString RecordingFormat::muxerElement() const
{
    switch (m_container) {
    case Container::Mp4:
        return QStringLiteral("mp4mux");
    case Container::WebM:
        return QStringLiteral("webmmux");
    case Container::Avi:
        break;
    }
    return QStringLiteral("avimux");
}

QStringList RecordingFormat::missingElements() const
{
    QStringList missing;
    if (!MediaGraph::initialize()) {
        return {muxerElement()};
    }
    std::vector<QStringList> needed = videoElements();
    for (const QStringList &choice : audioElements()) {
        needed.push_back(choice);
    }
    needed.push_back({muxerElement()});
    for (const QStringList &choice : needed) {
        if (!anyInstalled(choice)) {
            missing << choice.first();
        }
    }
    return missing;
}

bool RecordingFormat::isAvailable() const
{
    return missingElements().isEmpty();
}

std::vector<GstElement *> RecordingFormat::makeVideoChain() const
{
    return makeChain(videoElements());
}

std::vector<GstElement *> RecordingFormat::makeAudioChain() const
{
    return makeChain(audioElements());
}

GstElement *RecordingFormat::makeMuxer() const
{
    GstElement *muxer = makeFirstOf({muxerElement()});
    if (muxer && m_container == Container::Mp4) {
        // A fragmented file: its header comes first and every fragment is complete in itself.
        g_object_set(muxer, "fragment-duration", kFragmentMs, nullptr);
    }
    return muxer;
}
