#pragma once

#include "ToolWindow.h"

#include <QList>
#include <QStringList>
#include <array>

class ImageButton;
class QComboBox;

// Style window of the text tool: text colour, font family and font size of the current canvas.
class TextToolWindow : public ToolWindow {
    Q_OBJECT

public:
    TextToolWindow(QWidget *ownerButton, IToolHost *host);

public slots:
    void modeChanged();

private slots:
    void colorChanged();
    void fontFaceChanged();
    void fontSizeChanged();

private:
    QComboBox *m_faceBox;
    QComboBox *m_sizeBox;
    QStringList m_faces;
    QList<int> m_sizes;
    std::array<ImageButton *, 4> m_colorButtons{};
};
