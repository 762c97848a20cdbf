#pragma once

#include <gst/gst.h>
#include <gst/video/colorbalance.h>

#include <QString>

// Brightness and auto focus of a camera other than the Document Camera, through the standard
// interfaces of its source element (or of an element inside it): the colour balance channel
// whose name contains "BRIGHTNESS" (any case), and the V4L2 automatic focus controls of the
// element's "extra-controls". A camera without a control ignores the command; nothing here is
// specific to a vendor.
class DeviceControls {
public:
    // The V4L2 control names tried for automatic focus, newer first.
    static constexpr const char *FocusControls[] = {"focus_automatic_continuous", "focus_auto"};

    // The controls of element (borrowed; it must outlive this object).
    explicit DeviceControls(GstElement *element);

    bool hasBrightness() const { return m_balance != nullptr && m_channel != nullptr; }
    bool hasFocus() const { return m_focusHolder != nullptr; }

    // The brightness as a position 0..steps over the channel's range; -1 without the channel.
    int brightnessStep(int steps) const;
    // Sets the brightness to position step (clamped to 0..steps) of the channel's range.
    bool setBrightnessStep(int step, int steps) const;
    // Turns the automatic focus on or off.
    bool setAutoFocus(bool on) const;

private:
    GstColorBalance *m_balance = nullptr;
    GstColorBalanceChannel *m_channel = nullptr;
    GstElement *m_focusHolder = nullptr;
};
