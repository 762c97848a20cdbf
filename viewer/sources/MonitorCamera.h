#pragma once

#include "CameraElement.h"
#include "LiveCamera.h"

// A camera of the device monitor standing in for the Document Camera: its element is made by
// the device, its frame format chosen from the formats the device offers (CameraFormat), its
// brightness and auto focus go through the element's standard controls (DeviceControls), and
// its microphone is the sound input whose name contains the camera's name.
class MonitorCamera final : public LiveCamera {
public:
    // The camera of device (a reference is kept while this lives).
    explicit MonitorCamera(GstDevice *device) : m_camera(device) {}

    bool isValid() const { return m_camera.isValid(); }

    GstElement *element() const override { return m_camera.element(); }
    QString displayName() const override { return m_camera.displayName(); }
    bool standsIn() const override { return true; }
    bool answers() const override { return true; }
    GstCaps *formatCaps(const QSize &size, int framesPerSecond) const override;
    int brightnessLevel() const override;
    void setBrightnessLevel(int level) const override;
    void setAutoFocus(bool on) const override;
    QString microphoneName() const override { return m_camera.displayName(); }
    std::unique_ptr<LiveCamera> renewed() const override;

private:
    CameraElement m_camera;
};
