#include "ColorToolWindow.h"

#include "IToolHost.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "ToolStyles.h"

#include <QLabel>

namespace {
constexpr int kRowX = 110;
constexpr int kButtonStep = 33;

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
    : ToolWindow(QImage(), ownerButton, host, title), m_hasColorRow(!colorLabel.isEmpty()),
      m_hasFillRow(m_hasColorRow && !fillLabel.isEmpty())
{
    const char *background = m_hasFillRow    ? ":/icons/Background/POP_BK_COLOR_3LINE"
                             : m_hasColorRow ? ":/icons/Background/POP_BK_COLOR_2LINE"
                                             : ":/icons/Background/POP_BK_COLOR_1LINE";
    setBackground(QImage(QString::fromLatin1(background)));

    (new QLabel(widthLabel, this))->move(8, 22);
    setStyleSheet(QStringLiteral("font-family: Arial; font-size: ") + QStringLiteral("13") +
                  QStringLiteral("px; color: white;"));

    QStringList widthIcons;
    QStringList widthTitles;
    for (int k = 0; k < ToolStyles::kWidthCount; ++k) {
        widthIcons.append(QStringLiteral("ICON_LINE_WIDTH_%1").arg(k + 1));
        widthTitles.append(ToolStyles::widthTitle(k));
    }
    fill(m_widthButtons, addChoiceRow(widthIcons, widthTitles, kRowX, 20, kButtonStep));
    for (ImageButton *button : m_widthButtons) {
        connect(button, &ImageButton::clicked, this, &ColorToolWindow::lineWidthChanged);
    }

    if (m_hasColorRow) {
        (new QLabel(colorLabel, this))->move(8, 45);
        fill(m_lineColorButtons,
             addChoiceRow(ToolStyles::swatchIcons(QStringLiteral("ICON_LINE_COLOR_"),
                                                  ToolStyles::kColorCount),
                          ToolStyles::swatchTitles(ToolStyles::kColorCount), kRowX, 43,
                          kButtonStep));
        for (ImageButton *button : m_lineColorButtons) {
            connect(button, &ImageButton::clicked, this, &ColorToolWindow::colorChanged);
        }
    }

    if (m_hasFillRow) {
        (new QLabel(fillLabel, this))->move(8, 68);
        constexpr int kFillCount = ToolStyles::kNoFillIndex + 1;
        fill(m_fillButtons,
             addChoiceRow(ToolStyles::swatchIcons(QStringLiteral("ICON_FILL_COLOR_"), kFillCount),
                          ToolStyles::swatchTitles(kFillCount), kRowX, 67, kButtonStep));
        for (ImageButton *button : m_fillButtons) {
            connect(button, &ImageButton::clicked, this, &ColorToolWindow::fillColorChanged);
        }
        m_fillButtons[ToolStyles::kNoFillIndex]->move(77, 67);
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
    checkButton(m_widthButtons, ToolStyles::widthIndex(canvas->lineWidth()));
    if (m_hasColorRow) {
        checkButton(m_lineColorButtons,
                    std::max(0, ToolStyles::lastColorIndex(canvas->lineColor())));
    }
    if (m_hasFillRow) {
        checkButton(m_fillButtons,
                    canvas->fillEnabled()
                        ? std::max(0, ToolStyles::lastColorIndex(canvas->fillColor()))
                        : ToolStyles::kNoFillIndex);
    }
}

void ColorToolWindow::lineWidthChanged()
{
    const int k = senderIndex(m_widthButtons);
    if (k >= 0) {
        host()->currentCanvas()->setLineWidth(ToolStyles::lineWidth(k));
    }
}

void ColorToolWindow::colorChanged()
{
    const int k = senderIndex(m_lineColorButtons);
    if (k >= 0) {
        host()->currentCanvas()->setLineColor(ToolStyles::color(k));
    }
}

void ColorToolWindow::fillColorChanged()
{
    const int k = senderIndex(m_fillButtons);
    if (k < 0) {
        return;
    }
    ImageCanvas *canvas = host()->currentCanvas();
    if (k == ToolStyles::kNoFillIndex) {
        canvas->setFillEnabled(false);
        return;
    }
    canvas->setFillEnabled(true);
    canvas->setFillColor(ToolStyles::color(k));
}
