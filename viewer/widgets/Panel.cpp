#include "Panel.h"

#include "ImageButton.h"

#include <QGridLayout>
#include <QPainter>
#include <QSpacerItem>

namespace {
const char *const openFace = "TOOL_TITLE_OPEN";
const char *const closedFace = "TOOL_TITLE_CLOSE";
} // namespace

Panel::Panel(QWidget *parent)
    : QWidget(parent), top_(QStringLiteral(":/icons/Background_Sub/ICON_BK_TOP.png")),
      middle_(QStringLiteral(":/icons/Background_Sub/ICON_BK_MID.png")),
      bottom_(QStringLiteral(":/icons/Background_Sub/ICON_BK_BOT.png")),
      grid_(new QGridLayout(this))
{
    grid_->setSpacing(0);
    grid_->setContentsMargins(0, 5, 4, 5);
    setFixedWidth(middle_.width());
}

void Panel::addGroup(const QString &title)
{
    auto *button = new ImageButton(QString::fromLatin1(openFace), this, 0, 0);
    connect(button, &ImageButton::clicked, this, &Panel::toggleGroup);
    button->setText(title);
    button->setFont(QFont(QStringLiteral("Arial"), 10));
    button->setTextColor(Qt::white);

    titlePositions_.append(int(entries_.size()));
    entries_.append(button);
    if (column_ == 1) {
        ++row_;
    }
    grid_->addWidget(button, row_, 0, 1, 2);
    ++row_;
    column_ = 0;
}

void Panel::addButton(QWidget *button)
{
    entries_.append(button);
    grid_->addWidget(button, row_, column_);
    const int next = column_ + 1;
    row_ += next / 2;
    column_ = next % 2;
}

void Panel::addStretch()
{
    if (column_ == 1) {
        ++row_;
    }
    grid_->addItem(new QSpacerItem(0, 10000, QSizePolicy::Maximum, QSizePolicy::Maximum), row_, 0,
                   1, 2);
}

void Panel::toggleGroup()
{
    auto *title = qobject_cast<ImageButton *>(sender());
    if (title == nullptr) {
        return;
    }
    const qsizetype titleIndex = entries_.indexOf(title);
    const qsizetype k = titlePositions_.indexOf(int(titleIndex));
    if (k < 0) {
        return;
    }

    const qsizetype first = titleIndex + 1;
    const qsizetype last =
        k + 1 < titlePositions_.size() ? titlePositions_[k + 1] - 1 : entries_.size() - 1;
    bool open = false;
    for (qsizetype i = first; i <= last; ++i) {
        QWidget *entry = entries_[i];
        if (!entry->isEnabled()) {
            continue;
        }
        entry->setVisible(entry->isHidden());
        open = !entry->isHidden();
    }
    title->setIconName(QString::fromLatin1(open ? openFace : closedFace));
}

void Panel::updateButtons()
{
    for (QWidget *entry : std::as_const(entries_)) {
        entry->setVisible(entry->isEnabled());
    }
}

void Panel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int middleHeight = height() - top_.height() - bottom_.height();
    stretchedMiddle_ = middle_.isNull() || middleHeight <= 0
                           ? QImage()
                           : middle_.scaled(middle_.width(), middleHeight, Qt::IgnoreAspectRatio,
                                            Qt::FastTransformation);
}

void Panel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, top_);
    painter.drawImage(0, top_.height(), stretchedMiddle_);
    painter.drawImage(0, top_.height() + stretchedMiddle_.height(), bottom_);
}
