#pragma once

#include "ToolWindow.h"

#include <array>

class ImageButton;

// Picks the mask shape of the current canvas; the owner button takes the chosen mask's face and
// is checked (mask on).
class MaskToolWindow : public ToolWindow {
    Q_OBJECT

public:
    MaskToolWindow(QWidget *ownerButton, IToolHost *host);

public slots:
    void modeChanged();

private slots:
    void maskChanged();

private:
    std::array<ImageButton *, 4> m_maskButtons{};
};
