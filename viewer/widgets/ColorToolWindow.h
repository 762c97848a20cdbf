#pragma once

#include "ToolWindow.h"

#include <array>

class ImageButton;

// Style window of the drawing tools: line width, and optionally line colour and fill colour, of
// the current canvas. An empty colour label gives the width row only; an empty fill label gives
// width and colour rows; three labels give all three rows.
class ColorToolWindow : public ToolWindow {
    Q_OBJECT

public:
    ColorToolWindow(QWidget *ownerButton, IToolHost *host, const QString &title,
                    const QString &widthLabel, const QString &colorLabel, const QString &fillLabel);

public slots:
    void modeChanged();

private slots:
    void lineWidthChanged();
    void colorChanged();
    void fillColorChanged();

private:
    bool m_hasColorRow;
    bool m_hasFillRow;
    std::array<ImageButton *, 4> m_widthButtons{};
    std::array<ImageButton *, 4> m_lineColorButtons{};
    std::array<ImageButton *, 5> m_fillButtons{};
};
