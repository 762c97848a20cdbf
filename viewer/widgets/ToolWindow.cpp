#include "ToolWindow.h"

#include "IToolHost.h"
#include "ImageButton.h"

#include <QButtonGroup>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace {
// Rows of the window, from the top, by which it can be dragged.
constexpr int dragBandHeight = 26;
} // namespace

ToolWindow::ToolWindow(const QImage &background, QWidget *ownerButton, IToolHost *host,
                       const QString &title)
    : QWidget(host->hostWindow(), Qt::Tool | Qt::FramelessWindowHint), host_(host),
      ownerButton_(ownerButton),
      closeButton_(new ImageButton(QStringLiteral("POPUP_CLOSE"), this, 0, 0))
{
    setBackground(background);
    closeButton_->setObjectName(QStringLiteral("POPUP_CLOSE"));
    connect(closeButton_, &ImageButton::clicked, this, &ToolWindow::close);
    if (parentWidget() != nullptr)
        parentWidget()->installEventFilter(this);
    followOwnerButton();

    auto *titleLabel = new QLabel(title, this);
    titleLabel->setStyleSheet(QStringLiteral("font-family: Arial; font-size: 14px; color: white;"));
    titleLabel->move(8, 2);
}

void ToolWindow::setBackground(const QImage &image)
{
    setMinimumSize(image.size());
    resize(image.size());
    setAttribute(Qt::WA_TranslucentBackground);
    background_ = image;
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
    return QWidget::eventFilter(watched, event);
}

void ToolWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    closeButton_->move(width() - 18, 4);
}

void ToolWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, background_);
}

void ToolWindow::mousePressEvent(QMouseEvent *event)
{
    if (isMaximized() || isMinimized() || event->position().y() >= dragBandHeight ||
        event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    dragging_ = true;
    event->accept();
}

void ToolWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (isMaximized() || isMinimized() || !dragging_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (event->buttons() & Qt::LeftButton) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
    }
}

void ToolWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        dragging_ = false;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
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
