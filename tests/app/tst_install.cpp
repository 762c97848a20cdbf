#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// `cmake --install` into a temporary prefix, then the installed program started from there: it
// comes up in English, and in the site's language once a translation is copied beside it.
class InstallTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void installsEverythingInItsPlace();
    void installedProgramStartsInEnglish();
    void translationBesideTheProgramChangesTheTexts();

private:
    QString run(const QString &program, QStringList *texts);

    QTemporaryDir prefix_;
    QTemporaryDir work_;
};

void InstallTest::initTestCase()
{
    QVERIFY(prefix_.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(DOCCAM_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(DOCCAM_BUILD_DIR),
                   QStringLiteral("--prefix"), prefix_.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
}

void InstallTest::installsEverythingInItsPlace()
{
    const QString root = prefix_.path() + QLatin1Char('/');
    const QString data = root + QStringLiteral(DOCCAM_DATADIR) + QLatin1Char('/');
    QVERIFY(QFileInfo(root + QStringLiteral(DOCCAM_BINDIR "/viewer")).isExecutable());
    QVERIFY(QFile::exists(data + QStringLiteral("applications/doccam-viewer.desktop")));
    QVERIFY(QFile::exists(data + QStringLiteral("icons/hicolor/scalable/apps/doccam-viewer.svg")));
    const QDir translations(data + QStringLiteral("doccam-viewer/translations"));
    QVERIFY(!translations.entryList({QStringLiteral("*.qm")}).isEmpty());
    // No language is switched on for everybody: the program's own translation slot stays empty.
    QVERIFY(!QFile::exists(root + QStringLiteral(DOCCAM_BINDIR "/RZ8NE.qm")));
    if (DOCCAM_HAS_PLUGIN) {
        QVERIFY(
            QFile::exists(root + QStringLiteral(DOCCAM_LIBDIR "/gstreamer-1.0/libgsttevalcap.so")));
        const QDir rules(root + QStringLiteral("lib/udev/rules.d"));
        QVERIFY(!rules.entryList({QStringLiteral("*.rules")}).isEmpty());
    }

    // The desktop entry starts the installed program and names the installed icon.
    QFile entry(data + QStringLiteral("applications/doccam-viewer.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    QVERIFY(text.contains("\nExec=viewer\n"));
    QVERIFY(text.contains("\nIcon=doccam-viewer\n"));
}

// Starts the program, which quits by itself and writes its button texts; returns its errors.
QString InstallTest::run(const QString &program, QStringList *texts)
{
    const QString dump = work_.filePath(QStringLiteral("texts.txt"));
    QFile::remove(dump);
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DOCCAM_EXIT_AFTER_MS"), QStringLiteral("200"));
    environment.insert(QStringLiteral("DOCCAM_DUMP_TEXTS"), dump);
    environment.remove(QStringLiteral("TEVALCAP_SIMULATE"));
    viewer.setProcessEnvironment(environment);
    viewer.setProcessChannelMode(QProcess::MergedChannels);
    viewer.start(program, {});
    if (!viewer.waitForFinished(60000)) {
        viewer.kill();
        viewer.waitForFinished(1000);
        return QStringLiteral("the program did not quit by itself");
    }
    if (viewer.exitStatus() != QProcess::NormalExit || viewer.exitCode() != 0)
        return QStringLiteral("exit %1: %2")
            .arg(viewer.exitCode())
            .arg(QString::fromLocal8Bit(viewer.readAll()));
    QFile file(dump);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("no texts written");
    *texts = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return {};
}

void InstallTest::installedProgramStartsInEnglish()
{
    QStringList texts;
    const QString error = run(prefix_.path() + QStringLiteral("/" DOCCAM_BINDIR "/viewer"), &texts);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    for (const char *english : {"Live", "Film", "Photograph", "Zoom in", "Take snapshot"})
        QVERIFY2(texts.contains(QLatin1String(english)), english);
}

void InstallTest::translationBesideTheProgramChangesTheTexts()
{
    const QString bin = prefix_.path() + QStringLiteral("/" DOCCAM_BINDIR);
    const QString german =
        prefix_.path() +
        QStringLiteral("/" DOCCAM_DATADIR "/doccam-viewer/translations/viewer_de.qm");
    QVERIFY(QFile::copy(german, bin + QStringLiteral("/RZ8NE.qm")));

    QStringList texts;
    const QString error = run(bin + QStringLiteral("/viewer"), &texts);
    QFile::remove(bin + QStringLiteral("/RZ8NE.qm"));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(texts.contains(QStringLiteral("Foto")));
    QVERIFY(texts.contains(QStringLiteral("Vergrößern")));
    QVERIFY(texts.contains(QStringLiteral("Schnappschuss aufnehmen")));
    QVERIFY(!texts.contains(QStringLiteral("Photograph")));
    QVERIFY(!texts.contains(QStringLiteral("Zoom in")));
}

int main(int argc, char **argv)
{
    QTemporaryDir home;
    useTestHome(home.path());
    QCoreApplication application(argc, argv);
    InstallTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_install.moc"
