#include "MaskToolWindow.h"

#include "ColorEffects.h"
#include "IToolHost.h"
#include "ImageButton.h"
#include "ImageCanvas.h"

// Button k of the window stands for mask code k + 1 (code 0, no mask, has no button).

MaskToolWindow::MaskToolWindow(QWidget *ownerButton, IToolHost *host)
    : ToolWindow(QImage(QStringLiteral(":/icons/Background/POP_BK_TOOL.png")), ownerButton, host,
                 tr("Effect"))
{
    QStringList icons;
    for (int k = 0; k < int(m_maskButtons.size()); ++k) {
        icons.append(QStringLiteral("ICON_MASK_SUB_") + ColorEffects::maskKey(k + 1));
    }
    const QStringList titles{tr("Circle mask"), tr("Rectangle mask"), tr("Left mask"),
                             tr("Top mask")};
    const QList<ImageButton *> row = addChoiceRow(icons, titles, 4, 18, 60);
    for (int k = 0; k < int(m_maskButtons.size()); ++k) {
        m_maskButtons[k] = row[k];
        connect(row[k], &ImageButton::clicked, this, &MaskToolWindow::maskChanged);
    }
    connect(host->hostWindow(), SIGNAL(modeChanged()), this, SLOT(modeChanged()));
    modeChanged();
}

void MaskToolWindow::modeChanged()
{
    if (const ImageCanvas *canvas = host()->currentCanvas()) {
        checkButton(m_maskButtons, canvas->mask() - 1);
    }
}

void MaskToolWindow::maskChanged()
{
    const int k = senderIndex(m_maskButtons);
    if (k < 0) {
        return;
    }
    host()->currentCanvas()->setMask(k + 1);
    if (auto *owner = qobject_cast<ImageButton *>(ownerButton())) {
        owner->setIconName(QStringLiteral("ICON_MASK_") + ColorEffects::maskKey(k + 1));
        owner->setChecked(true);
    }
    host()->showMaskIndicator();
}
