#include "filter/DialogResources.h"

#include <array>

namespace {

constexpr std::uint32_t kListStyle = kStyleVScroll;

constexpr std::array<ControlTemplate, 9> kCameraControls{{
    {IDC_STATIC, ControlKind::Static, "Image Effect", 14, 14, 45, 8, kStyleNone},
    {IDC_EFFECT, ControlKind::DropDownList, "", 65, 12, 68, 96, kListStyle},
    {IDC_STATIC, ControlKind::Static, "Sensor Flip", 14, 33, 45, 8, kStyleNone},
    {IDC_FLIP, ControlKind::DropDownList, "", 65, 31, 68, 80, kListStyle},
    {IDC_STATIC, ControlKind::Static, "Brightness", 14, 50, 45, 8, kStyleNone},
    {IDC_BRIGHTNESS, ControlKind::Trackbar, "", 7, 61, 127, 23, kStyleAutoTicks | kStyleTicksTop},
    {IDC_ZOOM_IN, ControlKind::PushButton, "Zoom In", 152, 12, 50, 14, kStyleNone},
    {IDC_ZOOM_OUT, ControlKind::PushButton, "Zoom Out", 152, 35, 50, 14, kStyleNone},
    {IDC_AUTO_FOCUS, ControlKind::PushButton, "Auto Focus", 152, 58, 50, 14, kStyleNone},
}};

constexpr std::array<ControlTemplate, 5> kFormatControls{{
    {IDC_STATIC, ControlKind::Static, "Format", 7, 7, 72, 8, kStyleNone},
    {IDC_FORMAT_LIST, ControlKind::DropDownList, "", 7, 18, 72, 85, kListStyle},
    {IDC_STATIC, ControlKind::Static, "frame rate", 84, 7, 72, 8, kStyleNone},
    {IDC_RATE_EDIT, ControlKind::Edit, "", 84, 18, 40, 12,
     kStyleReadOnly | kStyleRightAlign | kStyleBorder},
    {IDC_RATE_SPIN, ControlKind::UpDown, "", 115, 22, 11, 14,
     kStyleAutoBuddy | kStyleSetBuddyInt | kStyleAlignRight | kStyleArrowKeys},
}};

constexpr DialogTemplate kCameraPage{IDD_CAMERA_PAGE, IDS_CAMERA_TITLE, "MS Shell Dlg", 8, 250, 110,
                                     kCameraControls};
constexpr DialogTemplate kFormatPage{IDD_FORMAT_PAGE, IDS_FORMAT_TITLE, "MS Shell Dlg", 8, 250, 110,
                                     kFormatControls};

constexpr std::array<const char *, 6> kEffects = {"Graphics 1", "Graphics 2", "Text 1",
                                                  "Text 2",     "B & W",      "Negative"};
constexpr std::array<const char *, 2> kFlips = {"Flip 0", "Flip 1"};

} // namespace

const DialogTemplate &CameraPageTemplate()
{
    return kCameraPage;
}

const DialogTemplate &FormatPageTemplate()
{
    return kFormatPage;
}

const DialogTemplate *FindDialogTemplate(int id)
{
    if (id == IDD_CAMERA_PAGE) {
        return &kCameraPage;
    }
    if (id == IDD_FORMAT_PAGE) {
        return &kFormatPage;
    }
    return nullptr;
}

const char *LoadResourceString(int id)
{
    switch (id) {
    case IDS_FORMAT_TITLE:
        return "Format";
    case IDS_CAMERA_TITLE:
        return "Camera Control";
    default:
        return nullptr;
    }
}

std::span<const char *const> EffectNames()
{
    return kEffects;
}

std::span<const char *const> FlipNames()
{
    return kFlips;
}
