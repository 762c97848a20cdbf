// Saves pictures of Photograph mode with its thumbnail strip and of Film mode playing, for a
// person to look at. Run under xvfb-run (or offscreen):
//   bars_screenshots <output folder>
#include "FakeLiveControl.h"
#include "FilmSource.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "MainWindow.h"
#include "TestFilms.h"
#include "TestHome.h"
#include "ThumbnailButton.h"
#include "ThumbnailWidget.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace {
void click(MainWindow &window, const char *name)
{
    if (auto *button = window.findChild<ImageButton *>(QLatin1String(name))) {
        QTest::mouseClick(button, Qt::LeftButton);
    }
}

// Pages of a document: a title, ruled lines and a coloured box numbered like the page.
bool makePhotographs(const QString &folder, int count)
{
    for (int i = 0; i < count; ++i) {
        QImage page(1024, 768, QImage::Format_RGB888);
        page.fill(QColor(235, 232, 222));
        QPainter painter(&page);
        painter.fillRect(QRect(80, 80, 300, 220), QColor::fromHsv(i * 25 % 360, 180, 210));
        painter.setPen(QPen(QColor(40, 40, 40), 3));
        painter.setFont(QFont(QStringLiteral("Arial"), 90));
        painter.drawText(QRect(80, 80, 300, 220), Qt::AlignCenter, QString::number(i + 1));
        for (int y = 380; y < 700; y += 40) {
            painter.drawLine(120, y, 900, y);
        }
        painter.end();
        if (!page.save(
                QDir(folder).filePath(QStringLiteral("page%1.jpg").arg(i, 2, 10, QChar('0'))))) {
            return false;
        }
    }
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    useTestHome(home.path());
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Morvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Document Camera"));
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    QDir().mkpath(out.path());

    const QString photos = home.filePath(QStringLiteral("photos"));
    const QString film = home.filePath(QStringLiteral("film.avi"));
    QDir().mkpath(photos);
    if (!makePhotographs(photos, 18) || !TestFilms::makeAvi(film, 60, 10, true, 640, 480)) {
        return 1;
    }

    auto log = std::make_shared<QStringList>();
    MainWindow window(FakeLiveControl::factory(log));
    window.filmSource()->setAudioSinkFactory("fakesink");
    window.setPhotographFolderChooser([&](QWidget *, const QString &) { return photos; });
    window.setFilmFileChooser([&](QWidget *, const QString &, const QString &) { return film; });
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }

    click(window, "photographButton");
    click(window, "ICON_PHOTO_OPEN");
    click(window, "ICON_PHOTO_THUMBNIL");
    click(window, "ICON_PHOTO_TIME");
    click(window, "ICON_PHOTO_FORWARD");
    click(window, "ICON_PHOTO_FORWARD");
    const bool filled = QTest::qWaitFor(
        [&] {
            for (ThumbnailButton *button : window.thumbnailStrip()->buttons()) {
                if (!button->hasPicture()) {
                    return false;
                }
            }
            return true;
        },
        10000);
    if (!filled) {
        qWarning("the strip is not filled yet");
    }
    QTest::qWait(200);
    window.grab().save(out.filePath(QStringLiteral("photograph_strip.png")));

    click(window, "filmButton");
    click(window, "ICON_FILM_OPEN");
    click(window, "ICON_FILM_VOLUME");
    if (!QTest::qWaitFor([&] { return window.filmSource()->position() >= 40; }, 10000)) {
        qWarning("the film is not playing");
    }
    window.grab().save(out.filePath(QStringLiteral("film_playing.png")));
    return 0;
}
