#pragma once

#include "ISettingsStore.h"

// Presents a settings class whose operations are all static (such as the program's one settings
// store) as an ISettingsStore: StaticSettingsStore<Config> forwards every call to Config.
template <class Store> class StaticSettingsStore final : public ISettingsStore {
public:
    int snapshotMode() const override { return Store::snapshotMode(); }
    quint64 snapshotInterval() const override { return Store::snapshotInterval(); }
    QString snapshotPath() const override { return Store::snapshotPath(); }
    QString recordPath() const override { return Store::recordPath(); }
    QString camera() const override { return Store::camera(); }
    bool publishPresentation() const override { return Store::publishPresentation(); }
    QString recordFormat() const override { return Store::recordFormat(); }
    int timeLapseInterval() const override { return Store::timeLapseInterval(); }

    void setSnapshotMode(int mode) override { Store::setSnapshotMode(mode); }
    void setSnapshotInterval(quint64 seconds) override { Store::setSnapshotInterval(seconds); }
    void setSnapshotPath(const QString &path) override { Store::setSnapshotPath(path); }
    void setRecordPath(const QString &path) override { Store::setRecordPath(path); }
    void setCamera(const QString &name) override { Store::setCamera(name); }
    void setPublishPresentation(bool publish) override { Store::setPublishPresentation(publish); }
    void setRecordFormat(const QString &key) override { Store::setRecordFormat(key); }
    void setTimeLapseInterval(int seconds) override { Store::setTimeLapseInterval(seconds); }
};
