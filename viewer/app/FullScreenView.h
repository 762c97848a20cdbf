#pragma once

#include <QPointer>
#include <QWidget>

class QScreen;

// A borderless top-level window that shows one widget (a canvas) alone over a whole screen.
//
// The window is a child of its owner, so it goes with it. show() takes the widget out of
// wherever it was; takeContent() hands it back, unparented, for the owner to put in its place.
// A close request (the window manager's close) is turned into closeRequested(), so the owner
// can put the widget back before anything is hidden.
class FullScreenView : public QWidget {
    Q_OBJECT

public:
    explicit FullScreenView(QWidget *owner);

    void show(QWidget *content, QScreen *screen);
    QWidget *content() const { return m_content; }
    QWidget *takeContent();

signals:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QPointer<QWidget> m_content;
};
