#include "ChildProcess.h"
#include "TestHome.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// `cmake --install` into a temporary prefix, then the installed program started from there: it
// comes up in English, and in the site's language once a translation is copied beside it.
// Whether a caption or tool tip reads text, a tool tip perhaps followed by its key ("Zoom in (+)").
static bool hasText(const QStringList &texts, const QString &text)
{
    for (const QString &shown : texts) {
        if (shown == text || shown.startsWith(text + QStringLiteral(" ("))) {
            return true;
        }
    }
    return false;
}

class InstallTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void installsEverythingInItsPlace();
    void pluginGoesWhereGStreamerLooks();
    void desktopEntryAndMetainfoValidate();
    void installedProgramStartsInEnglish();
    void translationBesideTheProgramChangesTheTexts();
    void installedTranslationFollowsTheUsersLanguage();
    void windowCarriesTheClassOfItsDesktopEntry();

private:
    QString run(const QString &program, QStringList *texts, const QString &language = {});
    static QString tool(const char *name, QStringList arguments, int *exitCode);

    QTemporaryDir m_prefix;
    QTemporaryDir m_work;
};

void InstallTest::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(DOCCAM_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(DOCCAM_BUILD_DIR),
                   QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
}

void InstallTest::installsEverythingInItsPlace()
{
    const QString root = m_prefix.path() + QLatin1Char('/');
    const QString data = root + QStringLiteral(DOCCAM_DATADIR) + QLatin1Char('/');
    QVERIFY(QFileInfo(root + QStringLiteral(DOCCAM_BINDIR "/viewer")).isExecutable());
    QVERIFY(QFile::exists(data + QStringLiteral("applications/doccam-viewer.desktop")));
    QVERIFY(QFile::exists(data + QStringLiteral("icons/hicolor/scalable/apps/doccam-viewer.svg")));
    const QDir translations(data + QStringLiteral("doccam-viewer/translations"));
    QVERIFY(!translations.entryList({QStringLiteral("*.qm")}).isEmpty());
    // No language is switched on for everybody: the program's own translation slot stays empty.
    QVERIFY(!QFile::exists(root + QStringLiteral(DOCCAM_BINDIR "/RZ8NE.qm")));
    for (const char *page : {"viewer", "tevalctl", "tevalreg", "pagehost"}) {
        QVERIFY2(QFile::exists(root + QStringLiteral(DOCCAM_MANDIR "/man1/") + QLatin1String(page) +
                               QStringLiteral(".1")),
                 page);
    }
    QVERIFY(QFile::exists(root + QStringLiteral(DOCCAM_PLUGIN_DIR "/libgsttevalcap.so")));
    const QDir rules(root + QStringLiteral("lib/udev/rules.d"));
    QVERIFY(!rules.entryList({QStringLiteral("*.rules")}).isEmpty());

    // The desktop entry starts the installed program and names the installed icon.
    QFile entry(data + QStringLiteral("applications/doccam-viewer.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    QVERIFY(text.contains("\nExec=viewer\n"));
    QVERIFY(text.contains("\nIcon=doccam-viewer\n"));
}

// Runs a tool of the system; its output, with exitCode set (-1 when it is not installed).
QString InstallTest::tool(const char *name, QStringList arguments, int *exitCode)
{
    *exitCode = -1;
    const QString path = QStandardPaths::findExecutable(QLatin1String(name));
    if (path.isEmpty()) {
        return QStringLiteral("%1 is not installed").arg(QLatin1String(name));
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(path, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(1000);
        return QStringLiteral("%1 did not finish").arg(QLatin1String(name));
    }
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll()).trimmed();
}

// With the prefix GStreamer itself was installed under (the README's command), the plug-in lands
// in GStreamer's own plug-in folder; here, with a temporary prefix, in the same folder below it,
// which GStreamer then loads as its system folder with nothing else to find it by.
void InstallTest::pluginGoesWhereGStreamerLooks()
{
    int code = 0;
    const QString gstPrefix =
        tool("pkg-config", {QStringLiteral("--variable=prefix"), QStringLiteral("gstreamer-1.0")},
             &code);
    QCOMPARE(code, 0);
    const QString pluginsDir =
        tool("pkg-config",
             {QStringLiteral("--variable=pluginsdir"), QStringLiteral("gstreamer-1.0")}, &code);
    QCOMPARE(code, 0);
    QCOMPARE(QDir(gstPrefix).filePath(QStringLiteral(DOCCAM_PLUGIN_DIR)), pluginsDir);

    const QString installed = m_prefix.filePath(QStringLiteral(DOCCAM_PLUGIN_DIR));
    QProcess inspect;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"GST_PLUGIN_PATH", "GST_PLUGIN_PATH_1_0", "TEVALCAP_SIMULATE"}) {
        environment.remove(QLatin1String(name));
    }
    environment.insert(QStringLiteral("GST_PLUGIN_SYSTEM_PATH_1_0"), installed);
    environment.insert(QStringLiteral("GST_REGISTRY_1_0"),
                       m_work.filePath(QStringLiteral("registry.bin")));
    inspect.setProcessEnvironment(environment);
    inspect.setProcessChannelMode(QProcess::MergedChannels);
    inspect.start(QStringLiteral("gst-inspect-1.0"), {QStringLiteral("tevalcapsrc")});
    QVERIFY(inspect.waitForFinished(60000));
    const QByteArray output = inspect.readAll();
    QVERIFY2(inspect.exitCode() == 0, output.constData());
    QVERIFY(output.contains(QFile::encodeName(installed)));
}

// The checkers of the desktop's software centres find nothing to complain about.
void InstallTest::desktopEntryAndMetainfoValidate()
{
    const QString data = m_prefix.filePath(QStringLiteral(DOCCAM_DATADIR));
    int code = 0;
    const QString entry = data + QStringLiteral("/applications/doccam-viewer.desktop");
    QString output = tool("desktop-file-validate", {entry}, &code);
    // The checker is a test dependency (scripts/install-deps.sh): missing is a failure.
    QVERIFY2(code >= 0, qPrintable(output));
    QVERIFY2(code == 0 && output.isEmpty(), qPrintable(output));

    const QString metainfo =
        data + QStringLiteral("/metainfo/org.morvale.DocumentCamera.metainfo.xml");
    output = tool("appstreamcli",
                  {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo}, &code);
    QVERIFY2(code >= 0, qPrintable(output));
    QVERIFY2(code == 0, qPrintable(output));

    // The window names itself as the desktop entry says, so a dock pairs it with its launcher.
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("\nStartupWMClass=Document Camera\n"));
}

// Starts the program, which quits by itself and writes its button texts; returns its errors.
// language, when given, is the user's locale (LANG) and the only locale variable set.
QString InstallTest::run(const QString &program, QStringList *texts, const QString &language)
{
    const QString dump = m_work.filePath(QStringLiteral("texts.txt"));
    QFile::remove(dump);
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DOCCAM_EXIT_AFTER_MS"), QStringLiteral("200"));
    environment.insert(QStringLiteral("DOCCAM_DUMP_TEXTS"), dump);
    environment.remove(QStringLiteral("TEVALCAP_SIMULATE"));
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        environment.remove(QLatin1String(name));
    }
    environment.insert(QStringLiteral("LANG"), language.isEmpty() ? QStringLiteral("C") : language);
    viewer.setProcessEnvironment(environment);
    viewer.setProcessChannelMode(QProcess::MergedChannels);
    viewer.start(program, {});
    if (!viewer.waitForFinished(60000)) {
        viewer.kill();
        viewer.waitForFinished(1000);
        return QStringLiteral("the program did not quit by itself");
    }
    if (viewer.exitStatus() != QProcess::NormalExit || viewer.exitCode() != 0) {
        return QStringLiteral("exit %1: %2")
            .arg(viewer.exitCode())
            .arg(QString::fromLocal8Bit(viewer.readAll()));
    }
    QFile file(dump);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return QStringLiteral("no texts written");
    }
    *texts = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return {};
}

void InstallTest::installedProgramStartsInEnglish()
{
    QStringList texts;
    const QString error =
        run(m_prefix.path() + QStringLiteral("/" DOCCAM_BINDIR "/viewer"), &texts);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    for (const char *english : {"Live", "Film", "Photograph", "Zoom in", "Take snapshot"}) {
        QVERIFY2(hasText(texts, QLatin1String(english)), english);
    }
}

void InstallTest::translationBesideTheProgramChangesTheTexts()
{
    const QString bin = m_prefix.path() + QStringLiteral("/" DOCCAM_BINDIR);
    const QString german =
        m_prefix.path() +
        QStringLiteral("/" DOCCAM_DATADIR "/doccam-viewer/translations/viewer_de.qm");
    QVERIFY(QFile::copy(german, bin + QStringLiteral("/RZ8NE.qm")));

    QStringList texts;
    const QString error = run(bin + QStringLiteral("/viewer"), &texts);
    QFile::remove(bin + QStringLiteral("/RZ8NE.qm"));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(hasText(texts, QStringLiteral("Foto")));
    QVERIFY(hasText(texts, QStringLiteral("Vergrößern")));
    QVERIFY(hasText(texts, QStringLiteral("Schnappschuss aufnehmen")));
    QVERIFY(!hasText(texts, QStringLiteral("Photograph")));
    QVERIFY(!hasText(texts, QStringLiteral("Zoom in")));
}

// Without a translation beside the program, the installed one for the user's language.
void InstallTest::installedTranslationFollowsTheUsersLanguage()
{
    const QString bin = m_prefix.path() + QStringLiteral("/" DOCCAM_BINDIR);
    QVERIFY(!QFile::exists(bin + QStringLiteral("/RZ8NE.qm")));
    QStringList texts;
    QString error = run(bin + QStringLiteral("/viewer"), &texts, QStringLiteral("de_DE.UTF-8"));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(hasText(texts, QStringLiteral("Foto")));
    QVERIFY(hasText(texts, QStringLiteral("Schnappschuss aufnehmen")));
    QVERIFY(!hasText(texts, QStringLiteral("Photograph")));

    // A language without a translation keeps the English texts.
    error = run(bin + QStringLiteral("/viewer"), &texts, QStringLiteral("fr_FR.UTF-8"));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(hasText(texts, QStringLiteral("Photograph")));
}

// On an X server (a private Xvfb, ended by the test) the main window names its program and
// class, the class being the desktop entry's StartupWMClass.
void InstallTest::windowCarriesTheClassOfItsDesktopEntry()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString xwininfo = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
    QVERIFY2(!xvfb.isEmpty() && !xwininfo.isEmpty(),
             "Xvfb or xwininfo (x11-utils) is not installed");
    const QString display =
        QStringLiteral(":%1").arg(200 + QCoreApplication::applicationPid() % 500);
    // Ended by its destructor, or by the kernel should this test die first.
    ChildProcess server;
    QVERIFY(server.start({xvfb.toStdString(), display.toStdString(), "-nolisten", "tcp", "-screen",
                          "0", "1280x1024x24"},
                         ChildProcess::environment()));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DOCCAM_EXIT_AFTER_MS"), QStringLiteral("60000"));
    environment.remove(QStringLiteral("TEVALCAP_SIMULATE"));
    QProcess viewer;
    viewer.setProcessEnvironment(environment);
    viewer.setProcessChannelMode(QProcess::MergedChannels);
    // The server may still be coming up: the first starts can fail to connect.
    QByteArray tree;
    QDeadlineTimer deadline(40000);
    while (!deadline.hasExpired() && !tree.contains("\"viewer\" \"Document Camera\"")) {
        if (viewer.state() == QProcess::NotRunning) {
            viewer.start(m_prefix.path() + QStringLiteral("/" DOCCAM_BINDIR "/viewer"), {});
        }
        QTest::qWait(500);
        QProcess query;
        query.setProcessEnvironment(environment);
        query.start(xwininfo, {QStringLiteral("-root"), QStringLiteral("-tree")});
        query.waitForFinished(10000);
        tree = query.readAllStandardOutput();
    }
    viewer.terminate();
    if (!viewer.waitForFinished(10000)) {
        viewer.kill();
    }
    viewer.waitForFinished(1000);
    QVERIFY2(tree.contains("\"viewer\" \"Document Camera\""), tree.constData());
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
