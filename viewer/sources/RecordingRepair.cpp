#include "RecordingRepair.h"

#include "AviLayout.h"
#include "GstHandle.h"
#include "MatroskaLayout.h"
#include "MediaGraph.h"
#include "RegularFile.h"
#include "SourcesLog.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr GstClockTime PollSlice = 100 * GST_MSECOND;
// A copy may take this long, plus a second for every 20 MB of recording.
constexpr qint64 BaseWaitMs = 30'000;
constexpr qint64 BytesPerSecondOfWait = 20 << 20;
// Without leases (a file system that lacks them) a file written this recently may still be in
// the hands of its writer.
constexpr qint64 RecentlyWrittenMs = 30'000;

// Links every stream of the demuxer through a queue into the muxer; other streams end in a
// fake sink so that they cannot stop the copy.
void linkStream(GstElement *pipeline, GstElement *muxer, GstPad *pad)
{
    const QByteArray media = MediaGraph::padMedia(pad);
    const char *muxerPad = media.startsWith("video/") || media.startsWith("image/") ? "video_%u"
                           : media.startsWith("audio/")                             ? "audio_%u"
                                                                                    : nullptr;
    GstElement *queue = gst_element_factory_make(muxerPad ? "queue" : "fakesink", nullptr);
    if (!queue || !gst_bin_add(GST_BIN(pipeline), queue)) {
        return;
    }
    GstHandle<GstPad> queueSink(gst_element_get_static_pad(queue, "sink"));
    bool linked = GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, queueSink.get()));
    if (linked && muxerPad) {
        GstHandle<GstPad> target(gst_element_request_pad_simple(muxer, muxerPad));
        GstHandle<GstPad> queueSource(gst_element_get_static_pad(queue, "src"));
        linked = target && GST_PAD_LINK_SUCCESSFUL(gst_pad_link(queueSource.get(), target.get()));
    }
    if (!linked) {
        qCDebug(lcSources) << "repair: stream" << media << "cannot be copied";
    }
    gst_element_sync_state_with_parent(queue);
}

bool isWebm(const QString &path)
{
    return path.endsWith(QLatin1String(".webm"), Qt::CaseInsensitive);
}

// An unfinished recording of either container with frames in it.
bool needsRepair(const QString &path, int fd)
{
    return isWebm(path) ? MatroskaLayout::read(fd).needsRepair()
                        : AviLayout::read(fd).needsRepair();
}

// Copies the streams of source into a new file target of the same container (AVI or WebM);
// true when the copy reached its end.
bool remux(const QString &source, const QString &target, qint64 bytes,
           const std::atomic<bool> &cancel, bool webm)
{
    if (!MediaGraph::initialize()) {
        return false;
    }
    GstHandle<GstElement> pipeline = adoptFloating(gst_pipeline_new("repair"));
    GstElement *reader = gst_element_factory_make("filesrc", nullptr);
    GstElement *demuxer = gst_element_factory_make(webm ? "matroskademux" : "avidemux", nullptr);
    GstElement *muxer = gst_element_factory_make(webm ? "webmmux" : "avimux", nullptr);
    GstElement *writer = gst_element_factory_make("filesink", nullptr);
    if (!pipeline || !reader || !demuxer || !muxer || !writer) {
        for (GstElement *element : {reader, demuxer, muxer, writer}) {
            if (element) {
                gst_object_unref(gst_object_ref_sink(element));
            }
        }
        qCDebug(lcSources) << "repair: GStreamer lacks a demuxer or a muxer";
        return false;
    }
    gst_bin_add_many(GST_BIN(pipeline.get()), reader, demuxer, muxer, writer, nullptr);
    g_object_set(reader, "location", QFile::encodeName(source).constData(), nullptr);
    g_object_set(writer, "location", QFile::encodeName(target).constData(), nullptr);
    if (!gst_element_link(reader, demuxer) || !gst_element_link(muxer, writer)) {
        return false;
    }
    GstElement *bin = pipeline.get();
    MediaGraph::onPadAdded(demuxer, [bin, muxer](GstPad *pad) { linkStream(bin, muxer, pad); });

    GstHandle<GstBus> bus(gst_element_get_bus(bin));
    bool ended = false;
    if (gst_element_set_state(bin, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
        const qint64 waitMs = BaseWaitMs + bytes / BytesPerSecondOfWait * 1000;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (!cancel.load(std::memory_order_acquire) &&
               std::chrono::steady_clock::now() < deadline) {
            MessageHandle message(gst_bus_timed_pop_filtered(
                bus.get(), PollSlice, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
            if (!message) {
                continue;
            }
            if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR) {
                GError *error = nullptr;
                gst_message_parse_error(message.get(), &error, nullptr);
                ErrorHandle held(error);
                qCDebug(lcSources)
                    << "repair of" << source << "failed:" << (error ? error->message : "");
            } else {
                ended = true;
            }
            break;
        }
    }
    gst_element_set_state(bin, GST_STATE_NULL);
    return ended;
}

} // namespace

RecordingRepair::RecordingRepair(const QString &folder) : m_folder(folder) {}

RecordingRepair::~RecordingRepair()
{
    m_cancel.store(true, std::memory_order_release);
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void RecordingRepair::start()
{
    if (!m_thread.joinable()) {
        m_thread = std::thread([this] { run(); });
    }
}

bool RecordingRepair::wait(int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!isDone()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

QStringList RecordingRepair::repaired() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_repaired;
}

QStringList RecordingRepair::candidates(const QDir &folder)
{
    QDir listing(folder);
    listing.setNameFilters({QStringLiteral("*.avi"), QStringLiteral("*.webm")});
    listing.setFilter(QDir::Files | QDir::Readable);
    listing.setSorting(QDir::Name);
    QStringList found;
    for (const QString &name : listing.entryList()) {
        const RegularFile file(listing.filePath(name));
        if (file.isOpen() && needsRepair(name, file.descriptor())) {
            found << listing.filePath(name);
        }
    }
    return found;
}

bool RecordingRepair::isOpenElsewhere(const QString &path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        ::close(fd);
        return false;
    }
    const int error = errno;
    struct stat info {};
    const bool stated = ::fstat(fd, &info) == 0;
    ::close(fd);
    if (error == EAGAIN || error == EBUSY) {
        return true;
    }
    // No lease to be had here: a file written to just now counts as held by its writer.
    const qint64 ageMs = QDateTime::currentMSecsSinceEpoch() -
                         (qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1'000'000);
    return !stated || ageMs < RecentlyWrittenMs;
}

bool RecordingRepair::repair(const QString &path, const std::atomic<bool> &cancel)
{
    if (isOpenElsewhere(path)) {
        qCDebug(lcSources) << "repair: " << path << "is still open elsewhere";
        return false;
    }
    const RegularFile original(path);
    if (!needsRepair(path, original.descriptor())) {
        return false;
    }
    const bool webm = isWebm(path);
    const AviLayout before = AviLayout::read(original.descriptor());
    const QString part = path + QLatin1String(PartSuffix);
    QFile::remove(part);
    bool good = remux(original.procPath(), part, original.size(), cancel, webm);
    if (good) {
        const RegularFile copy(part);
        const AviLayout after = AviLayout::read(copy.descriptor());
        // A WebM copy is whole when its writer finished it (its frames are not counted here).
        good = webm ? MatroskaLayout::read(copy.descriptor()).isFinished()
                    : after.isFinished() && after.indexedVideoFrames() >= before.videoFrames() &&
                          after.videoFrames() >= before.videoFrames();
        if (!good) {
            qCDebug(lcSources) << "repair of" << path << "kept" << after.indexedVideoFrames()
                               << "of" << before.videoFrames() << "frames; the original stays";
        }
        struct stat info {};
        if (good && ::fstat(original.descriptor(), &info) == 0) {
            // The copy keeps the recording's time.
            const struct timespec times[2] = {info.st_atim, info.st_mtim};
            ::futimens(copy.descriptor(), times);
        }
    }
    if (good &&
        ::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()) != 0) {
        qCDebug(lcSources) << "repair: cannot replace" << path << std::strerror(errno);
        good = false;
    }
    if (!good) {
        QFile::remove(part);
    }
    return good;
}

void RecordingRepair::run()
{
    const QDir folder(m_folder);
    // A copy cut off by an earlier end of the program is made again from its original.
    QDir parts(folder);
    parts.setNameFilters({QStringLiteral("*.avi") + QLatin1String(PartSuffix),
                          QStringLiteral("*.webm") + QLatin1String(PartSuffix)});
    parts.setFilter(QDir::Files);
    for (const QString &name : parts.entryList()) {
        const QString part = folder.filePath(name);
        if (QFileInfo::exists(part.chopped(int(std::strlen(PartSuffix))))) {
            QFile::remove(part);
        }
    }
    for (const QString &path : candidates(folder)) {
        if (m_cancel.load(std::memory_order_acquire)) {
            break;
        }
        if (repair(path, m_cancel)) {
            qCDebug(lcSources) << "repaired the recording" << path;
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_repaired << path;
        }
    }
    m_done.store(true, std::memory_order_release);
}
