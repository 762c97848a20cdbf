#include "TextEntry.h"

#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

TextEntry::TextEntry(QWidget *canvas)
    : m_editor(new QTextEdit(canvas)), m_family(canvas->font().family()),
      m_pointSize(canvas->font().pointSize())
{
    m_editor->hide();
    m_editor->setStyleSheet(QStringLiteral("border: none;"));
    m_editor->setTextColor(m_color);
}

bool TextEntry::isOpen() const
{
    return !m_editor->isHidden();
}

void TextEntry::setColor(const QColor &color)
{
    m_color = color;
    m_editor->setTextColor(color);
}

void TextEntry::setFamily(const QString &family)
{
    m_family = family;
    m_editor->setCurrentFont(QFont(m_family, m_pointSize));
}

void TextEntry::setPointSize(int pointSize)
{
    m_pointSize = pointSize;
    m_editor->setCurrentFont(QFont(m_family, m_pointSize));
}

void TextEntry::open(const QPoint &at, const QSize &canvasSize, const QFont &canvasFont)
{
    m_editor->move(at);
    m_editor->resize(std::max(40, canvasSize.width() - at.x() - 3),
                     std::max(20, canvasSize.height() - at.y() - 3));
    m_editor->setFont(canvasFont);
    m_editor->clear();
    // Typed text takes the chosen colour and font, also after clear() reset the format.
    m_editor->setTextColor(m_color);
    m_editor->setCurrentFont(QFont(m_family, m_pointSize));
    m_editor->show();
    m_editor->setFocus(Qt::OtherFocusReason);
}

std::unique_ptr<QTextDocument> TextEntry::close()
{
    if (!isOpen()) {
        return {};
    }
    m_editor->hide();
    // A copy lays itself out at the editor's width, also when the editor never got the
    // layout a shown widget gets; the text keeps the wrapping it had in the editor.
    std::unique_ptr<QTextDocument> document(m_editor->document()->clone());
    document->setTextWidth(m_editor->viewport()->width());
    m_editor->clear();
    return document;
}
