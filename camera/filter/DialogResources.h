#pragma once

#include <cstdint>
#include <span>

// The property pages' dialog templates and strings, kept as data. Positions and sizes are in
// dialog units, as the page layouts were designed.

enum class ControlKind { Static, DropDownList, Trackbar, PushButton, Edit, UpDown };

// Style bits of the controls.
enum ControlStyle : std::uint32_t {
    kStyleNone = 0,
    kStyleVScroll = 1u << 0,     // drop-down list with a vertical scroll bar
    kStyleAutoTicks = 1u << 1,   // trackbar with automatic tick marks
    kStyleTicksTop = 1u << 2,    // ... on top
    kStyleReadOnly = 1u << 3,    // edit
    kStyleRightAlign = 1u << 4,  // edit text aligned right
    kStyleBorder = 1u << 5,      // bordered
    kStyleAutoBuddy = 1u << 6,   // up-down: the preceding control is its buddy
    kStyleSetBuddyInt = 1u << 7, // up-down writes its position into the buddy
    kStyleAlignRight = 1u << 8,  // up-down sits at the buddy's right edge
    kStyleArrowKeys = 1u << 9,   // up-down answers the arrow keys
};

inline constexpr int IDC_STATIC = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char *text;
    int x, y, cx, cy;
    std::uint32_t style;
};

struct DialogTemplate {
    int id;
    int titleId;
    const char *font;
    int pointSize;
    int cx, cy;
    std::span<const ControlTemplate> controls;
};

// Dialog, string and control ids.
inline constexpr int IDD_FORMAT_PAGE = 105;
inline constexpr int IDD_CAMERA_PAGE = 106;
inline constexpr int IDS_FORMAT_TITLE = 101;
inline constexpr int IDS_CAMERA_TITLE = 102;

inline constexpr int IDC_FORMAT_LIST = 1002;
inline constexpr int IDC_RATE_EDIT = 1003;
inline constexpr int IDC_RATE_SPIN = 1004;
inline constexpr int IDC_BRIGHTNESS = 1005;
inline constexpr int IDC_EFFECT = 1006;
inline constexpr int IDC_FLIP = 1007;
inline constexpr int IDC_ZOOM_OUT = 1008;
inline constexpr int IDC_ZOOM_IN = 1009;
inline constexpr int IDC_AUTO_FOCUS = 1010;

const DialogTemplate &CameraPageTemplate();
const DialogTemplate &FormatPageTemplate();
// The template with the given id, or null.
const DialogTemplate *FindDialogTemplate(int id);
// A string of the string table, or null.
const char *LoadResourceString(int id);

// List entries of the camera page, in list order.
std::span<const char *const> EffectNames();
std::span<const char *const> FlipNames();
