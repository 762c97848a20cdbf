#include "FakeToolHost.h"
#include "ImageButton.h"
#include "SettingsToolWindow.h"
#include "WidgetPictures.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <memory>

namespace {
ImageButton *captioned(QWidget *window, const QString &caption, int y = -1)
{
    for (ImageButton *b : window->findChildren<ImageButton *>()) {
        if (b->text() == caption && (y < 0 || b->y() == y)) {
            return b;
        }
    }
    return nullptr;
}

QLineEdit *fieldAt(QWidget *window, int y)
{
    for (QLineEdit *field : window->findChildren<QLineEdit *>()) {
        if (field->pos() == QPoint(85, y)) {
            return field;
        }
    }
    return nullptr;
}

QComboBox *boxAt(QWidget *window, int y)
{
    for (QComboBox *box : window->findChildren<QComboBox *>()) {
        if (box->pos() == QPoint(85, y)) {
            return box;
        }
    }
    return nullptr;
}
} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeToolHost> host;

    QStringList cameras{QStringLiteral("Test Webcam"), QStringLiteral("Gooseneck Camera")};

    std::unique_ptr<SettingsToolWindow> open(const QStringList &folders = {})
    {
        auto window = std::make_unique<SettingsToolWindow>(host->ownerButton, host.get());
        window->setCameraLister([this] { return cameras; });
        // The folder chooser answers from the list instead of asking in a modal dialog.
        auto answers = std::make_shared<QStringList>(folders);
        window->setFolderChooser(
            [answers]() { return answers->isEmpty() ? QString() : answers->takeFirst(); });
        window->show();
        return window;
    }

private slots:
    void init()
    {
        host = std::make_unique<FakeToolHost>();
        host->store.snapshotFolder = QStringLiteral("/data/images");
        host->store.recordFolder = QStringLiteral("/data/videos");
    }
    void cleanup() { host.reset(); }

    void showsTheStoredSettings()
    {
        host->store.mode = 1;
        host->store.interval = 600;
        auto window = open();
        // The camera, presentation, format and time-lapse rows below the described ones make
        // the window taller.
        QCOMPARE(window->size(), QSize(248, 356));
        QCOMPARE(boxAt(window.get(), 72)->currentText(), QStringLiteral("Continuous"));
        QCOMPARE(boxAt(window.get(), 97)->currentText(), QStringLiteral("10 min"));
        QCOMPARE(boxAt(window.get(), 97)->count(), 17);
        QCOMPARE(boxAt(window.get(), 97)->itemText(16), QStringLiteral("1 hr"));
        QCOMPARE(fieldAt(window.get(), 24)->text(), QStringLiteral("Document Camera"));
        QCOMPARE(fieldAt(window.get(), 48)->text(), QStringLiteral("XVGA 1024 x 768"));
        QCOMPARE(fieldAt(window.get(), 124)->text(), QStringLiteral("/data/images"));
        QCOMPARE(fieldAt(window.get(), 172)->text(), QStringLiteral("/data/videos"));
        for (QLineEdit *field : window->findChildren<QLineEdit *>()) {
            QVERIFY(field->isReadOnly());
        }
        QVERIFY(host->store.calls.isEmpty());

        saveScreenshot(window.get(), QStringLiteral("settings"));
    }

    void unlistedValuesShowTheFirstEntryAndOkStoresIt()
    {
        host->store.mode = 7;
        host->store.interval = 0;
        auto window = open();
        QCOMPARE(boxAt(window.get(), 72)->currentIndex(), 0);
        QCOMPARE(boxAt(window.get(), 97)->currentText(), QStringLiteral("1 sec"));
        QTest::mouseClick(captioned(window.get(), QStringLiteral("OK")), Qt::LeftButton);
        QCOMPARE(host->store.mode, 0);
        QCOMPARE(host->store.interval, quint64(1));
        QVERIFY(window->isHidden());
    }

    void cameraAndPresentationRowsFollowTheDescribedOnes()
    {
        host->store.cameraName = QStringLiteral("Gooseneck Camera");
        host->store.presentation = false;
        auto window = open();
        QComboBox *camera = boxAt(window.get(), 222);
        QComboBox *presentation = boxAt(window.get(), 247);
        QVERIFY(camera && presentation);
        QCOMPARE(camera->count(), 3);
        QCOMPARE(camera->itemText(0), QStringLiteral("Automatic"));
        QCOMPARE(camera->currentText(), QStringLiteral("Gooseneck Camera"));
        QCOMPARE(presentation->currentText(), QStringLiteral("Off"));
        // The rows sit below the recording folder's "Browse", the buttons below them.
        QVERIFY(camera->y() >
                captioned(window.get(), QStringLiteral("Browse"), 195)->geometry().bottom());
        QVERIFY(captioned(window.get(), QStringLiteral("OK"))->y() >
                presentation->geometry().bottom());
        QVERIFY(captioned(window.get(), QStringLiteral("OK"))->geometry().bottom() <
                window->height());
        saveScreenshot(window.get(), QStringLiteral("settings_camera"));

        camera->setCurrentIndex(0);
        presentation->setCurrentIndex(0);
        QTest::mouseClick(captioned(window.get(), QStringLiteral("OK")), Qt::LeftButton);
        QCOMPARE(host->store.cameraName, QString()); // Automatic
        QVERIFY(host->store.presentation);
    }

    void formatAndTimeLapseRowsShowAndStoreTheChoice_data()
    {
        QTest::addColumn<QString>("storedFormat");
        QTest::addColumn<int>("storedTimeLapse");
        QTest::addColumn<QString>("shownFormat");
        QTest::addColumn<QString>("shownTimeLapse");
        QTest::newRow("defaults") << "avi" << 0 << "AVI"
                                  << "Off";
        QTest::newRow("mp4 every 10 s") << "mp4" << 10 << "MP4"
                                        << "10 sec";
        QTest::newRow("webm every 10 min") << "webm" << 600 << "WebM"
                                           << "10 min";
        // Values that are not offered show the first entry; "OK" then stores it.
        QTest::newRow("unknown") << "mkv" << 7 << "AVI"
                                 << "Off";
    }
    void formatAndTimeLapseRowsShowAndStoreTheChoice()
    {
        QFETCH(QString, storedFormat);
        QFETCH(int, storedTimeLapse);
        QFETCH(QString, shownFormat);
        QFETCH(QString, shownTimeLapse);
        host->store.format = storedFormat;
        host->store.timeLapse = storedTimeLapse;
        auto window = open();
        QComboBox *format = boxAt(window.get(), 272);
        QComboBox *timeLapse = boxAt(window.get(), 297);
        QVERIFY(format && timeLapse);
        QCOMPARE(format->currentText(), shownFormat); // every encoder is installed here
        QCOMPARE(timeLapse->currentText(), shownTimeLapse);
        QVERIFY(captioned(window.get(), QStringLiteral("OK"))->y() >
                timeLapse->geometry().bottom());
        if (storedFormat == QLatin1String("mp4")) {
            saveScreenshot(window.get(), QStringLiteral("settings_recording"));
        }
        QTest::mouseClick(captioned(window.get(), QStringLiteral("OK")), Qt::LeftButton);
        QCOMPARE(host->store.format, shownFormat.toLower());
        QCOMPARE(host->store.timeLapse, shownTimeLapse == "Off" ? 0 : storedTimeLapse);
    }

    void absentStoredCameraStaysChosen()
    {
        // Unplugged while the window is open: "OK" keeps the choice rather than dropping it.
        host->store.cameraName = QStringLiteral("Unplugged Camera");
        cameras = {QStringLiteral("Test Webcam")};
        auto window = open();
        QCOMPARE(boxAt(window.get(), 222)->currentText(), QStringLiteral("Unplugged Camera"));
        QTest::mouseClick(captioned(window.get(), QStringLiteral("OK")), Qt::LeftButton);
        QCOMPARE(host->store.cameraName, QStringLiteral("Unplugged Camera"));

        host->store.cameraName.clear();
        cameras.clear();
        auto empty = open();
        QCOMPARE(boxAt(empty.get(), 222)->count(), 1);
        QCOMPARE(boxAt(empty.get(), 222)->currentText(), QStringLiteral("Automatic"));
    }

    void okStoresAllInOrder()
    {
        host->store.interval = 3600;
        auto window = open({QStringLiteral("/picked/images"), QStringLiteral("/picked/videos")});
        QTest::keyClick(boxAt(window.get(), 72), Qt::Key_Down);
        QTest::keyClick(boxAt(window.get(), 97), Qt::Key_Up);
        QTest::mouseClick(captioned(window.get(), QStringLiteral("Browse"), 146), Qt::LeftButton);
        QTest::mouseClick(captioned(window.get(), QStringLiteral("Browse"), 195), Qt::LeftButton);
        QCOMPARE(fieldAt(window.get(), 124)->text(), QStringLiteral("/picked/images"));
        QCOMPARE(fieldAt(window.get(), 172)->text(), QStringLiteral("/picked/videos"));
        QVERIFY(host->store.calls.isEmpty()); // nothing stored before "OK"

        QTest::mouseClick(captioned(window.get(), QStringLiteral("OK")), Qt::LeftButton);
        QCOMPARE(host->store.calls,
                 (QStringList{"snapshotMode", "snapshotInterval", "snapshotPath", "recordPath",
                              "camera", "presentation", "recordFormat", "timeLapseInterval"}));
        QCOMPARE(host->store.mode, 1);
        QCOMPARE(host->store.interval, quint64(1800));
        QCOMPARE(host->store.snapshotFolder, QStringLiteral("/picked/images"));
        QCOMPARE(host->store.recordFolder, QStringLiteral("/picked/videos"));
    }

    void cancelledBrowseKeepsTheFieldAndCancelStoresNothing()
    {
        auto window = open({QString()});
        QTest::mouseClick(captioned(window.get(), QStringLiteral("Browse"), 146), Qt::LeftButton);
        QCOMPARE(fieldAt(window.get(), 124)->text(), QStringLiteral("/data/images"));

        window->setFolderChooser([]() { return QStringLiteral("/elsewhere"); });
        QTest::mouseClick(captioned(window.get(), QStringLiteral("Browse"), 146), Qt::LeftButton);
        QCOMPARE(fieldAt(window.get(), 124)->text(), QStringLiteral("/elsewhere"));
        QTest::mouseClick(captioned(window.get(), QStringLiteral("Cancel")), Qt::LeftButton);
        QVERIFY(window->isHidden());
        QVERIFY(host->store.calls.isEmpty());

        // Reopened, the window shows what is stored, not what was browsed.
        auto again = open();
        QCOMPARE(fieldAt(again.get(), 124)->text(), QStringLiteral("/data/images"));
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "tst_settingswindow.moc"
