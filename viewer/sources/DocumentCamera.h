#pragma once

#include "CameraElement.h"
#include "LiveCamera.h"

#include <array>

// The Document Camera: the camera library's source element with its own controls, present
// while its status word has both presence bits set. Its microphone is the sound input whose
// name contains MicrophoneName.
class DocumentCamera final : public LiveCamera {
public:
    // Camera parameters.
    static constexpr int CameraStatus = 0x200E;
    static constexpr int Brightness = 0x2008;
    static constexpr int AutoFocus = 0x2146;
    // Status bits that are both set while the camera is present.
    static constexpr quint32 PresentBits = 0x0C000000;
    // The camera's brightness values, one per level, darkest first.
    static constexpr std::array<int, LevelCount> BrightnessLevels{0, 1,  3,  4,  6, 7,
                                                                  8, 10, 11, 12, 14};
    static constexpr const char *MicrophoneName = "Document Camera";

    static bool statusShowsCamera(quint32 status) { return (status & PresentBits) == PresentBits; }
    // The level of a brightness value, -1 for a value off the scale.
    static int levelOf(int brightness);

    // A new element; isValid() is false when the plug-in is not installed.
    DocumentCamera() = default;

    bool isValid() const { return m_camera.isValid() && m_camera.hasControls(); }

    GstElement *element() const override { return m_camera.element(); }
    QString displayName() const override { return {}; }
    bool standsIn() const override { return false; }
    bool answers() const override;
    GstCaps *formatCaps(const QSize &size, int framesPerSecond) const override;
    int brightnessLevel() const override;
    void setBrightnessLevel(int level) const override;
    void setAutoFocus(bool on) const override;
    QString microphoneName() const override { return QString::fromLatin1(MicrophoneName); }
    std::unique_ptr<LiveCamera> renewed() const override;

private:
    CameraElement m_camera;
};
