#include "ToolWindow.h"

#include "IToolHost.h"
#include "ImageButton.h"

#include <QButtonGroup>
#include <QEvent>
#include <QLabel>

ToolWindow::ToolWindow(const QImage &background, QWidget *ownerButton, IToolHost *host,
                       const QString &title)
    : FramelessWindow(background, true, host->hostWindow()), host_(host), ownerButton_(ownerButton),
      closeButton_(new ImageButton(QStringLiteral("POPUP_CLOSE"), this, 0, 0))
{
    closeButton_->setObjectName(QStringLiteral("POPUP_CLOSE"));
    connect(closeButton_, &ImageButton::clicked, this, &ToolWindow::close);
    if (parentWidget() != nullptr)
        parentWidget()->installEventFilter(this);
    followOwnerButton();

    auto *titleLabel = new QLabel(title, this);
    titleLabel->setStyleSheet(QStringLiteral("font-family: Arial; font-size: 14px; color: white;"));
    titleLabel->move(8, 2);
}

void ToolWindow::followOwnerButton()
{
    if (ownerButton_ != nullptr)
        move(ownerButton_->mapToGlobal(QPoint(ownerButton_->width() + 3, 0)));
}

bool ToolWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        followOwnerButton();
    return FramelessWindow::eventFilter(watched, event);
}

void ToolWindow::resizeEvent(QResizeEvent *event)
{
    FramelessWindow::resizeEvent(event);
    closeButton_->move(width() - 18, 4);
}

QList<ImageButton *> ToolWindow::addChoiceRow(const QStringList &iconNames, int x, int y, int step)
{
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    QList<ImageButton *> row;
    for (int k = 0; k < iconNames.size(); ++k) {
        auto *button = new ImageButton(iconNames[k], this, x + step * k, y);
        button->setObjectName(iconNames[k]);
        button->setCheckable(true);
        group->addButton(button);
        row.append(button);
    }
    return row;
}
