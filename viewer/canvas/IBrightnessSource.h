#pragma once

// Whatever can report the camera's brightness as a level on the eleven-step scale of the
// on-screen display: 0 darkest, 5 the middle (also reported while no camera is present),
// 10 brightest.
class IBrightnessSource {
public:
    virtual ~IBrightnessSource() = default;

    virtual int brightnessLevel() const = 0;

protected:
    IBrightnessSource() = default;
    IBrightnessSource(const IBrightnessSource &) = default;
    IBrightnessSource &operator=(const IBrightnessSource &) = default;
};
