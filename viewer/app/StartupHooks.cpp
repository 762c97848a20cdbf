#include "StartupHooks.h"

#include "MainWindow.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTextStream>
#include <QTimer>

#ifndef DOCCAM_PLUGIN_RELATIVE_DIR
#define DOCCAM_PLUGIN_RELATIVE_DIR "../lib/gstreamer-1.0"
#endif

namespace {
int milliseconds(const char *name)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value >= 0 ? value : -1;
}

void writeTexts(MainWindow *window, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return;
    QTextStream out(&file);
    for (const QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (!button->text().isEmpty())
            out << button->text() << '\n';
        if (!button->toolTip().isEmpty())
            out << button->toolTip() << '\n';
    }
}
} // namespace

void StartupHooks::addOwnPluginFolder()
{
    const QString folder = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                           QStringLiteral("/" DOCCAM_PLUGIN_RELATIVE_DIR));
    if (!QFileInfo::exists(folder + QStringLiteral("/libgsttevalcap.so")))
        return;
    QByteArray path = qgetenv("GST_PLUGIN_PATH");
    const QByteArray own = QFile::encodeName(folder);
    if (path.split(':').contains(own))
        return;
    path = path.isEmpty() ? own : path + ':' + own;
    qputenv("GST_PLUGIN_PATH", path);
}

void StartupHooks::install(MainWindow *window)
{
    const int mode = qEnvironmentVariableIntValue("DOCCAM_MODE");
    if (mode == MainWindow::FilmMode || mode == MainWindow::PhotographMode) {
        const char *name = mode == MainWindow::FilmMode ? "filmButton" : "photographButton";
        if (auto *button = window->findChild<QAbstractButton *>(QLatin1String(name)))
            button->click();
    }
    if (qgetenv("DOCCAM_PANEL") == "collapsed" && window->isPanelExpanded())
        QMetaObject::invokeMethod(window, "expand");

    const int snapshotAfter = milliseconds("DOCCAM_SNAPSHOT_AFTER_MS");
    if (snapshotAfter >= 0)
        QTimer::singleShot(snapshotAfter, window,
                           [window] { QMetaObject::invokeMethod(window, "snapshot"); });

    const int exitAfter = milliseconds("DOCCAM_EXIT_AFTER_MS");
    if (exitAfter < 0)
        return;
    QTimer::singleShot(exitAfter, window, [window] {
        const QString screenshot = qEnvironmentVariable("DOCCAM_SCREENSHOT");
        if (!screenshot.isEmpty())
            window->grab().save(screenshot);
        const QString texts = qEnvironmentVariable("DOCCAM_DUMP_TEXTS");
        if (!texts.isEmpty())
            writeTexts(window, texts);
        QCoreApplication::quit();
    });
}
