#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

class QSettings;

// The program's persistent settings: snapshot mode and interval, snapshot and recording
// folders, the camera chosen for Live mode when the Document Camera is absent, and whether the
// live picture is offered to other programs as a camera, the recording format and the
// time-lapse interval.
//
// One instance per process, created on first use (after the application's organisation and
// application names are set, which decide where the store lives) and destroyed at process exit,
// which flushes the store. Every operation is static and acts on that instance. Getters return
// the cached values; setters update the cache and write through to the store at once.
class Config : public QObject {
    Q_OBJECT

public:
    static Config *instance();

    static int snapshotMode();
    static void setSnapshotMode(int mode);
    static quint64 snapshotInterval();
    static void setSnapshotInterval(quint64 seconds);
    static QString snapshotPath();
    static void setSnapshotPath(const QString &path);
    static QString recordPath();
    static void setRecordPath(const QString &path);
    // Display name of the camera used when the Document Camera is absent; empty for Automatic.
    static QString camera();
    static void setCamera(const QString &name);
    // Whether the live picture is published as a camera for other programs (default true).
    static bool publishPresentation();
    static void setPublishPresentation(bool publish);
    // The recording format's key ("avi", the default, "mp4" or "webm").
    static QString recordFormat();
    static void setRecordFormat(const QString &key);
    // Seconds between the frames of a time-lapse recording; 0 (the default) records normally.
    static int timeLapseInterval();
    static void setTimeLapseInterval(int seconds);

    // The folder "Document Camera/<sub>" in the user's documents folder, created on the way
    // when possible; the path is returned even when the folders cannot be created.
    static QString defaultFolder(const QString &sub);

private:
    Config();
    ~Config() override;
    static void destroyInstance();

    QSettings *m_settings;
    int m_snapshotMode;
    quint64 m_snapshotInterval;
    QString m_snapshotPath;
    QString m_recordPath;
    QString m_camera;
    bool m_publishPresentation;
    QString m_recordFormat;
    int m_timeLapseInterval;
};
