#pragma once

#include "ILiveControl.h"

#include <QStringList>

#include <functional>
#include <memory>

// What a test does with the recording of a fake: the handler the main window gave it, and
// whether the next recording fails while it starts.
struct FakeRecording {
    std::function<void(bool failed)> ended;
    bool failNextStart = false;
};

// Stands in for the camera: writes down every command it is given, in order.
class FakeLiveControl final : public ILiveControl {
public:
    explicit FakeLiveControl(std::shared_ptr<QStringList> log,
                             std::shared_ptr<FakeRecording> recording = {})
        : log_(std::move(log)), recording_(std::move(recording))
    {
    }

    void activate() override { *log_ << QStringLiteral("activate"); }
    void startRecord(const QString &path) override
    {
        *log_ << QStringLiteral("startRecord ") + path;
        if (recording_ && recording_->failNextStart) {
            recording_->failNextStart = false;
            if (recording_->ended) {
                recording_->ended(true);
            }
        }
    }
    void setRecordingEndedHandler(std::function<void(bool failed)> handler) override
    {
        if (recording_) {
            recording_->ended = std::move(handler);
        }
    }
    void stopRecord() override { *log_ << QStringLiteral("stopRecord"); }
    void autoFocus() override { *log_ << QStringLiteral("autoFocus"); }
    void brightnessUp() override { *log_ << QStringLiteral("brightnessUp"); }
    void brightnessDown() override { *log_ << QStringLiteral("brightnessDown"); }
    // A level away from the middle, so that a display reading it can be told apart.
    int brightnessLevel() const override { return 8; }

    // A factory for MainWindow that hands out fakes writing into the given log.
    static LiveControlFactory factory(const std::shared_ptr<QStringList> &log,
                                      const std::shared_ptr<FakeRecording> &recording = {})
    {
        return [log, recording](ICaptureCB *, QObject *) -> std::unique_ptr<ILiveControl> {
            return std::make_unique<FakeLiveControl>(log, recording);
        };
    }

private:
    std::shared_ptr<QStringList> log_;
    std::shared_ptr<FakeRecording> recording_;
};
