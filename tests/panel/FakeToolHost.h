#pragma once

#include "ISettingsStore.h"
#include "IToolHost.h"
#include "ImageCanvas.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <array>

// Settings kept in memory; every setter call is logged by key in call order.
class MemorySettingsStore : public ISettingsStore {
public:
    int snapshotMode() const override { return mode; }
    quint64 snapshotInterval() const override { return interval; }
    QString snapshotPath() const override { return snapshotFolder; }
    QString recordPath() const override { return recordFolder; }
    QString camera() const override { return cameraName; }
    bool publishPresentation() const override { return presentation; }
    QString recordFormat() const override { return format; }
    int timeLapseInterval() const override { return timeLapse; }

    void setSnapshotMode(int value) override
    {
        mode = value;
        calls << QStringLiteral("snapshotMode");
    }
    void setSnapshotInterval(quint64 value) override
    {
        interval = value;
        calls << QStringLiteral("snapshotInterval");
    }
    void setSnapshotPath(const QString &value) override
    {
        snapshotFolder = value;
        calls << QStringLiteral("snapshotPath");
    }
    void setRecordPath(const QString &value) override
    {
        recordFolder = value;
        calls << QStringLiteral("recordPath");
    }
    void setCamera(const QString &value) override
    {
        cameraName = value;
        calls << QStringLiteral("camera");
    }
    void setPublishPresentation(bool value) override
    {
        presentation = value;
        calls << QStringLiteral("presentation");
    }

    void setRecordFormat(const QString &value) override
    {
        format = value;
        calls << QStringLiteral("recordFormat");
    }
    void setTimeLapseInterval(int value) override
    {
        timeLapse = value;
        calls << QStringLiteral("timeLapseInterval");
    }

    int mode = 0;
    QString format = QStringLiteral("avi");
    int timeLapse = 0;
    quint64 interval = 0;
    QString snapshotFolder;
    QString recordFolder;
    QString cameraName;
    bool presentation = true;
    QStringList calls;
};

// A main window stand-in: two canvases (two modes), a panel button to open tool windows beside,
// and a record of which canvas was current when an indicator was asked for.
class FakeToolHost : public QWidget, public IToolHost {
    Q_OBJECT

public:
    FakeToolHost()
    {
        resize(500, 400);
        for (auto &canvas : canvases) {
            canvas = new ImageCanvas(this);
            canvas->hide();
        }
        ownerButton = new QWidget(this);
        ownerButton->setGeometry(40, 60, 60, 44);
    }

    QWidget *hostWindow() override { return this; }
    ImageCanvas *currentCanvas() const override { return canvases[current]; }
    void showEffectIndicator() override { effectShownOn.append(currentCanvas()); }
    void showMaskIndicator() override { maskShownOn.append(currentCanvas()); }
    ISettingsStore &settingsStore() override { return store; }

    // Makes another canvas current and announces it, as a mode switch does.
    void switchTo(int index)
    {
        current = index;
        emit modeChanged();
    }

    std::array<ImageCanvas *, 2> canvases{};
    int current = 0;
    QWidget *ownerButton = nullptr;
    QList<ImageCanvas *> effectShownOn;
    QList<ImageCanvas *> maskShownOn;
    MemorySettingsStore store;

signals:
    void modeChanged();
};
