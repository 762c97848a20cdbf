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

    void setSnapshotMode(int mode) override { Store::setSnapshotMode(mode); }
    void setSnapshotInterval(quint64 seconds) override { Store::setSnapshotInterval(seconds); }
    void setSnapshotPath(const QString &path) override { Store::setSnapshotPath(path); }
    void setRecordPath(const QString &path) override { Store::setRecordPath(path); }
    void setCamera(const QString &name) override { Store::setCamera(name); }
    void setPublishPresentation(bool publish) override { Store::setPublishPresentation(publish); }
};
