// Plays a 1280x720, 25 frames a second film through the frame tap into a canvas-like
// receiver for 10 s and prints the frames delivered against the frames expected.
#include "FilmSource.h"
#include "ICaptureCB.h"
#include "MediaGraph.h"
#include "TestFilms.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMutex>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>

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
        for (int y = 0; y < height; ++y)
            std::memcpy(data + y * width * 3, raw.constScanLine(y), size_t(width) * 3);
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

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!MediaGraph::initialize())
        return 1;
    QTemporaryDir folder;
    const QString path = folder.filePath("film.avi");
    std::printf("making a %dx%d %d fps film of %d s ...\n", Width, Height, Fps, FilmSeconds);
    if (!makeFilm(path)) {
        std::printf("could not make the film\n");
        return 1;
    }

    ComposingReceiver receiver;
    FilmSource film(&receiver);
    if (!film.open(path)) {
        std::printf("could not open the film\n");
        return 1;
    }
    const int framesAtStart = receiver.frames();
    const qint64 positionAtStart = film.graph()->position();
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(MeasureSeconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double seconds = clock.elapsed() / 1000.0;
    const int delivered = receiver.frames() - framesAtStart;
    const double played =
        double(film.graph()->position() - positionAtStart) / MediaGraph::UnitsPerSecond;
    const double expected = seconds * Fps;
    std::printf("wall time              %.2f s\n", seconds);
    std::printf("film time played       %.2f s (%.1f %% of real time)\n", played,
                100.0 * played / seconds);
    std::printf("frames delivered       %d\n", delivered);
    std::printf("frames expected        %.0f\n", expected);
    std::printf("delivered / expected   %.1f %% (goal >= 99 %%)\n", 100.0 * delivered / expected);
    std::printf("receiver time a frame  %.2f ms\n", receiver.averageMs());
    return 0;
}
