#pragma once

#include "ToolWindow.h"

#include <array>

class ImageButton;

// Turns and mirrors the picture of the current canvas: a quarter turn left or right, a mirror
// left-right or top-bottom. The buttons are commands, not choices: none stays checked.
class RotateToolWindow : public ToolWindow {
    Q_OBJECT

public:
    RotateToolWindow(QWidget *ownerButton, IToolHost *host);

    // The four buttons, in order: left turn, right turn, mirror left-right, mirror top-bottom.
    const std::array<ImageButton *, 4> &buttons() const { return m_buttons; }

private slots:
    void buttonClicked();

private:
    std::array<ImageButton *, 4> m_buttons{};
};
