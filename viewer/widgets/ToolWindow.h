#pragma once

#include "FramelessWindow.h"

#include <QImage>
#include <QList>
#include <QStringList>

#include <iterator>

class IToolHost;
class ImageButton;

// Base of the small skinned pop-up windows that open beside a tool panel button.
//
// A tool window is a frameless tool window of the host window, sized and painted by its
// background image and draggable by its top band (FramelessWindow). It stands 3 pixels right of its
// owner button, top edges aligned, and goes back there whenever the host window moves or is
// resized. Its close button only hides it; the host deletes it when it opens another one.
class ToolWindow : public FramelessWindow {
    Q_OBJECT

public:
    ToolWindow(const QImage &background, QWidget *ownerButton, IToolHost *host,
               const QString &title);

    // The panel button the window was opened for (not owned).
    QWidget *ownerButton() const { return m_ownerButton; }

protected:
    IToolHost *host() const { return m_host; }

    // A row of checkable buttons in one new exclusive group: button k shows iconNames[k], is
    // named after it, has titles[k] as its tool tip and screen reader name and stands at
    // (x + step * k, y).
    QList<ImageButton *> addChoiceRow(const QStringList &iconNames, const QStringList &titles,
                                      int x, int y, int step);

    // Position in buttons of the object that sent the signal being handled, or -1.
    template <class Buttons> int senderIndex(const Buttons &buttons) const
    {
        const QObject *from = sender();
        for (int k = 0; k < int(std::size(buttons)); ++k) {
            if (buttons[k] == from) {
                return k;
            }
        }
        return -1;
    }

    // Checks button index of the row when it is a valid position; otherwise changes nothing.
    template <class Buttons> static void checkButton(const Buttons &buttons, int index)
    {
        if (index >= 0 && index < int(std::size(buttons)) && buttons[index] != nullptr) {
            buttons[index]->setChecked(true);
        }
    }

    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void followOwnerButton();

    IToolHost *m_host;
    QWidget *m_ownerButton;
    ImageButton *m_closeButton;
};
