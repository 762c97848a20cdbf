#pragma once

#include <QImage>
#include <QPushButton>

// One cell of the thumbnail strip: a flat, checkable button showing a small picture centred
// on black, framed red when checked or pressed, white while hovered, grey otherwise.
// GUI thread only: the strip hands finished pictures over on the GUI thread.
class ThumbnailButton : public QPushButton {
    Q_OBJECT

public:
    explicit ThumbnailButton(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    bool hasPicture() const { return m_hasPicture; }
    const QImage &picture() const { return m_picture; }
    bool isHovered() const { return m_hovered; }
    // The frame colour the next paint uses.
    QColor frameColor() const;

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_hovered = false;
    bool m_hasPicture = false;
    QImage m_picture;
};
