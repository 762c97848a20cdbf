#include "ToolWindow.h"

#include "IToolHost.h"
#include "ImageButton.h"

#include <QButtonGroup>
#include <QEvent>
#include <QLabel>
#include <QScreen>

#include <algorithm>

ToolWindow::ToolWindow(const QImage &background, QWidget *ownerButton, IToolHost *host,
                       const QString &title)
    : FramelessWindow(background, true, host->hostWindow()), m_host(host),
      m_ownerButton(ownerButton),
      m_closeButton(new ImageButton(QStringLiteral("POPUP_CLOSE"), this, 0, 0))
{
    m_closeButton->setObjectName(QStringLiteral("POPUP_CLOSE"));
    m_closeButton->setAccessibleName(tr("Close"));
    connect(m_closeButton, &ImageButton::clicked, this, &ToolWindow::close);
    if (parentWidget() != nullptr) {
        parentWidget()->installEventFilter(this);
    }
    followOwnerButton();

    auto *titleLabel = new QLabel(title, this);
    titleLabel->setStyleSheet(QStringLiteral("font-family: Arial; font-size: 14px; color: white;"));
    titleLabel->move(8, 2);
}

void ToolWindow::followOwnerButton()
{
    if (m_ownerButton == nullptr) {
        return;
    }
    QPoint position = m_ownerButton->mapToGlobal(QPoint(m_ownerButton->width() + 3, 0));
    // Beside a button low in the panel, or with the main window near a screen edge, the window
    // would reach past the screen (a 1024 x 768 projector): it is pushed back inside the screen
    // that holds the main window, so that every control on it can be reached.
    const QWidget *anchor = parentWidget() != nullptr ? parentWidget() : m_ownerButton;
    if (const QScreen *screen = anchor->screen()) {
        const QRect area = screen->availableGeometry();
        position.setX(std::max(area.left(), std::min(position.x(), area.right() + 1 - width())));
        position.setY(std::max(area.top(), std::min(position.y(), area.bottom() + 1 - height())));
    }
    move(position);
}

bool ToolWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        followOwnerButton();
    }
    return FramelessWindow::eventFilter(watched, event);
}

void ToolWindow::resizeEvent(QResizeEvent *event)
{
    FramelessWindow::resizeEvent(event);
    m_closeButton->move(width() - 18, 4);
    // A window that grows (more rows) must still fit on the screen.
    followOwnerButton();
}

QList<ImageButton *> ToolWindow::addChoiceRow(const QStringList &iconNames,
                                              const QStringList &titles, int x, int y, int step)
{
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    QList<ImageButton *> row;
    for (int k = 0; k < iconNames.size(); ++k) {
        auto *button = new ImageButton(iconNames[k], this, x + step * k, y);
        button->setObjectName(iconNames[k]);
        button->setToolTip(titles.value(k));
        button->setCheckable(true);
        group->addButton(button);
        row.append(button);
    }
    return row;
}
