#include "PanelTool.h"

#include "ImageCanvas.h"
#include "MainWindow.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
using K = QKeySequence;
using W = MainWindow;
} // namespace

const QList<PanelTool> &PanelTool::all()
{
    // clang-format off
    static const QList<PanelTool> tools{
        // group, icon, tool tip, kind, clicked, hold, keys, canvas tool, style rows,
        // camera only, key action
        {QT_TR_NOOP("Noting"), "ICON_LINE", QT_TR_NOOP("Line"), Tool, &W::line, &W::lineHold,
         {K(Qt::Key_L)}, ImageCanvas::ToolLine, LineStyle},
        {nullptr, "ICON_RETANGLE", QT_TR_NOOP("Rectangle"), Tool, &W::rectangle, &W::rectangleHold,
         {K(Qt::Key_Q)}, ImageCanvas::ToolRectangle, ShapeStyle},
        {nullptr, "ICON_FREEHAND", QT_TR_NOOP("Freehand"), Tool, &W::freehand, &W::freehandHold,
         {K(Qt::Key_P)}, ImageCanvas::ToolFreehand, LineStyle},
        {nullptr, "ICON_CIRCLE", QT_TR_NOOP("Circle"), Tool, &W::circle, &W::circleHold,
         {K(Qt::Key_C)}, ImageCanvas::ToolCircle, ShapeStyle},
        {nullptr, "ICON_ARROW", QT_TR_NOOP("Arrow"), Tool, &W::arrow, &W::arrowHold,
         {K(Qt::Key_A)}, ImageCanvas::ToolArrow, ShapeStyle},
        {nullptr, "ICON_TRIANGLE", QT_TR_NOOP("Triangle"), Tool, &W::triangle, &W::triangleHold,
         {K(Qt::Key_G)}, ImageCanvas::ToolTriangle, ShapeStyle},
        {nullptr, "ICON_ERASE", QT_TR_NOOP("Eraser"), Tool, &W::erase, &W::eraseHold,
         {K(Qt::Key_E)}, ImageCanvas::ToolEraser, WidthStyle},
        {nullptr, "ICON_TEXT", QT_TR_NOOP("Text"), Tool, &W::text, &W::textHold,
         {K(Qt::Key_T)}, ImageCanvas::ToolText},
        {nullptr, "ICON_ERASE_ALL", QT_TR_NOOP("Erase all"), Command, &W::eraseAll, nullptr,
         {K(K::Delete)}},
        {nullptr, "ICON_COPY", QT_TR_NOOP("Clip image"), Tool, &W::clip, nullptr,
         {K(K::Copy)}, ImageCanvas::ToolClip},
        {nullptr, "ICON_HAND", QT_TR_NOOP("Hand"), Tool, &W::hand, nullptr,
         {K(Qt::Key_H)}, ImageCanvas::ToolHand},

        {QT_TR_NOOP("Assisting"), "ICON_MASK_CIRCLE", QT_TR_NOOP("Mask"), Toggle, &W::mask,
         &W::maskHold, {K(Qt::Key_M)}, -1, NoStyle, false, &W::cycleMask},
        {nullptr, "ICON_EFFECT_COLOR", QT_TR_NOOP("Effect"), Command, nullptr, &W::effectHold,
         {K(Qt::Key_X)}, -1, NoStyle, false, &W::cycleEffect},

        {QT_TR_NOOP("Adjustment"), "ICON_ZOOM_OUT", QT_TR_NOOP("Zoom out"), Command,
         &W::zoomOut, nullptr, {K(K::ZoomOut), K(Qt::Key_Minus)}},
        {nullptr, "ICON_ZOOM_IN", QT_TR_NOOP("Zoom in"), Command, &W::zoomIn, nullptr,
         {K(K::ZoomIn), K(Qt::Key_Plus), K(Qt::Key_Equal)}},
        {nullptr, "ICON_ZOOM_RESET", QT_TR_NOOP("Reset zoom"), Command, &W::zoomReset, nullptr,
         {K(Qt::Key_0)}},
        {nullptr, "ICON_AUTOFOCUS", QT_TR_NOOP("Auto focus"), Command, &W::autoFocus, nullptr,
         {K(Qt::Key_O)}, -1, NoStyle, true},
        {nullptr, "ICON_BRIGHTNESS_REDUCE", QT_TR_NOOP("Brightness down"), Command,
         &W::brightnessDown, nullptr, {K(Qt::Key_BracketLeft)}, -1, NoStyle, true},
        {nullptr, "ICON_BRIGHTNESS_INCREASE", QT_TR_NOOP("Brightness up"), Command,
         &W::brightnessUp, nullptr, {K(Qt::Key_BracketRight)}, -1, NoStyle, true},
        {nullptr, "ICON_ROTATE", QT_TR_NOOP("Rotate"), Command, &W::rotate, &W::rotateHold,
         {K(Qt::Key_R)}},
        {nullptr, "ICON_FREEZE", QT_TR_NOOP("Freeze"), Toggle, &W::freeze, nullptr,
         {K(Qt::Key_F)}, -1, NoStyle, true},

        {QT_TR_NOOP("Recording"), "ICON_RECORDING", QT_TR_NOOP("Record video"), Toggle,
         &W::record, nullptr, {K(Qt::Key_V)}, -1, NoStyle, true},
        {nullptr, "ICON_CAPTURE", QT_TR_NOOP("Take snapshot"), Command, &W::snapshot, nullptr,
         {K(Qt::Key_S)}, -1, NoStyle, true},
        {nullptr, "ICON_SCAN", QT_TR_NOOP("Scan page"), Command, &W::scanPage, nullptr,
         {K(Qt::Key_D)}, -1, NoStyle, true},
        {nullptr, "ICON_SETTING", QT_TR_NOOP("Settings"), Command, &W::settings, nullptr,
         {K(Qt::CTRL | Qt::Key_Comma)}, -1, NoStyle, true},
        {nullptr, "ICON_PRINT", QT_TR_NOOP("Print"), Command, &W::print, nullptr,
         {K(K::Print), K(Qt::CTRL | Qt::Key_P)}},
    };
    // clang-format on
    return tools;
}

const PanelTool *PanelTool::forCode(int code)
{
    const QList<PanelTool> &tools = all();
    const auto found = std::find_if(tools.begin(), tools.end(), [code](const PanelTool &tool) {
        return tool.kind == Tool && tool.code == code;
    });
    return found == tools.end() ? nullptr : &*found;
}
