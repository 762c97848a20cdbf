#pragma once

#include <QCoreApplication>
#include <QKeySequence>
#include <QList>

class MainWindow;

// One command button of the tool panel, as the window's tool table lists it.
//
// The window makes the panel from the table in its order, gives each button its keys (the
// first one shown in the tool tip) and reads the table when a tool is chosen, a style window
// opens or a mode is entered. Texts are translated in the window's context.
struct PanelTool {
    using Slot = void (MainWindow::*)();

    enum Kind {
        // A drawing tool: one of the panel's exclusive tool group.
        Tool,
        // A button that stays down while its command is on.
        Toggle,
        // A plain button.
        Command,
    };
    // The rows of a tool's style window, besides the title.
    enum StyleRows {
        NoStyle,
        // Line width and line colour.
        LineStyle,
        // Line width, line colour and fill colour.
        ShapeStyle,
        // Width only.
        WidthStyle,
    };

    // The title of the group this button opens, or null when it joins the group above.
    const char *group;
    // The button's face and object name.
    const char *icon;
    const char *toolTip;
    Kind kind;
    Slot clicked;
    // The long press, for a tool with a style window; null for none.
    Slot hold = nullptr;
    // The keys that click the button (or run keyAction); the first free one is shown.
    QList<QKeySequence> keys = {};
    // The canvas tool a drawing tool selects, and the rows of its style window.
    int code = -1;
    StyleRows style = NoStyle;
    // Whether the button only works on the camera's picture (disabled in the other modes).
    bool cameraOnly = false;
    // What a key runs instead of a click; null when the key clicks the button.
    Slot keyAction = nullptr;

    // The panel's buttons, in order.
    static const QList<PanelTool> &all();
    // The drawing tool that selects canvas tool code, or null.
    static const PanelTool *forCode(int code);

    Q_DECLARE_TR_FUNCTIONS(MainWindow)
};
