#pragma once

#include "filter/CDialog.h"

#include <QWidget>
#include <map>

class QTimer;

// Shows a page's headless dialog with Qt widgets laid out from its template: what the page sets
// appears in the widgets, what the user does goes to the dialog, and the page's timers run.
class DialogWidget : public QWidget, private CDialog::IHost {
    Q_OBJECT
public:
    DialogWidget(CDialog &dialog, QWidget *parent = nullptr);
    ~DialogWidget() override;

private:
    void ControlChanged(int id) override;
    void TimerStarted(int id, int milliseconds) override;
    void TimerStopped(int id) override;
    QWidget *CreateControl(const ControlTemplate &control);

    CDialog &m_dialog;
    std::map<int, QWidget *> m_widgets;
    std::map<int, QTimer *> m_timers;
};
