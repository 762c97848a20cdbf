#include "ModePage.h"

#include "ImageButton.h"
#include "ImageWidget.h"

#include <QDir>
#include <QKeySequence>

void ModePage::create(ImageCanvas *canvas, OSDProcessor *osd)
{
    m_canvas = canvas;
    m_osd = osd;
    createControls();
}

void ModePage::setClickerButtons(ImageButton *back, ImageButton *forward, ImageButton *start)
{
    m_back = back;
    m_forward = forward;
    m_start = start;
}

void ModePage::clickerBack() const
{
    m_back->click();
}

void ModePage::clickerForward() const
{
    m_forward->click();
}

void ModePage::clickerStart()
{
    m_start->click();
}

QList<ImageButton *> ModePage::addBarButtons(ImageWidget *bar,
                                             std::initializer_list<BarButton> buttons)
{
    QList<ImageButton *> made;
    for (const BarButton &entry : buttons) {
        const QString icon = QLatin1String(entry.icon);
        auto *button = new ImageButton(icon, bar, entry.x, 5);
        button->setObjectName(icon);
        button->setCheckable(entry.checkable);
        QObject::connect(button, &ImageButton::clicked, bar, entry.clicked);
        // The button also takes its tool tip as its name, as the panel's buttons do.
        const QString name = tr(entry.name);
        button->setToolTip(
            entry.key == 0 ? name
                           : QStringLiteral("%1 (%2)").arg(
                                 name, QKeySequence(entry.key).toString(QKeySequence::NativeText)));
        made.append(button);
    }
    return made;
}

bool ModePage::folderExists(const QString &path)
{
    return !path.isEmpty() && QDir(path).exists();
}
