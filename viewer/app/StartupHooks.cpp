#include "StartupHooks.h"

#include "Config.h"
#include "FrameBounds.h"
#include "MainWindow.h"
#include "RecordingRepair.h"

#include <glib-unix.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QPointer>
#include <QSessionManager>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <vector>

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

Q_LOGGING_CATEGORY(lcStartup, "doccam.app", QtInfoMsg)

// Ends a running recording the way its button does, so buttons and clock follow.
void endRecording(MainWindow *window)
{
    if (!window || !window->isRecording()) {
        return;
    }
    if (auto *button = window->findChild<QAbstractButton *>(QStringLiteral("ICON_RECORDING"))) {
        button->click();
    }
}

void clickRecordButton(MainWindow *window)
{
    if (auto *button = window->findChild<QAbstractButton *>(QStringLiteral("ICON_RECORDING"))) {
        if (!button->isChecked()) {
            button->click();
        }
    }
}

// Runs on the GUI thread from GLib's main loop, never in the signal handler itself.
gboolean onQuitSignal(gpointer data)
{
    auto *window = static_cast<QPointer<MainWindow> *>(data);
    qCDebug(lcStartup) << "quitting on a signal; a recording running:"
                       << (*window && (*window)->isRecording());
    endRecording(*window);
    QCoreApplication::quit();
    return G_SOURCE_CONTINUE;
}

void writeTexts(MainWindow *window, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        return;
    }
    QTextStream out(&file);
    for (const QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (!button->text().isEmpty()) {
            out << button->text() << '\n';
        }
        if (!button->toolTip().isEmpty()) {
            out << button->toolTip() << '\n';
        }
    }
}
} // namespace

void StartupHooks::addOwnPluginFolder()
{
    const QString folder = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                           QStringLiteral("/" DOCCAM_PLUGIN_RELATIVE_DIR));
    if (!QFileInfo::exists(folder + QStringLiteral("/libgsttevalcap.so"))) {
        return;
    }
    QByteArray path = qgetenv("GST_PLUGIN_PATH");
    const QByteArray own = QFile::encodeName(folder);
    if (path.split(':').contains(own)) {
        return;
    }
    path = path.isEmpty() ? own : path + ':' + own;
    qputenv("GST_PLUGIN_PATH", path);
}

void StartupHooks::install(MainWindow *window)
{
    const int mode = qEnvironmentVariableIntValue("DOCCAM_MODE");
    if (mode == MainWindow::FilmMode || mode == MainWindow::PhotographMode) {
        const char *name = mode == MainWindow::FilmMode ? "filmButton" : "photographButton";
        if (auto *button = window->findChild<QAbstractButton *>(QLatin1String(name))) {
            button->click();
        }
    }
    if (qgetenv("DOCCAM_PANEL") == "collapsed" && window->isPanelExpanded()) {
        QMetaObject::invokeMethod(window, "expand");
    }

    const int snapshotAfter = milliseconds("DOCCAM_SNAPSHOT_AFTER_MS");
    if (snapshotAfter >= 0) {
        QTimer::singleShot(snapshotAfter, window,
                           [window] { QMetaObject::invokeMethod(window, "snapshot"); });
    }

    const int recordAfter = milliseconds("DOCCAM_RECORD_AFTER_MS");
    if (recordAfter >= 0) {
        QTimer::singleShot(recordAfter, window, [window] { clickRecordButton(window); });
    }

    const int exitAfter = milliseconds("DOCCAM_EXIT_AFTER_MS");
    if (exitAfter < 0) {
        return;
    }
    QTimer::singleShot(exitAfter, window, [window] {
        const QString screenshot = qEnvironmentVariable("DOCCAM_SCREENSHOT");
        if (!screenshot.isEmpty()) {
            window->grab().save(screenshot);
        }
        const QString texts = qEnvironmentVariable("DOCCAM_DUMP_TEXTS");
        if (!texts.isEmpty()) {
            writeTexts(window, texts);
        }
        QCoreApplication::quit();
    });
}

void StartupHooks::boundImageDecoding()
{
    QImageReader::setAllocationLimit(FrameBounds::AllocationLimitMb);
}

void StartupHooks::protectRecordings(MainWindow *window)
{
    auto *watched = new QPointer<MainWindow>(window);
    std::vector<guint> sources;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sources.push_back(g_unix_signal_add(signal, onQuitSignal, watched));
    }
    // The session's end: the session manager asks for data to be saved, then the program is
    // quit (or killed).
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, window,
                     [window](QSessionManager &) { endRecording(window); });
    QObject::connect(qGuiApp, &QCoreApplication::aboutToQuit, window,
                     [window] { endRecording(window); });

    auto *repair = new RecordingRepair(Config::recordPath());
    repair->start();
    QObject::connect(window, &QObject::destroyed, [watched, sources, repair] {
        for (guint source : sources) {
            g_source_remove(source);
        }
        delete watched;
        delete repair; // a copy still running is cancelled and removed
    });
}
