#pragma once

#include <QColor>
#include <QString>

#include <memory>

class QFont;
class QPoint;
class QSize;
class QTextDocument;
class QTextEdit;
class QWidget;

// The editor the text tool shows over a canvas, with the colour and font of the text typed
// into it. GUI thread only.
class TextEntry {
public:
    // The editor becomes a hidden child of canvas; the font is the canvas's own.
    explicit TextEntry(QWidget *canvas);

    QTextEdit *editor() const { return m_editor; }
    bool isOpen() const;
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    QString family() const { return m_family; }
    void setFamily(const QString &family);
    int pointSize() const { return m_pointSize; }
    void setPointSize(int pointSize);

    // Shows the editor, empty and with the keyboard focus, at a point of the canvas of that
    // size, reaching to its right and bottom edges.
    void open(const QPoint &at, const QSize &canvasSize, const QFont &canvasFont);
    // Hides the editor and hands over what was typed, laid out as it was shown; null when the
    // editor was not open. The editor is emptied, so the same text is never handed over twice.
    std::unique_ptr<QTextDocument> close();

private:
    QTextEdit *m_editor = nullptr;
    QColor m_color = Qt::black;
    QString m_family;
    int m_pointSize = 0;
};
