#include "EffectToolWindow.h"

#include "ColorEffects.h"
#include "IToolHost.h"
#include "ImageButton.h"
#include "ImageCanvas.h"

#include <QCoreApplication>

EffectToolWindow::EffectToolWindow(QWidget *ownerButton, IToolHost *host)
    : ToolWindow(QImage(QStringLiteral(":/icons/Background/POP_BK_TOOL.png")), ownerButton, host,
                 tr("Color Effect"))
{
    QStringList icons;
    QStringList titles;
    for (int k = 0; k < int(m_effectButtons.size()); ++k) {
        icons.append(QStringLiteral("ICON_EFFECT_SUB_") + ColorEffects::effectKey(k));
        titles.append(QCoreApplication::translate("ColorEffects", ColorEffects::effectLabel(k)));
    }
    const QList<ImageButton *> row = addChoiceRow(icons, titles, 4, 18, 60);
    for (int k = 0; k < int(m_effectButtons.size()); ++k) {
        m_effectButtons[k] = row[k];
        connect(row[k], &ImageButton::clicked, this, &EffectToolWindow::effectChanged);
    }
    modeChanged();
    connect(host->hostWindow(), SIGNAL(modeChanged()), this, SLOT(modeChanged()));
}

void EffectToolWindow::modeChanged()
{
    if (const ImageCanvas *canvas = host()->currentCanvas()) {
        checkButton(m_effectButtons, canvas->effect());
    }
}

void EffectToolWindow::effectChanged()
{
    const int k = senderIndex(m_effectButtons);
    if (k < 0) {
        return;
    }
    host()->currentCanvas()->setEffect(k);
    if (auto *owner = qobject_cast<ImageButton *>(ownerButton())) {
        owner->setIconName(QStringLiteral("ICON_EFFECT_") + ColorEffects::effectKey(k));
    }
    host()->showEffectIndicator();
}
