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
    static const QList<PanelTool> tools{
        {QT_TRANSLATE_NOOP("MainWindow", "Noting"), "ICON_LINE",
         QT_TRANSLATE_NOOP("MainWindow", "Line"), Tool, &W::line, &W::lineHold, {K(Qt::Key_L)},
         ImageCanvas::ToolLine, LineStyle},
        {nullptr, "ICON_RETANGLE", QT_TRANSLATE_NOOP("MainWindow", "Rectangle"), Tool,
         &W::rectangle, &W::rectangleHold, {K(Qt::Key_Q)}, ImageCanvas::ToolRectangle, ShapeStyle},
        {nullptr, "ICON_FREEHAND", QT_TRANSLATE_NOOP("MainWindow", "Freehand"), Tool, &W::freehand,
         &W::freehandHold, {K(Qt::Key_P)}, ImageCanvas::ToolFreehand, LineStyle},
        {nullptr, "ICON_CIRCLE", QT_TRANSLATE_NOOP("MainWindow", "Circle"), Tool, &W::circle,
         &W::circleHold, {K(Qt::Key_C)}, ImageCanvas::ToolCircle, ShapeStyle},
        {nullptr, "ICON_ARROW", QT_TRANSLATE_NOOP("MainWindow", "Arrow"), Tool, &W::arrow,
         &W::arrowHold, {K(Qt::Key_A)}, ImageCanvas::ToolArrow, ShapeStyle},
        {nullptr, "ICON_TRIANGLE", QT_TRANSLATE_NOOP("MainWindow", "Triangle"), Tool, &W::triangle,
         &W::triangleHold, {K(Qt::Key_G)}, ImageCanvas::ToolTriangle, ShapeStyle},
        {nullptr, "ICON_ERASE", QT_TRANSLATE_NOOP("MainWindow", "Eraser"), Tool, &W::erase,
         &W::eraseHold, {K(Qt::Key_E)}, ImageCanvas::ToolEraser, WidthStyle},
        {nullptr, "ICON_TEXT", QT_TRANSLATE_NOOP("MainWindow", "Text"), Tool, &W::text,
         &W::textHold, {K(Qt::Key_T)}, ImageCanvas::ToolText},
        {nullptr, "ICON_ERASE_ALL", QT_TRANSLATE_NOOP("MainWindow", "Erase all"), Command,
         &W::eraseAll, nullptr, {K(K::Delete)}},
        {nullptr, "ICON_COPY", QT_TRANSLATE_NOOP("MainWindow", "Clip image"), Tool, &W::clip,
         nullptr, {K(K::Copy)}, ImageCanvas::ToolClip},
        {nullptr, "ICON_HAND", QT_TRANSLATE_NOOP("MainWindow", "Hand"), Tool, &W::hand, nullptr,
         {K(Qt::Key_H)}, ImageCanvas::ToolHand},

        {QT_TRANSLATE_NOOP("MainWindow", "Assisting"), "ICON_MASK_CIRCLE",
         QT_TRANSLATE_NOOP("MainWindow", "Mask"), Toggle, &W::mask, &W::maskHold, {K(Qt::Key_M)},
         -1, NoStyle, false, &W::cycleMask},
        {nullptr, "ICON_EFFECT_COLOR", QT_TRANSLATE_NOOP("MainWindow", "Effect"), Command, nullptr,
         &W::effectHold, {K(Qt::Key_X)}, -1, NoStyle, false, &W::cycleEffect},

        {QT_TRANSLATE_NOOP("MainWindow", "Adjustment"), "ICON_ZOOM_OUT",
         QT_TRANSLATE_NOOP("MainWindow", "Zoom out"), Command, &W::zoomOut, nullptr,
         {K(K::ZoomOut), K(Qt::Key_Minus)}},
        {nullptr, "ICON_ZOOM_IN", QT_TRANSLATE_NOOP("MainWindow", "Zoom in"), Command, &W::zoomIn,
         nullptr, {K(K::ZoomIn), K(Qt::Key_Plus), K(Qt::Key_Equal)}},
        {nullptr, "ICON_ZOOM_RESET", QT_TRANSLATE_NOOP("MainWindow", "Reset zoom"), Command,
         &W::zoomReset, nullptr, {K(Qt::Key_0)}},
        {nullptr, "ICON_AUTOFOCUS", QT_TRANSLATE_NOOP("MainWindow", "Auto focus"), Command,
         &W::autoFocus, nullptr, {K(Qt::Key_O)}, -1, NoStyle, true},
        {nullptr, "ICON_BRIGHTNESS_REDUCE", QT_TRANSLATE_NOOP("MainWindow", "Brightness down"),
         Command, &W::brightnessDown, nullptr, {K(Qt::Key_BracketLeft)}, -1, NoStyle, true},
        {nullptr, "ICON_BRIGHTNESS_INCREASE", QT_TRANSLATE_NOOP("MainWindow", "Brightness up"),
         Command, &W::brightnessUp, nullptr, {K(Qt::Key_BracketRight)}, -1, NoStyle, true},
        {nullptr, "ICON_ROTATE", QT_TRANSLATE_NOOP("MainWindow", "Rotate"), Command, &W::rotate,
         &W::rotateHold, {K(Qt::Key_R)}},
        {nullptr, "ICON_FREEZE", QT_TRANSLATE_NOOP("MainWindow", "Freeze"), Toggle, &W::freeze,
         nullptr, {K(Qt::Key_F)}, -1, NoStyle, true},

        {QT_TRANSLATE_NOOP("MainWindow", "Recording"), "ICON_RECORDING",
         QT_TRANSLATE_NOOP("MainWindow", "Record video"), Toggle, &W::record, nullptr,
         {K(Qt::Key_V)}, -1, NoStyle, true},
        {nullptr, "ICON_CAPTURE", QT_TRANSLATE_NOOP("MainWindow", "Take snapshot"), Command,
         &W::snapshot, nullptr, {K(Qt::Key_S)}, -1, NoStyle, true},
        {nullptr, "ICON_SETTING", QT_TRANSLATE_NOOP("MainWindow", "Settings"), Command,
         &W::settings, nullptr, {K(Qt::CTRL | Qt::Key_Comma)}, -1, NoStyle, true},
        {nullptr, "ICON_PRINT", QT_TRANSLATE_NOOP("MainWindow", "Print"), Command, &W::print,
         nullptr, {K(K::Print), K(Qt::CTRL | Qt::Key_P)}},
    };
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
