#include "Config.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The settings store, first run and across restarts of the program. A restart is a fresh
// process running this program in one of its child roles (see main()).
class ConfigTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunGivesDefaultsAndCreatesFolders();
    void settersWriteThroughAcrossARestart();
    void missingStoredFolderIsKeptAndDefaultsAreRecreated();
    void malformedValuesReadAsZero();

private:
    static QString documents();
    static QStringList runChild(const QByteArray &role);
};

QString ConfigTest::documents()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

// Runs this program in a child role and returns its output lines.
QStringList ConfigTest::runChild(const QByteArray &role)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DOCCAM_CONFIG_CHILD"), QString::fromLatin1(role));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForFinished(30000)) {
        child.kill();
        child.waitForFinished(1000);
        return {QStringLiteral("timeout")};
    }
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    return output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void ConfigTest::firstRunGivesDefaultsAndCreatesFolders()
{
    const QString images = documents() + QStringLiteral("/Document Camera/images");
    const QString videos = documents() + QStringLiteral("/Document Camera/videos");
    QVERIFY(!QDir(images).exists());

    const QStringList values = runChild("read");
    // No camera chosen (Automatic) and the presentation published.
    QCOMPARE(values, (QStringList{QStringLiteral("0"), QStringLiteral("0"), images, videos,
                                  QStringLiteral("camera="), QStringLiteral("presentation=1")}));
    QVERIFY(QDir(images).exists());
    QVERIFY(QDir(videos).exists());

    // Reading never writes the defaults into the store.
    QSettings store(QStringLiteral("Morvale"), QStringLiteral("Document Camera"));
    QVERIFY(store.allKeys().isEmpty());
}

void ConfigTest::settersWriteThroughAcrossARestart()
{
    QTemporaryDir pictures;
    qputenv("DOCCAM_CONFIG_FOLDER", QFile::encodeName(pictures.path()));
    QCOMPARE(runChild("write"), QStringList{QStringLiteral("written")});
    QStringList expected{QStringLiteral("1"),
                         QStringLiteral("3600"),
                         pictures.path(),
                         pictures.path() + QStringLiteral("/films"),
                         QStringLiteral("camera=Gooseneck Camera"),
                         QStringLiteral("presentation=0")};
    QCOMPARE(runChild("read"), expected);

    // The interval is a 64-bit value, and 0 stays 0.
    QCOMPARE(runChild("writeLargeInterval"), QStringList{QStringLiteral("written")});
    expected[1] = QStringLiteral("1099511627776");
    QCOMPARE(runChild("read"), expected);
    QCOMPARE(runChild("writeZeroInterval"), QStringList{QStringLiteral("written")});
    expected[1] = QStringLiteral("0");
    QCOMPARE(runChild("read"), expected);

    // The store is the per-user native one of the organisation and application names.
    const QString file = QFile::decodeName(qgetenv("XDG_CONFIG_HOME")) +
                         QStringLiteral("/Morvale/Document Camera.conf");
    QVERIFY2(QFile::exists(file), qPrintable(file));
    QSettings store(QStringLiteral("Morvale"), QStringLiteral("Document Camera"));
    QCOMPARE(store.value(QStringLiteral("snapshotMode")).toInt(), 1);
    QCOMPARE(store.value(QStringLiteral("snapshotPath")).toString(), pictures.path());
    QCOMPARE(store.value(QStringLiteral("camera")).toString(), QStringLiteral("Gooseneck Camera"));
    QCOMPARE(store.value(QStringLiteral("presentation")).toBool(), false);
    store.clear();
}

void ConfigTest::missingStoredFolderIsKeptAndDefaultsAreRecreated()
{
    const QString gone = QStringLiteral("/nonexistent/doccam/pictures");
    {
        QSettings store(QStringLiteral("Morvale"), QStringLiteral("Document Camera"));
        store.setValue(QStringLiteral("snapshotPath"), gone);
    }
    QDir(documents() + QStringLiteral("/Document Camera")).removeRecursively();

    const QStringList values = runChild("read");
    QCOMPARE(values.value(2), gone);
    QVERIFY(QDir(documents() + QStringLiteral("/Document Camera/images")).exists());
    QVERIFY(QDir(documents() + QStringLiteral("/Document Camera/videos")).exists());
    QSettings(QStringLiteral("Morvale"), QStringLiteral("Document Camera")).clear();
}

void ConfigTest::malformedValuesReadAsZero()
{
    {
        QSettings store(QStringLiteral("Morvale"), QStringLiteral("Document Camera"));
        store.setValue(QStringLiteral("snapshotMode"), QStringLiteral("continuous"));
        store.setValue(QStringLiteral("snapshotInterval"), QStringLiteral("-"));
    }
    const QStringList values = runChild("read");
    QCOMPARE(values.value(0), QStringLiteral("0"));
    QCOMPARE(values.value(1), QStringLiteral("0"));
    QSettings(QStringLiteral("Morvale"), QStringLiteral("Document Camera")).clear();
}

// A child run: behaves like the program's start-up as far as the settings go.
static int runChildRole(const QByteArray &role)
{
    int argc = 0;
    QCoreApplication application(argc, nullptr);
    QCoreApplication::setOrganizationName(QStringLiteral("Morvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Document Camera"));
    QTextStream out(stdout);
    if (role == "read") {
        out << Config::snapshotMode() << '\n'
            << Config::snapshotInterval() << '\n'
            << Config::snapshotPath() << '\n'
            << Config::recordPath() << '\n'
            << "camera=" << Config::camera() << '\n'
            << "presentation=" << int(Config::publishPresentation()) << '\n';
        return 0;
    }
    if (role == "write") {
        const QString folder = QFile::decodeName(qgetenv("DOCCAM_CONFIG_FOLDER"));
        Config::setSnapshotMode(1);
        Config::setSnapshotInterval(3600);
        Config::setSnapshotPath(folder);
        Config::setRecordPath(folder + QStringLiteral("/films"));
        Config::setCamera(QStringLiteral("Gooseneck Camera"));
        Config::setPublishPresentation(false);
        // The cache answers at once.
        if (Config::snapshotMode() != 1 || Config::snapshotPath() != folder ||
            Config::camera() != QStringLiteral("Gooseneck Camera") ||
            Config::publishPresentation()) {
            return 1;
        }
    } else if (role == "writeLargeInterval") {
        Config::setSnapshotInterval(quint64(1) << 40);
    } else if (role == "writeZeroInterval") {
        Config::setSnapshotInterval(0);
    }
    out << "written\n";
    return 0;
}

int main(int argc, char **argv)
{
    const QByteArray role = qgetenv("DOCCAM_CONFIG_CHILD");
    if (!role.isEmpty()) {
        return runChildRole(role);
    }

    QTemporaryDir home;
    useTestHome(home.path());
    QCoreApplication application(argc, argv);
    ConfigTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_config.moc"
