// Scanning costs on this machine: finding a page in a camera picture, straightening it,
// reading its text, and a ten-page document saved as a searchable PDF. Prints the figures
// with their ratio to the goals (a page found in under 100 ms, ten pages saved in under 60 s).
#include "PageDetector.h"
#include "PageWarp.h"
#include "PdfExporter.h"
#include "RecognitionWorker.h"
#include "ScanDocument.h"
#include "ScanTestSupport.h"
#include "TextRecognizer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QImage cameraPicture(QSize camera, QSize page, double degrees)
{
    return scantest::onDesk(scantest::desk(camera, scantest::Desk::Wood),
                            scantest::printedPage(page, scantest::sampleWords(), page.width() / 30),
                            scantest::pageCorners(camera, page, degrees, 0.05));
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);

    const QImage picture = cameraPicture(QSize(1280, 960), QSize(420, 594), 12);
    PageDetector::Result found;
    const double detectMs = medianMs(20, [&] { found = PageDetector::detect(picture); });
    if (!found.found) {
        std::fprintf(stderr, "no page found in the benchmark picture\n");
        return 1;
    }
    std::printf("page detection, 1280x960:        %8.1f ms  (goal 100 ms: %.2f of it)\n", detectMs,
                detectMs / 100.0);

    const QImage large = cameraPicture(QSize(8000, 6000), QSize(1050, 1485), 12);
    PageDetector::Result largeFound;
    const double largeMs = medianMs(3, [&] { largeFound = PageDetector::detect(large); });
    std::printf("page detection, 8000x6000:       %8.1f ms\n", largeMs);

    PageWarp::Page page;
    const double warpMs = medianMs(10, [&] {
        page = PageWarp::straighten(picture, found.corners, PageWarp::Cleaning::Document);
    });
    std::printf("straighten + clean, 1280x960:    %8.1f ms  (page %dx%d)\n", warpMs,
                page.image.width(), page.image.height());
    PageWarp::Page largePage;
    const double largeWarpMs = medianMs(3, [&] {
        largePage = PageWarp::straighten(large, largeFound.corners, PageWarp::Cleaning::Document);
    });
    std::printf("straighten + clean, 8000x6000:   %8.1f ms  (page %dx%d)\n", largeWarpMs,
                largePage.image.width(), largePage.image.height());

    const double dpi = page.image.width() / (page.sizeMm.width() / 25.4);
    TextRecognizer recognizer(TextRecognizer::languageFor(QLocale::c()));
    if (!recognizer.isAvailable()) {
        std::fprintf(stderr, "the language pack is missing\n");
        return 1;
    }
    RecognizedText text;
    const double readMs = medianMs(3, [&] { text = recognizer.recognize(page.image, dpi); });
    std::printf("text recognition, camera page:   %8.1f ms  (%.0f dpi, %lld words, %.0f %% of "
                "the printed ones)\n",
                readMs, dpi, static_cast<long long>(text.words.size()),
                100.0 * scantest::wordsFound(scantest::sampleWords(), text.text));

    // Ten pages as the viewer makes them: stored, read on the worker thread, saved.
    QTemporaryDir storage;
    QTemporaryDir out;
    ScanDocument document(storage.path());
    QElapsedTimer total;
    total.start();
    RecognitionWorker worker(QStringLiteral("eng"));
    int read = 0;
    QEventLoop loop;
    QObject::connect(&worker, &RecognitionWorker::recognized, &loop,
                     [&](const QString &id, const RecognizedText &words) {
                         document.setText(id, words);
                         if (++read == 10) {
                             loop.quit();
                         }
                     });
    for (int i = 0; i < 10; ++i) {
        const QImage shot = cameraPicture(QSize(1280, 960), QSize(420, 594), 5 + i);
        const PageWarp::Page scanned = PageWarp::straighten(
            shot, PageDetector::detect(shot).corners, PageWarp::Cleaning::Document);
        const int index = document.add(scanned.image, scanned.sizeMm);
        worker.enqueue(document.page(index).id, scanned.image,
                       scanned.image.width() / (scanned.sizeMm.width() / 25.4));
    }
    loop.exec();
    const double readAllMs = static_cast<double>(total.elapsed());
    const QString path = PdfExporter::save(document, QDir(out.path()), QStringLiteral("bench"));
    const double totalMs = static_cast<double>(total.elapsed());
    std::printf("ten pages stored and read:       %8.0f ms\n", readAllMs);
    std::printf("ten-page searchable PDF saved:   %8.0f ms  (goal 60 s: %.2f of it; %lld KiB)\n",
                totalMs, totalMs / 60000.0, static_cast<long long>(QFileInfo(path).size() / 1024));
    return path.isEmpty() ? 1 : 0;
}
