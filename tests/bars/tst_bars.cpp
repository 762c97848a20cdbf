#include "AppTestMain.h"
#include "Config.h"
#include "FakeLiveControl.h"
#include "FilmSource.h"
#include "HorizontalSlider.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "ImageWidget.h"
#include "MainWindow.h"
#include "MediaGraph.h"
#include "PhotographSource.h"
#include "Slider.h"
#include "TestFilms.h"
#include "ThumbnailButton.h"
#include "ThumbnailWidget.h"

#include <QLabel>
#include <QSignalSpy>
#include <QStackedWidget>
#include <cmath>

namespace {
constexpr int Photographs = 12;
} // namespace

// The film and photograph bars driven as a user drives them, with the file and folder dialogs
// replaced by answers the test gives.
class BarsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void barsAreLaidOutBelowTheCanvas();
    void modesShowAndResetTheirBars();
    void openingAFolderFillsTheStripAndCounter();
    void slideshowButtonFollowsTheSlideshow();
    void photographModeStartsInTheSnapshotFolder();
    void intervalPositionsChooseThePeriod();
    void filmDialogStartsInTheRecordingFolder();
    void positionSliderFollowsTicksAndSeeksWhenDragged();
    void volumeSliderSetsTheFilmVolume();

private:
    template <typename T = ImageButton> T *child(const char *name) const
    {
        auto *found = m_window->findChild<T *>(QLatin1String(name));
        if (found == nullptr) {
            qFatal("no child %s", name);
        }
        return found;
    }
    void switchTo(const char *modeButton) { QTest::mouseClick(child(modeButton), Qt::LeftButton); }
    void click(const char *name) { QTest::mouseClick(child(name), Qt::LeftButton); }
    QString counter() const { return child<QLabel>("photographCounter")->text(); }
    bool openFolder(const QString &folder);
    bool openFilm(const QString &path);

    QTemporaryDir m_dir;
    QString m_photos;
    QString m_film;
    std::shared_ptr<QStringList> m_live;
    MainWindow *m_window = nullptr;
    QString m_chooserFolder;
    QString m_chooserFilter;
    int m_chooserCalls = 0;
};

void BarsTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_photos = m_dir.filePath(QStringLiteral("photos"));
    QVERIFY(QDir().mkpath(m_photos));
    for (int i = 0; i < Photographs; ++i) {
        QImage picture(64, 48, QImage::Format_RGB888);
        picture.fill(QColor::fromHsv(i * 30, 200, 220));
        QVERIFY(picture.save(
            QDir(m_photos).filePath(QStringLiteral("p%1.png").arg(i, 2, 10, QChar('0')))));
    }
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("empty"))));
    // 20 s with sound: frame n starts at n / 2 s.
    m_film = m_dir.filePath(QStringLiteral("film.avi"));
    QVERIFY(TestFilms::makeAvi(m_film, 40, 2, true));
}

void BarsTest::init()
{
    m_live = std::make_shared<QStringList>();
    m_window = new MainWindow(FakeLiveControl::factory(m_live));
    m_window->filmSource()->setAudioSinkFactory("fakesink");
    m_chooserCalls = 0;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void BarsTest::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

bool BarsTest::openFolder(const QString &folder)
{
    m_window->setPhotographFolderChooser([this, folder](QWidget *parent, const QString &start) {
        ++m_chooserCalls;
        m_chooserFolder = start;
        return parent == m_window ? folder : QString();
    });
    click("ICON_PHOTO_OPEN");
    return m_chooserCalls > 0;
}

bool BarsTest::openFilm(const QString &path)
{
    m_window->setFilmFileChooser(
        [this, path](QWidget *parent, const QString &start, const QString &filter) {
            ++m_chooserCalls;
            m_chooserFolder = start;
            m_chooserFilter = filter;
            return parent == m_window ? path : QString();
        });
    click("ICON_FILM_OPEN");
    return m_chooserCalls > 0;
}

void BarsTest::barsAreLaidOutBelowTheCanvas()
{
    auto check = [this](int side) {
        const int w = m_window->width();
        const int h = m_window->height();
        const int content = w - side;
        auto *filmBar = child<ImageWidget>("filmBar");
        QCOMPARE(filmBar->geometry(), QRect(side + (content - 313) / 2, h - 60, 313, 37));
        auto *volume = child<Slider>("volumeSlider");
        QCOMPARE(volume->size(), QSize(33, 93));
        QCOMPARE(volume->x(), filmBar->x() + filmBar->width());
        QCOMPARE(volume->y() + volume->height(), filmBar->y() + filmBar->height());
        const QRect stack = m_window->findChild<QStackedWidget *>()->geometry();
        const QRect underStack(stack.x(), stack.y() + stack.height(), stack.width() + 2, 10);
        QCOMPARE(child<HorizontalSlider>("filmPositionSlider")->geometry(), underStack);
        QCOMPARE(child<HorizontalSlider>("photographScrollBar")->geometry(), underStack);

        auto *photoBar = child<ImageWidget>("photographBar");
        QCOMPARE(photoBar->geometry(), QRect(side + (content - 271) / 2, h - 60, 271, 37));
        const int barEnd = photoBar->x() + 271;
        QCOMPARE(child<Slider>("intervalSlider")->pos(), QPoint(barEnd + 10, h - 50));
        QCOMPARE(child<Slider>("intervalSlider")->width(), 160);
        QCOMPARE(child<QLabel>("intervalScaleLabel")->geometry(),
                 QRect(barEnd + 12, h - 30, 200, 10));
        QCOMPARE(child<QLabel>("photographCounter")->geometry(), QRect(w - 70, h - 60, 70, 30));
        auto *strip = m_window->thumbnailStrip();
        QCOMPARE(strip->parentWidget(), m_window->canvas(MainWindow::PhotographMode));
        QCOMPARE(strip->geometry(), QRect(0, stack.height() - 67, stack.width(), 60));
    };
    check(138);
    QTest::mouseClick(child("expandButton"), Qt::LeftButton);
    QCOMPARE(m_window->width(), 800);
    check(0);
    m_window->resize(1001, 900);
    QCOMPARE(m_window->width(), 1001);
    check(0);
}

void BarsTest::modesShowAndResetTheirBars()
{
    const char *photographControls[] = {"photographBar", "photographCounter", "intervalSlider",
                                        "intervalScaleLabel", "photographScrollBar"};
    const char *filmControls[] = {"filmBar", "volumeSlider", "filmPositionSlider"};
    for (const char *name : photographControls) {
        QVERIFY2(child<QWidget>(name)->isHidden(), name);
    }
    for (const char *name : filmControls) {
        QVERIFY2(child<QWidget>(name)->isHidden(), name);
    }
    QVERIFY(m_window->thumbnailStrip()->isHidden());

    switchTo("photographButton");
    QVERIFY(!child<QWidget>("photographBar")->isHidden());
    QVERIFY(!child<QWidget>("photographCounter")->isHidden());
    QVERIFY(m_window->thumbnailStrip()->isHidden());
    click("ICON_PHOTO_THUMBNIL");
    click("ICON_PHOTO_TIME");
    QVERIFY(m_window->thumbnailStrip()->isVisible());
    QVERIFY(child<QWidget>("photographScrollBar")->isVisible());
    QVERIFY(child<QWidget>("intervalSlider")->isVisible());
    QVERIFY(child<QWidget>("intervalScaleLabel")->isVisible());
    click("ICON_PHOTO_TIME"); // a second click hides the interval popup again
    QVERIFY(child<QWidget>("intervalSlider")->isHidden());
    QVERIFY(child<QWidget>("intervalScaleLabel")->isHidden());
    click("ICON_PHOTO_TIME");

    switchTo("filmButton");
    for (const char *name : photographControls) {
        QVERIFY2(child<QWidget>(name)->isHidden(), name);
    }
    QVERIFY(m_window->thumbnailStrip()->isHidden());
    QVERIFY(!child("ICON_PHOTO_THUMBNIL")->isChecked());
    QVERIFY(!child("ICON_PHOTO_TIME")->isChecked());
    QVERIFY(child<QWidget>("filmBar")->isVisible());
    QVERIFY(child<QWidget>("filmPositionSlider")->isVisible());
    QVERIFY(child<QWidget>("volumeSlider")->isHidden());
    click("ICON_FILM_VOLUME");
    QVERIFY(child<QWidget>("volumeSlider")->isVisible());

    switchTo("photographButton"); // back: bar and counter, but neither popup nor strip
    for (const char *name : filmControls) {
        QVERIFY2(child<QWidget>(name)->isHidden(), name);
    }
    QVERIFY(!child("ICON_FILM_VOLUME")->isChecked());
    QVERIFY(child<QWidget>("photographBar")->isVisible());
    QVERIFY(child<QWidget>("photographCounter")->isVisible());
    QVERIFY(m_window->thumbnailStrip()->isHidden());
    QVERIFY(child<QWidget>("intervalSlider")->isHidden());

    switchTo("liveButton");
    for (const char *name : photographControls) {
        QVERIFY2(child<QWidget>(name)->isHidden(), name);
    }
    for (const char *name : filmControls) {
        QVERIFY2(child<QWidget>(name)->isHidden(), name);
    }
}

void BarsTest::openingAFolderFillsTheStripAndCounter()
{
    switchTo("photographButton");
    QCOMPARE(counter(), QStringLiteral("0/0"));
    QVERIFY(openFolder(m_photos));
    QCOMPARE(m_chooserFolder, Config::snapshotPath());
    PhotographSource *source = m_window->photographSource();
    QCOMPARE(source->count(), Photographs);
    QCOMPARE(counter(), QStringLiteral("1/12"));
    ThumbnailWidget *strip = m_window->thumbnailStrip();
    QCOMPARE(strip->buttons().size(), Photographs);

    for (int i = 0; i < 4; ++i) {
        click("ICON_PHOTO_FORWARD");
    }
    QCOMPARE(counter(), QStringLiteral("5/12"));
    QVERIFY(strip->buttons().at(4)->isChecked());
    click("ICON_PHOTO_BACKWARD");
    QCOMPARE(counter(), QStringLiteral("4/12"));

    click("ICON_PHOTO_THUMBNIL");
    strip->buttons().at(7)->click();
    QCOMPARE(source->currentIndex(), 7);
    QCOMPARE(counter(), QStringLiteral("8/12"));
    QVERIFY(strip->buttons().at(7)->isChecked());
    // The loader fills every button in the background.
    for (ThumbnailButton *button : strip->buttons()) {
        QTRY_VERIFY(button->hasPicture());
    }

    // Cancelled, missing and picture-less folders change nothing.
    const QStringList answers{QString(), m_dir.filePath(QStringLiteral("missing")),
                              m_dir.filePath(QStringLiteral("empty"))};
    for (const QString &answer : answers) {
        QVERIFY(openFolder(answer));
        QCOMPARE(source->count(), Photographs);
        QCOMPARE(source->currentIndex(), 7);
        QCOMPARE(counter(), QStringLiteral("8/12"));
        QCOMPARE(strip->buttons().size(), Photographs);
    }

    // Coming back to the mode rereads the folder and starts at its first photograph.
    switchTo("liveButton");
    switchTo("photographButton");
    QCOMPARE(counter(), QStringLiteral("1/12"));
    QCOMPARE(m_window->thumbnailStrip()->buttons().size(), Photographs);
}

void BarsTest::slideshowButtonFollowsTheSlideshow()
{
    switchTo("photographButton");
    QVERIFY(openFolder(m_photos));
    PhotographSource *source = m_window->photographSource();
    ImageButton *slideshow = child("ICON_PHOTO_SLIDE");

    click("ICON_PHOTO_SLIDE");
    QVERIFY(slideshow->isChecked());
    QVERIFY(source->isPlaying());
    click("ICON_PHOTO_SLIDE");
    QVERIFY(!slideshow->isChecked());
    QVERIFY(!source->isPlaying());

    // The source ending the slideshow unchecks the button.
    click("ICON_PHOTO_SLIDE");
    QVERIFY(slideshow->isChecked());
    QSignalSpy done(source, &PhotographSource::playDone);
    source->stop();
    QCOMPARE(done.count(), 1);
    QVERIFY(!slideshow->isChecked());

    // Paging by hand or opening another folder ends the slideshow, and the button shows it.
    for (const char *pager : {"ICON_PHOTO_FORWARD", "ICON_PHOTO_BACKWARD"}) {
        click("ICON_PHOTO_SLIDE");
        QVERIFY(source->isPlaying());
        click(pager);
        QVERIFY2(!source->isPlaying(), pager);
        QVERIFY2(!slideshow->isChecked(), pager);
    }
    click("ICON_PHOTO_SLIDE");
    QVERIFY(openFolder(m_photos));
    QVERIFY(!source->isPlaying());
    QVERIFY(!slideshow->isChecked());

    // Leaving the mode and coming back rescans the folder, which ends the slideshow.
    click("ICON_PHOTO_SLIDE");
    QVERIFY(source->isPlaying());
    switchTo("liveButton");
    switchTo("photographButton");
    QVERIFY(!source->isPlaying());
    QVERIFY(!slideshow->isChecked());
}

// The first entry shows the presenter's snapshots, never the pictures of the folder the program
// was started from; until that folder holds a picture every entry looks there again.
void BarsTest::photographModeStartsInTheSnapshotFolder()
{
    const QString startedFrom = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_photos));
    QTemporaryDir snapshots;
    Config::setSnapshotPath(snapshots.path());
    PhotographSource *source = m_window->photographSource();

    switchTo("photographButton");
    QCOMPARE(source->count(), 0);
    QCOMPARE(counter(), QStringLiteral("0/0"));

    QImage picture(64, 48, QImage::Format_RGB888);
    picture.fill(Qt::green);
    QVERIFY(picture.save(snapshots.filePath(QStringLiteral("2026-12-07_10-00-00.jpg"))));
    QVERIFY(picture.save(snapshots.filePath(QStringLiteral("2026-12-07_10-00-01.jpg"))));
    switchTo("liveButton");
    switchTo("photographButton");
    QVERIFY(QDir::setCurrent(startedFrom));
    QCOMPARE(source->count(), 2);
    QCOMPARE(QDir(source->directory()).canonicalPath(), QDir(snapshots.path()).canonicalPath());
    QCOMPARE(counter(), QStringLiteral("1/2"));
    QCOMPARE(m_window->thumbnailStrip()->buttons().size(), 2);
}

void BarsTest::intervalPositionsChooseThePeriod()
{
    auto *slider = child<Slider>("intervalSlider");
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 5);
    QCOMPARE(slider->value(), 0);
    QCOMPARE(slider->pageStep(), 1);
    const int seconds[] = {1, 2, 5, 10, 15, 30};
    for (int position = 0; position < 6; ++position) {
        QCOMPARE(MainWindow::slideshowInterval(position), 1000 * seconds[position]);
    }
    // Positions outside the scale stay at its ends.
    QCOMPARE(MainWindow::slideshowInterval(-1), 1000);
    QCOMPARE(MainWindow::slideshowInterval(6), 30000);
    QCOMPARE(child<QLabel>("intervalScaleLabel")->text(),
             QStringLiteral("1        2        5       10      15      30  sec."));
}

void BarsTest::filmDialogStartsInTheRecordingFolder()
{
    switchTo("filmButton");
    FilmSource *film = m_window->filmSource();
    // Cancelled, missing and folder answers open nothing.
    for (const QString &answer :
         {QString(), m_dir.filePath(QStringLiteral("missing.avi")), m_photos}) {
        QVERIFY(openFilm(answer));
        QVERIFY(!film->isOpen());
    }
    QCOMPARE(m_chooserFolder, Config::recordPath());
    QCOMPARE(m_chooserFilter,
             QStringLiteral("Films (*.avi *.mp4 *.webm *.wmv);;AVI Files (*.avi);;MP4 Files "
                            "(*.mp4);;WebM Files (*.webm);;WMV Files (*.wmv)"));
    QVERIFY(openFilm(m_film));
    QVERIFY(film->isOpen());
    QVERIFY(film->isPlaying());
}

void BarsTest::positionSliderFollowsTicksAndSeeksWhenDragged()
{
    switchTo("filmButton");
    FilmSource *film = m_window->filmSource();
    QVERIFY(openFilm(m_film));
    auto *slider = child<HorizontalSlider>("filmPositionSlider");
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 100);
    QCOMPARE(slider->handleWidth(), 22);
    QSignalSpy moved(slider, &HorizontalSlider::valueChanged);

    // Playing moves the slider with the film and never seeks it.
    QTRY_VERIFY_WITH_TIMEOUT(slider->value() >= 5, 15000);
    QVERIFY(film->isPlaying());
    QCOMPARE(moved.count(), 0);

    click("ICON_FILM_PAUSE");
    film->setPosition(60);
    QTRY_COMPARE(film->position(), 60);
    emit film->tick();
    QCOMPARE(slider->value(), 60);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(film->position(), 60);

    // Pressing on the slider seeks the film to the point under the pointer.
    int x = 0;
    while (slider->valueAt(x) < 25) {
        ++x;
    }
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, 5));
    QVERIFY(moved.count() > 0);
    QCOMPARE(moved.last().at(0).toInt(), 25);
    QTRY_COMPARE(film->position(), 25);

    click("ICON_FILM_STOP"); // back to the start: the slider follows
    QTRY_COMPARE(slider->value(), 0);
}

void BarsTest::volumeSliderSetsTheFilmVolume()
{
    switchTo("filmButton");
    FilmSource *film = m_window->filmSource();
    QVERIFY(openFilm(m_film));
    QVERIFY(film->hasAudio());
    auto volume = [film] {
        double factor = -1;
        g_object_get(film->graph()->element("Audio Volume"), "volume", &factor, nullptr);
        return factor;
    };
    auto *slider = child<Slider>("volumeSlider");
    QCOMPARE(slider->minimum(), 1);
    QCOMPARE(slider->maximum(), 100);
    QCOMPARE(slider->value(), 100);
    QCOMPARE(slider->orientation(), Qt::Vertical);
    QCOMPARE(volume(), 1.0);
    slider->setValue(1); // the lowest position is 99 dB down, not silence
    QVERIFY(std::abs(volume() - std::pow(10.0, -99.0 / 20.0)) < 1e-7);
    slider->setValue(100);
    QCOMPARE(volume(), 1.0);
}

DOCCAM_APP_TEST_MAIN(BarsTest)
#include "tst_bars.moc"
