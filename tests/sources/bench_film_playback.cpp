// Plays a 1280x720, 25 frames a second film through the frame tap for 10 s, once into a
// canvas-like receiver and once into a shown ImageCanvas, and prints the frames delivered
// against the frames expected.
#include "FilmSource.h"
#include "ICaptureCB.h"
#include "ImageCanvas.h"
#include "MediaGraph.h"
#include "TestFilms.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMutex>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

constexpr int Width = 1280;
constexpr int Height = 720;
constexpr int Fps = 25;
constexpr int FilmSeconds = 12;
constexpr int MeasureSeconds = 10;

// Does what the canvas does to each frame at the normal view: copy it in, lay an annotation
// layer over it, keep the result and write it back into the frame.
class ComposingReceiver : public ICaptureCB {
public:
    ComposingReceiver() : m_layer(Width, Height, QImage::Format_ARGB32_Premultiplied)
    {
        m_layer.fill(Qt::transparent);
        QPainter painter(&m_layer);
        painter.setPen(QPen(Qt::red, 4));
        painter.drawLine(100, 100, 900, 500);
    }

    void frameArrived(uchar *data, int width, int height, bool) override
    {
        QElapsedTimer clock;
        clock.start();
        QMutexLocker lock(&m_mutex);
        QImage raw = QImage(data, width, height, width * 3, QImage::Format_RGB888).copy();
        {
            QPainter painter(&raw);
            painter.drawImage(0, 0, m_layer);
        }
        m_composed = raw;
        for (int y = 0; y < height; ++y) {
            std::memcpy(data + y * width * 3, raw.constScanLine(y), size_t(width) * 3);
        }
        ++m_frames;
        m_busyNs += clock.nsecsElapsed();
    }
    void setImage(const QImage &) override {}

    int frames() const
    {
        QMutexLocker lock(&m_mutex);
        return m_frames;
    }
    double averageMs() const
    {
        QMutexLocker lock(&m_mutex);
        return m_frames ? double(m_busyNs) / m_frames / 1e6 : 0.0;
    }

private:
    mutable QMutex m_mutex;
    QImage m_layer;
    QImage m_composed;
    int m_frames = 0;
    qint64 m_busyNs = 0;
};

bool makeFilm(const QString &path)
{
    return TestFilms::run(
        QString("videotestsrc num-buffers=%1 pattern=ball ! "
                "video/x-raw,width=%2,height=%3,framerate=%4/1 ! jpegenc ! avimux name=mux ! "
                "filesink location=\"%5\" audiotestsrc num-buffers=%6 samplesperbuffer=4410 ! "
                "audio/x-raw,format=S16LE,rate=44100,channels=2 ! mux.")
            .arg(FilmSeconds * Fps)
            .arg(Width)
            .arg(Height)
            .arg(Fps)
            .arg(path)
            .arg(FilmSeconds * 10));
}

// Counts the frames that pass on their way to another receiver.
class CountingReceiver : public ICaptureCB {
public:
    explicit CountingReceiver(ICaptureCB *target) : m_target(target) {}
    void frameArrived(uchar *data, int width, int height, bool bottomUp) override
    {
        m_target->frameArrived(data, width, height, bottomUp);
        m_frames.fetch_add(1);
    }
    void frameArrivedRgb32(uchar *data, int width, int height, int stride, bool writeBack) override
    {
        m_target->frameArrivedRgb32(data, width, height, stride, writeBack);
        m_frames.fetch_add(1);
    }
    void setImage(const QImage &image) override { m_target->setImage(image); }
    void startRefresh() override { m_target->startRefresh(); }
    void stopRefresh() override { m_target->stopRefresh(); }
    int frames() const { return m_frames.load(); }

private:
    ICaptureCB *m_target;
    std::atomic<int> m_frames{0};
};

void measure(const char *title, const QString &path, ICaptureCB *receiver,
             const std::function<int()> &frames)
{
    FilmSource film(receiver);
    if (!film.open(path)) {
        std::printf("could not open the film\n");
        return;
    }
    const int framesAtStart = frames();
    const qint64 positionAtStart = film.graph()->position();
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer::singleShot(MeasureSeconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double seconds = clock.elapsed() / 1000.0;
    const int delivered = frames() - framesAtStart;
    const double played =
        double(film.graph()->position() - positionAtStart) / MediaGraph::UnitsPerSecond;
    const double expected = seconds * Fps;
    std::printf("%s\n", title);
    std::printf("  wall time              %.2f s\n", seconds);
    std::printf("  film time played       %.2f s (%.1f %% of real time)\n", played,
                100.0 * played / seconds);
    std::printf("  frames delivered       %d of %.0f expected: %.1f %% (goal >= 99 %%)\n",
                delivered, expected, 100.0 * delivered / expected);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (!MediaGraph::initialize()) {
        return 1;
    }
    QTemporaryDir folder;
    const QString path = folder.filePath("film.avi");
    std::printf("making a %dx%d %d fps film of %d s ...\n", Width, Height, Fps, FilmSeconds);
    if (!makeFilm(path)) {
        std::printf("could not make the film\n");
        return 1;
    }

    ComposingReceiver receiver;
    measure("canvas-like receiver (copy, annotation layer, write-back)", path, &receiver,
            [&receiver] { return receiver.frames(); });
    std::printf("  receiver time a frame  %.2f ms\n", receiver.averageMs());

    ImageCanvas canvas;
    canvas.resize(Width / 2, Height / 2);
    canvas.show();
    CountingReceiver counter(&canvas);
    measure("ImageCanvas, shown (offscreen)", path, &counter,
            [&counter] { return counter.frames(); });
    return 0;
}
