#pragma once

#include "ILiveControl.h"

#include <QStringList>

#include <memory>

// Stands in for the camera: writes down every command it is given, in order.
class FakeLiveControl final : public ILiveControl {
public:
    explicit FakeLiveControl(std::shared_ptr<QStringList> log) : log_(std::move(log)) {}

    void activate() override { *log_ << QStringLiteral("activate"); }
    void startRecord(const QString &path) override
    {
        *log_ << QStringLiteral("startRecord ") + path;
    }
    void stopRecord() override { *log_ << QStringLiteral("stopRecord"); }
    void autoFocus() override { *log_ << QStringLiteral("autoFocus"); }
    void brightnessUp() override { *log_ << QStringLiteral("brightnessUp"); }
    void brightnessDown() override { *log_ << QStringLiteral("brightnessDown"); }
    // A level away from the middle, so that a display reading it can be told apart.
    int brightnessLevel() const override { return 8; }

    // A factory for MainWindow that hands out fakes writing into the given log.
    static LiveControlFactory factory(const std::shared_ptr<QStringList> &log)
    {
        return [log](ICaptureCB *, QObject *) -> std::unique_ptr<ILiveControl> {
            return std::make_unique<FakeLiveControl>(log);
        };
    }

private:
    std::shared_ptr<QStringList> log_;
};
