#include "HorizontalSlider.h"
#include "ICaptureCB.h"
#include "PhotographSource.h"
#include "ThumbnailButton.h"
#include "ThumbnailLoader.h"
#include "ThumbnailWidget.h"

#include <QEnterEvent>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <memory>

namespace {

class NullCanvas : public ICaptureCB {
public:
    void frameArrived(uchar *, int, int, bool) override {}
    void setImage(const QImage &) override {}
};

// A folder of count JPEGs of one colour, named p000.jpg, p001.jpg, ...
void fillFolder(const QString &folder, int count, QColor colour, QSize size = {64, 48})
{
    QImage image(size, QImage::Format_RGB888);
    image.fill(colour);
    for (int i = 0; i < count; ++i) {
        QVERIFY(image.save(QStringLiteral("%1/p%2.jpg").arg(folder).arg(i, 3, 10, QChar('0'))));
    }
}

// The strip with its source and scroll bar, the strip 800 pixels wide.
struct Strip {
    NullCanvas canvas;
    PhotographSource source{&canvas};
    QWidget parent;
    HorizontalSlider *scroll = new HorizontalSlider(QImage(8, 8, QImage::Format_RGB32), &parent);
    std::unique_ptr<ThumbnailWidget> strip;

    explicit Strip(const QString &folder, int width = 800)
    {
        if (!folder.isEmpty()) {
            source.openDirectory(QDir(folder));
        }
        strip = std::make_unique<ThumbnailWidget>(&source, scroll, &parent);
        strip->resize(width, 60);
        parent.resize(width, 100);
        parent.show(); // resize events reach shown widgets only
        strip->rebuild();
    }
    bool allLoaded() const
    {
        for (ThumbnailButton *b : strip->buttons()) {
            if (!b->hasPicture()) {
                return false;
            }
        }
        return true;
    }
};

bool isColour(const QImage &image, QColor colour)
{
    if (image.isNull()) {
        return false;
    }
    const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
    return qAbs(c.red() - colour.red()) < 24 && qAbs(c.green() - colour.green()) < 24 &&
           qAbs(c.blue() - colour.blue()) < 24;
}

} // namespace

class ThumbnailTest : public QObject {
    Q_OBJECT

private slots:
    void layoutNumbers()
    {
        QTemporaryDir many, few;
        fillFolder(many.path(), 25, Qt::red);
        fillFolder(few.path(), 3, Qt::red);

        Strip s25(many.path());
        QCOMPARE(s25.strip->buttons().size(), 25);
        QCOMPARE(s25.strip->visibleCount(), 10);
        QCOMPARE(s25.strip->leftOffset(), 70);
        QCOMPARE(s25.scroll->minimum(), 0);
        QCOMPARE(s25.scroll->maximum(), 15);
        QCOMPARE(s25.strip->buttons().at(0)->pos(), QPoint(70, 5));
        QCOMPARE(s25.strip->buttons().at(9)->pos(), QPoint(70 + 9 * 66, 5));
        QVERIFY(!s25.strip->buttons().at(10)->isVisibleTo(s25.strip.get()));
        QCOMPARE(s25.strip->buttons().at(0)->size(), QSize(56, 50));

        Strip s3(few.path());
        QCOMPARE(s3.strip->visibleCount(), 3);
        QCOMPARE(s3.strip->leftOffset(), 301);
        QCOMPARE(s3.scroll->maximum(), 0);

        // Narrower than 90 pixels: nothing fits.
        s25.strip->resize(80, 60);
        QCOMPARE(s25.strip->visibleCount(), 0);
        for (ThumbnailButton *b : s25.strip->buttons()) {
            QVERIFY(!b->isVisibleTo(s25.strip.get()));
        }

        Strip empty(QString{});
        QVERIFY(empty.strip->buttons().isEmpty());
        QCOMPARE(empty.scroll->minimum(), 0);
        QCOMPARE(empty.scroll->maximum(), 0);
    }

    void selectionScrollsAndChecks()
    {
        QTemporaryDir dir;
        fillFolder(dir.path(), 25, Qt::red);
        Strip s(dir.path());

        s.source.selectPhotograph(12);
        QCOMPARE(s.strip->firstVisible(), 3);
        QCOMPARE(s.scroll->value(), 3);
        QVERIFY(s.strip->buttons().at(12)->isChecked());
        QCOMPARE(s.strip->buttons().at(12)->pos(), QPoint(70 + 9 * 66, 5));

        s.source.selectPhotograph(1);
        QCOMPARE(s.strip->firstVisible(), 1);
        QVERIFY(s.strip->buttons().at(1)->isChecked());
        QVERIFY(!s.strip->buttons().at(12)->isChecked());

        // Clicking a button selects its photograph in the source.
        QSignalSpy changed(&s.source, &PhotographSource::photographChanged);
        s.strip->buttons().at(4)->click();
        QCOMPARE(s.source.currentIndex(), 4);
        QCOMPARE(changed.size(), 1);

        // The scroll bar moves the window.
        emit s.scroll->valueChanged(15);
        QCOMPARE(s.strip->firstVisible(), 15);
        QVERIFY(s.strip->buttons().at(24)->isVisibleTo(s.strip.get()));
    }

    // A new list shows from its first picture, and the scroll bar, which is what the presenter
    // drags, must say so rather than keep the old list's position.
    void rebuildStartsTheScrollBarAtTheFirstPicture()
    {
        QTemporaryDir first, second;
        fillFolder(first.path(), 25, Qt::red);
        fillFolder(second.path(), 30, Qt::blue);
        Strip s(first.path());
        s.source.selectPhotograph(20);
        QCOMPARE(s.scroll->value(), 11);

        QVERIFY(s.source.openDirectory(QDir(second.path())));
        QCOMPARE(s.strip->buttons().size(), 30);
        QCOMPARE(s.scroll->maximum(), 20);
        QCOMPARE(s.strip->firstVisible(), 0);
        QCOMPARE(s.scroll->value(), 0);
        QVERIFY(s.strip->buttons().at(0)->isVisibleTo(s.strip.get()));
    }

    void frameColours()
    {
        ThumbnailButton button;
        button.resize(56, 50);
        QCOMPARE(button.frameColor(), QColor(Qt::gray));
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(&button, &enter);
        QCOMPARE(button.frameColor(), QColor(Qt::white));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &leave);
        QCOMPARE(button.frameColor(), QColor(Qt::gray));
        button.setChecked(true);
        QCoreApplication::sendEvent(&button, &enter);
        QCOMPARE(button.frameColor(), QColor(Qt::red));

        // What is painted: a black face, the picture centred, the frame on the edge.
        QImage picture(20, 10, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        button.setImage(picture);
        const QImage face = button.grab().toImage();
        QCOMPARE(face.pixelColor(0, 0), QColor(Qt::red));
        QCOMPARE(face.pixelColor(10, 25), QColor(Qt::black));
        QCOMPARE(face.pixelColor(28, 25), QColor(Qt::blue));
        QCOMPARE(face.pixelColor(18, 20), QColor(Qt::blue));
        QCOMPARE(face.pixelColor(17, 20), QColor(Qt::black));
    }

    void loaderFillsEveryButtonAndShowsBadFilesBlack()
    {
        QTemporaryDir dir;
        fillFolder(dir.path(), 5, Qt::green, QSize(400, 100));
        QFile bad(dir.path() + "/zz_bad.jpg");
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("this is not a picture");
        bad.close();

        Strip s(dir.path());
        QTRY_VERIFY(s.allLoaded());
        for (int i = 0; i < 5; ++i) {
            const QImage &p = s.strip->buttons().at(i)->picture();
            QCOMPARE(p.size(), QSize(56, 14)); // 4:1 fitted into 56 x 50
            QVERIFY(isColour(p, Qt::green));
        }
        QVERIFY(s.strip->buttons().at(5)->picture().isNull());
    }

    void newFolderStopsTheLoaderAndRefills()
    {
        QTemporaryDir a, b;
        constexpr int kMany = 150;
        fillFolder(a.path(), kMany, Qt::red, QSize(1200, 900));
        fillFolder(b.path(), 4, Qt::blue);

        // The counter is connected before the loader starts on folder A.
        Strip s(QString{});
        std::atomic<int> delivered{0};
        connect(
            s.strip->loader(), &ThumbnailLoader::thumbnailReady, this,
            [&delivered](int, int, const QImage &) { ++delivered; }, Qt::DirectConnection);
        QVERIFY(s.source.openDirectory(QDir(a.path())));
        QCOMPARE(s.strip->buttons().size(), kMany);
        QTRY_VERIFY(delivered.load() > 0);

        QVERIFY(s.source.openDirectory(QDir(b.path())));
        const int deliveredFromA = delivered.load();
        QVERIFY2(deliveredFromA < kMany, "the loader was not stopped by the new folder");

        QCOMPARE(s.strip->buttons().size(), 4);
        QTRY_VERIFY(s.allLoaded());
        QTest::qWait(20); // pictures of the old run still queued must not land
        for (ThumbnailButton *button : s.strip->buttons()) {
            QVERIFY(isColour(button->picture(), Qt::blue));
        }
    }

    void destroyedWhileLoading()
    {
        QTemporaryDir dir;
        fillFolder(dir.path(), 60, Qt::red, QSize(1200, 900));
        for (int round = 0; round < 3; ++round) {
            Strip s(dir.path());
            QTest::qWait(round * 5);
        } // the strip goes with the loader still running: no crash, no race
    }
};

QTEST_MAIN(ThumbnailTest)
#include "tst_thumbnails.moc"
