#include "MonitorCamera.h"

#include "CameraFormat.h"
#include "DeviceControls.h"
#include "GstHandle.h"

GstCaps *MonitorCamera::formatCaps(const QSize &size, int framesPerSecond) const
{
    CapsHandle offered(m_camera.deviceCaps());
    return CameraFormat::choose(offered.get(), size, framesPerSecond);
}

int MonitorCamera::brightnessLevel() const
{
    return DeviceControls(m_camera.element()).brightnessStep(LevelCount - 1);
}

void MonitorCamera::setBrightnessLevel(int level) const
{
    DeviceControls(m_camera.element()).setBrightnessStep(level, LevelCount - 1);
}

void MonitorCamera::setAutoFocus(bool on) const
{
    DeviceControls(m_camera.element()).setAutoFocus(on);
}

std::unique_ptr<LiveCamera> MonitorCamera::renewed() const
{
    auto camera = std::make_unique<MonitorCamera>(m_camera.device());
    return camera->isValid() ? std::move(camera) : nullptr;
}
