#pragma once

#include "ToolWindow.h"

#include <array>

class ImageButton;

// Picks the colour effect of the current canvas; the owner button takes the chosen effect's face.
class EffectToolWindow : public ToolWindow {
    Q_OBJECT

public:
    EffectToolWindow(QWidget *ownerButton, IToolHost *host);

public slots:
    void modeChanged();

private slots:
    void effectChanged();

private:
    std::array<ImageButton *, 4> m_effectButtons{};
};
