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
    : QWidget(parent), m_top(QStringLiteral(":/icons/Background_Sub/ICON_BK_TOP.png")),
      m_middle(QStringLiteral(":/icons/Background_Sub/ICON_BK_MID.png")),
      m_bottom(QStringLiteral(":/icons/Background_Sub/ICON_BK_BOT.png")),
      m_grid(new QGridLayout(this))
{
    m_grid->setSpacing(0);
    m_grid->setContentsMargins(0, 5, 4, 5);
    setFixedWidth(m_middle.width());
}

void Panel::addGroup(const QString &title)
{
    auto *button = new ImageButton(QString::fromLatin1(openFace), this, 0, 0);
    connect(button, &ImageButton::clicked, this, &Panel::toggleGroup);
    button->setText(title);
    button->setFont(QFont(QStringLiteral("Arial"), 10));
    button->setTextColor(Qt::white);

    m_titlePositions.append(int(m_entries.size()));
    m_entries.append(button);
    if (m_column == 1) {
        ++m_row;
    }
    m_grid->addWidget(button, m_row, 0, 1, 2);
    ++m_row;
    m_column = 0;
}

void Panel::addButton(QWidget *button)
{
    m_entries.append(button);
    m_grid->addWidget(button, m_row, m_column);
    const int next = m_column + 1;
    m_row += next / 2;
    m_column = next % 2;
}

void Panel::addStretch()
{
    if (m_column == 1) {
        ++m_row;
    }
    m_grid->addItem(new QSpacerItem(0, 10000, QSizePolicy::Maximum, QSizePolicy::Maximum), m_row, 0,
                    1, 2);
}

void Panel::toggleGroup()
{
    auto *title = qobject_cast<ImageButton *>(sender());
    if (title == nullptr) {
        return;
    }
    const qsizetype titleIndex = m_entries.indexOf(title);
    const qsizetype k = m_titlePositions.indexOf(int(titleIndex));
    if (k < 0) {
        return;
    }

    const qsizetype first = titleIndex + 1;
    const qsizetype last =
        k + 1 < m_titlePositions.size() ? m_titlePositions[k + 1] - 1 : m_entries.size() - 1;
    bool open = false;
    for (qsizetype i = first; i <= last; ++i) {
        QWidget *entry = m_entries[i];
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
    for (QWidget *entry : std::as_const(m_entries)) {
        entry->setVisible(entry->isEnabled());
    }
}

void Panel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int middleHeight = height() - m_top.height() - m_bottom.height();
    m_stretchedMiddle = m_middle.isNull() || middleHeight <= 0
                            ? QImage()
                            : m_middle.scaled(m_middle.width(), middleHeight, Qt::IgnoreAspectRatio,
                                              Qt::FastTransformation);
}

void Panel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_top);
    painter.drawImage(0, m_top.height(), m_stretchedMiddle);
    painter.drawImage(0, m_top.height() + m_stretchedMiddle.height(), m_bottom);
}
