#include "LiveControl.h"

#include "LiveSource.h"

namespace {
// Presents the live source, which knows nothing of the main window, as its camera commands.
// Owns the source: deleting the adapter deletes the source and with it the camera's graph.
class LiveSourceControl final : public ILiveControl {
public:
    LiveSourceControl(ICaptureCB *canvas, QObject *parent)
        : source_(std::make_unique<LiveSource>(canvas, parent))
    {
    }

    void activate() override { source_->activate(); }
    void startRecord(const QString &path) override { source_->startRecord(path); }
    void stopRecord() override { source_->stopRecord(); }
    void autoFocus() override { source_->autoFocus(); }
    void brightnessUp() override { source_->brightnessUp(); }
    void brightnessDown() override { source_->brightnessDown(); }
    int brightnessLevel() const override { return source_->brightnessLevel(); }
    void setPresentationEnabled(bool enabled) override { source_->setPresentationEnabled(enabled); }
    void setPreferredCamera(const QString &name) override { source_->setPreferredCamera(name); }
    void setRecordingEndedHandler(std::function<void(bool failed)> handler) override
    {
        source_->setRecordingEndedHandler(std::move(handler));
    }

private:
    std::unique_ptr<LiveSource> source_;
};
} // namespace

std::unique_ptr<ILiveControl> LiveControl::create(ICaptureCB *canvas, QObject *parent)
{
    return std::make_unique<LiveSourceControl>(canvas, parent);
}
