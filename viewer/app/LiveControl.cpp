#include "LiveControl.h"

#include "LiveSource.h"

namespace {
// Presents the live source, which knows nothing of the main window, as its camera commands.
// Owns the source: deleting the adapter deletes the source and with it the camera's graph.
class LiveSourceControl final : public ILiveControl {
public:
    LiveSourceControl(ICaptureCB *canvas, QObject *parent)
        : m_source(std::make_unique<LiveSource>(canvas, parent))
    {
    }

    void activate() override { m_source->activate(); }
    void startRecord(const QString &path) override { m_source->startRecord(path); }
    void stopRecord() override { m_source->stopRecord(); }
    void autoFocus() override { m_source->autoFocus(); }
    void brightnessUp() override { m_source->brightnessUp(); }
    void brightnessDown() override { m_source->brightnessDown(); }
    int brightnessLevel() const override { return m_source->brightnessLevel(); }
    void setPresentationEnabled(bool enabled) override
    {
        m_source->setPresentationEnabled(enabled);
    }
    void setPreferredCamera(const QString &name) override { m_source->setPreferredCamera(name); }
    void setTimeLapseInterval(int seconds) override { m_source->setTimeLapseInterval(seconds); }
    int recordedFrames() const override { return m_source->recordedFrames(); }
    void setRecordingEndedHandler(std::function<void(bool failed)> handler) override
    {
        m_source->setRecordingEndedHandler(std::move(handler));
    }

private:
    std::unique_ptr<LiveSource> m_source;
};
} // namespace

std::unique_ptr<ILiveControl> LiveControl::create(ICaptureCB *canvas, QObject *parent)
{
    return std::make_unique<LiveSourceControl>(canvas, parent);
}
