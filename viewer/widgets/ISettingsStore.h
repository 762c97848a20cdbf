#pragma once

#include <QString>
#include <QtGlobal>

// The persistent settings as the settings window reads and writes them.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;

    virtual int snapshotMode() const = 0;
    virtual quint64 snapshotInterval() const = 0;
    virtual QString snapshotPath() const = 0;
    virtual QString recordPath() const = 0;
    // Display name of the camera for Live mode when the Document Camera is absent; "" = Automatic.
    virtual QString camera() const = 0;
    virtual bool publishPresentation() const = 0;
    // The recording format's key ("avi", "mp4", "webm").
    virtual QString recordFormat() const = 0;
    // Seconds between the frames of a time-lapse recording; 0 = off.
    virtual int timeLapseInterval() const = 0;

    virtual void setSnapshotMode(int mode) = 0;
    virtual void setSnapshotInterval(quint64 seconds) = 0;
    virtual void setSnapshotPath(const QString &path) = 0;
    virtual void setRecordPath(const QString &path) = 0;
    virtual void setCamera(const QString &name) = 0;
    virtual void setPublishPresentation(bool publish) = 0;
    virtual void setRecordFormat(const QString &key) = 0;
    virtual void setTimeLapseInterval(int seconds) = 0;
};
