#pragma once

#include <QImage>
#include <QWidget>

// A widget that shows one image at its top-left corner and has exactly the image's size.
class ImageWidget : public QWidget {
    Q_OBJECT

public:
    explicit ImageWidget(const QImage &image, QWidget *parent = nullptr);

    const QImage &image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};
