#include "DocumentCamera.h"

#include <algorithm>

int DocumentCamera::levelOf(int brightness)
{
    const auto *found = std::find(BrightnessLevels.begin(), BrightnessLevels.end(), brightness);
    return found == BrightnessLevels.end() ? -1 : int(found - BrightnessLevels.begin());
}

bool DocumentCamera::answers() const
{
    qint32 status = 0;
    return m_camera.get(CameraStatus, &status) && statusShowsCamera(quint32(status));
}

GstCaps *DocumentCamera::formatCaps(const QSize &size, int framesPerSecond) const
{
    return gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, size.width(), "height",
                               G_TYPE_INT, size.height(), "framerate", GST_TYPE_FRACTION,
                               framesPerSecond, 1, nullptr);
}

int DocumentCamera::brightnessLevel() const
{
    qint32 value = 0;
    return m_camera.get(Brightness, &value) ? levelOf(value) : -1;
}

void DocumentCamera::setBrightnessLevel(int level) const
{
    m_camera.set(Brightness, BrightnessLevels[size_t(std::clamp(level, 0, LevelCount - 1))]);
}

void DocumentCamera::setAutoFocus(bool on) const
{
    m_camera.set(AutoFocus, on ? 1 : 0);
}

std::unique_ptr<LiveCamera> DocumentCamera::renewed() const
{
    auto camera = std::make_unique<DocumentCamera>();
    return camera->isValid() ? std::move(camera) : nullptr;
}
