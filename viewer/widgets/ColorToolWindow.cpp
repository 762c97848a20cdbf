#include "ColorToolWindow.h"

#include "IToolHost.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "ToolStyles.h"

#include <QLabel>

namespace {
constexpr int rowX = 110;
constexpr int buttonStep = 33;

QStringList swatchIcons(const QString &prefix, int count)
{
    QStringList icons;
    for (int k = 0; k < count; ++k) {
        icons.append(prefix + ToolStyles::colorName(k));
    }
    return icons;
}

template <class Array> void fill(Array &buttons, const QList<ImageButton *> &row)
{
    for (int k = 0; k < row.size() && k < int(buttons.size()); ++k) {
        buttons[k] = row[k];
    }
}
} // namespace

ColorToolWindow::ColorToolWindow(QWidget *ownerButton, IToolHost *host, const QString &title,
                                 const QString &widthLabel, const QString &colorLabel,
                                 const QString &fillLabel)
    : ToolWindow(QImage(), ownerButton, host, title), hasColorRow_(!colorLabel.isEmpty()),
      hasFillRow_(hasColorRow_ && !fillLabel.isEmpty())
{
    const char *background = hasFillRow_    ? ":/icons/Background/POP_BK_COLOR_3LINE"
                             : hasColorRow_ ? ":/icons/Background/POP_BK_COLOR_2LINE"
                                            : ":/icons/Background/POP_BK_COLOR_1LINE";
    setBackground(QImage(QString::fromLatin1(background)));

    (new QLabel(widthLabel, this))->move(8, 22);
    setStyleSheet(QStringLiteral("font-family: Arial; font-size: ") + QStringLiteral("13") +
                  QStringLiteral("px; color: white;"));

    QStringList widthIcons;
    for (int k = 0; k < ToolStyles::widthCount; ++k) {
        widthIcons.append(QStringLiteral("ICON_LINE_WIDTH_%1").arg(k + 1));
    }
    fill(widthButtons_, addChoiceRow(widthIcons, rowX, 20, buttonStep));
    for (ImageButton *button : widthButtons_) {
        connect(button, &ImageButton::clicked, this, &ColorToolWindow::lineWidthChanged);
    }

    if (hasColorRow_) {
        (new QLabel(colorLabel, this))->move(8, 45);
        fill(lineColorButtons_,
             addChoiceRow(swatchIcons(QStringLiteral("ICON_LINE_COLOR_"), ToolStyles::colorCount),
                          rowX, 43, buttonStep));
        for (ImageButton *button : lineColorButtons_) {
            connect(button, &ImageButton::clicked, this, &ColorToolWindow::colorChanged);
        }
    }

    if (hasFillRow_) {
        (new QLabel(fillLabel, this))->move(8, 68);
        fill(fillButtons_, addChoiceRow(swatchIcons(QStringLiteral("ICON_FILL_COLOR_"),
                                                    ToolStyles::noFillIndex + 1),
                                        rowX, 67, buttonStep));
        for (ImageButton *button : fillButtons_) {
            connect(button, &ImageButton::clicked, this, &ColorToolWindow::fillColorChanged);
        }
        fillButtons_[ToolStyles::noFillIndex]->move(77, 67);
    }

    modeChanged();
    connect(host->hostWindow(), SIGNAL(modeChanged()), this, SLOT(modeChanged()));
}

void ColorToolWindow::modeChanged()
{
    const ImageCanvas *canvas = host()->currentCanvas();
    if (canvas == nullptr) {
        return;
    }
    checkButton(widthButtons_, ToolStyles::widthIndex(canvas->lineWidth()));
    if (hasColorRow_) {
        checkButton(lineColorButtons_,
                    std::max(0, ToolStyles::lastColorIndex(canvas->lineColor())));
    }
    if (hasFillRow_) {
        checkButton(fillButtons_, canvas->fillEnabled()
                                      ? std::max(0, ToolStyles::lastColorIndex(canvas->fillColor()))
                                      : ToolStyles::noFillIndex);
    }
}

void ColorToolWindow::lineWidthChanged()
{
    const int k = senderIndex(widthButtons_);
    if (k >= 0) {
        host()->currentCanvas()->setLineWidth(ToolStyles::lineWidth(k));
    }
}

void ColorToolWindow::colorChanged()
{
    const int k = senderIndex(lineColorButtons_);
    if (k >= 0) {
        host()->currentCanvas()->setLineColor(ToolStyles::color(k));
    }
}

void ColorToolWindow::fillColorChanged()
{
    const int k = senderIndex(fillButtons_);
    if (k < 0) {
        return;
    }
    ImageCanvas *canvas = host()->currentCanvas();
    if (k == ToolStyles::noFillIndex) {
        canvas->setFillEnabled(false);
        return;
    }
    canvas->setFillEnabled(true);
    canvas->setFillColor(ToolStyles::color(k));
}
