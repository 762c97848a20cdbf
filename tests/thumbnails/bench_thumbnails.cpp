// Times the thumbnail strip over a folder of large JPEG photographs: from the rebuild until the
// last thumbnail is set, against a full decode plus smooth scaling of every file, both
// measured in this run. Usage: bench_thumbnails [count] [width] [height]   (100 4000 3000)
#include "HorizontalSlider.h"
#include "ICaptureCB.h"
#include "PhotographSource.h"
#include "ThumbnailButton.h"
#include "ThumbnailWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>

namespace {

class NullCanvas : public ICaptureCB {
public:
    void frameArrived(uchar *, int, int, bool) override {}
    void setImage(const QImage &) override {}
};

void makePhotographs(const QString &folder, int count, QSize size)
{
    QImage image(size, QImage::Format_RGB888);
    for (int i = 0; i < count; ++i) {
        image.fill(QColor::fromHsv((i * 37) % 360, 160, 220));
        QPainter painter(&image);
        painter.setPen(QPen(Qt::black, 40));
        painter.drawEllipse(QRect(QPoint(0, 0), size).adjusted(200, 200, -200, -200));
        painter.end();
        image.save(QStringLiteral("%1/photo%2.jpg").arg(folder).arg(i, 4, 10, QChar('0')), "JPG",
                   85);
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100;
    const QSize size(argc > 2 ? std::atoi(argv[2]) : 4000, argc > 3 ? std::atoi(argv[3]) : 3000);

    QTemporaryDir dir;
    std::printf("making %d photographs of %dx%d ...\n", count, size.width(), size.height());
    makePhotographs(dir.path(), count, size);

    NullCanvas canvas;
    PhotographSource source(&canvas);
    source.openDirectory(QDir(dir.path()));
    QWidget window;
    auto *scroll = new HorizontalSlider(QImage(8, 8, QImage::Format_RGB32), &window);
    QElapsedTimer strip;
    strip.start();
    ThumbnailWidget thumbnails(&source, scroll, &window);
    const qint64 shownAfter = strip.nsecsElapsed();
    const auto &buttons = thumbnails.buttons();
    while (!buttons.isEmpty() && !buttons.last()->hasPicture()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    const double stripSeconds = strip.nsecsElapsed() / 1e9;

    QElapsedTimer full;
    full.start();
    for (const QString &path : source.fileList()) {
        const QImage image = QImageReader(path).read();
        const QImage small = image.scaled(56, 50, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (small.isNull()) {
            std::printf("cannot decode %s\n", qPrintable(path));
        }
    }
    const double fullSeconds = full.nsecsElapsed() / 1e9;

    std::printf("strip shown after           %8.3f ms\n", shownAfter / 1e6);
    std::printf("last thumbnail set after    %8.3f s\n", stripSeconds);
    std::printf("full decode + smooth scale  %8.3f s\n", fullSeconds);
    std::printf("speed-up                    %8.2f x (goal >= 5x)\n", fullSeconds / stripSeconds);
    return 0;
}
