#pragma once

#include "ILiveControl.h"

#include <QStringList>

#include <functional>
#include <memory>

// What a test does with the recording of a fake: the handler the main window gave it, and
// whether the next recording fails while it starts.
// The time-lapse interval it was last given and the frames it reports as taken.
struct FakeRecording {
    std::function<void(bool failed)> ended;
    bool failNextStart = false;
    int timeLapse = 0;
    int frames = 0;
};

// Stands in for the camera: writes down every command it is given, in order.
class FakeLiveControl final : public ILiveControl {
public:
    explicit FakeLiveControl(std::shared_ptr<QStringList> log,
                             std::shared_ptr<FakeRecording> recording = {})
        : m_log(std::move(log)), m_recording(std::move(recording))
    {
    }

    void activate() override { *m_log << QStringLiteral("activate"); }
    void startRecord(const QString &path) override
    {
        *m_log << QStringLiteral("startRecord ") + path;
        if (m_recording && m_recording->failNextStart) {
            m_recording->failNextStart = false;
            if (m_recording->ended) {
                m_recording->ended(true);
            }
        }
    }
    void setRecordingEndedHandler(std::function<void(bool failed)> handler) override
    {
        if (m_recording) {
            m_recording->ended = std::move(handler);
        }
    }
    void stopRecord() override { *m_log << QStringLiteral("stopRecord"); }
    void setTimeLapseInterval(int seconds) override
    {
        if (m_recording) {
            m_recording->timeLapse = seconds;
        }
    }
    int recordedFrames() const override { return m_recording ? m_recording->frames : 0; }
    void autoFocus() override { *m_log << QStringLiteral("autoFocus"); }
    void brightnessUp() override { *m_log << QStringLiteral("brightnessUp"); }
    void brightnessDown() override { *m_log << QStringLiteral("brightnessDown"); }
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
    std::shared_ptr<QStringList> m_log;
    std::shared_ptr<FakeRecording> m_recording;
};
