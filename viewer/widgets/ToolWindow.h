#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

class IToolHost;
class ImageButton;

// Base of the small skinned pop-up windows that open beside a tool panel button.
//
// A tool window is a frameless tool window of the host window, sized and painted by its
// background image and draggable by its top band. It stands 3 pixels right of its owner button,
// top edges aligned, and goes back there whenever the host window moves or is resized. Its close
// button only hides it; the host deletes it when it opens another one.
class ToolWindow : public QWidget {
    Q_OBJECT

public:
    ToolWindow(const QImage &background, QWidget *ownerButton, IToolHost *host,
               const QString &title);

    // The panel button the window was opened for (not owned).
    QWidget *ownerButton() const { return ownerButton_; }

    // Installs the background: the window takes the image's size as its size and minimum size.
    void setBackground(const QImage &image);

protected:
    IToolHost *host() const { return host_; }

    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void followOwnerButton();

    QImage background_;
    QPoint dragOffset_;
    bool dragging_ = false;
    IToolHost *host_;
    QWidget *ownerButton_;
    ImageButton *closeButton_;
};
