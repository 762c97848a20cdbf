#include "DialogWidget.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Dialog units of an 8-point dialog font, in pixels.
constexpr double kUnitX = 1.5;
constexpr double kUnitY = 1.625;
constexpr int kComboHeightUnits = 14;

QRect ToPixels(int x, int y, int cx, int cy)
{
    return QRect(static_cast<int>(x * kUnitX), static_cast<int>(y * kUnitY),
                 static_cast<int>(cx * kUnitX), static_cast<int>(cy * kUnitY));
}

} // namespace

DialogWidget::DialogWidget(CDialog &dialog, QWidget *parent) : QWidget(parent), m_dialog(dialog)
{
    const DialogTemplate &t = dialog.Template();
    setFixedSize(ToPixels(0, 0, t.cx, t.cy).size());
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(t.pointSize);
    setFont(font);
    QWidget *previous = nullptr;
    for (const ControlTemplate &control : t.controls) {
        QWidget *widget = CreateControl(control);
        const int height =
            control.kind == ControlKind::DropDownList ? kComboHeightUnits : control.cy;
        widget->setGeometry(ToPixels(control.x, control.y, control.cx, height));
        // An up-down control aligned right takes the right end of its buddy.
        if (control.kind == ControlKind::UpDown && (control.style & kStyleAlignRight) != 0 &&
            previous != nullptr) {
            QRect buddy = previous->geometry();
            const int width = widget->width();
            widget->setGeometry(buddy.right() + 1 - width, buddy.top(), width, buddy.height());
            buddy.setWidth(buddy.width() - width);
            previous->setGeometry(buddy);
        }
        if (control.id != IDC_STATIC) {
            m_widgets[control.id] = widget;
        }
        previous = widget;
    }
    for (const auto &entry : m_widgets) {
        ControlChanged(entry.first);
    }
    m_dialog.SetHost(this);
}

DialogWidget::~DialogWidget()
{
    m_dialog.SetHost(nullptr);
}

QWidget *DialogWidget::CreateControl(const ControlTemplate &control)
{
    const int id = control.id;
    switch (control.kind) {
    case ControlKind::Static:
        return new QLabel(QString::fromUtf8(control.text), this);
    case ControlKind::DropDownList: {
        auto *combo = new QComboBox(this);
        connect(combo, &QComboBox::activated, this,
                [this, id](int index) { m_dialog.UserSelect(id, index); });
        return combo;
    }
    case ControlKind::Trackbar: {
        auto *slider = new QSlider(Qt::Horizontal, this);
        slider->setTickPosition(QSlider::TicksAbove);
        slider->setTickInterval(1);
        connect(slider, &QSlider::valueChanged, this,
                [this, id](int value) { m_dialog.UserSlide(id, value); });
        return slider;
    }
    case ControlKind::PushButton: {
        auto *button = new QPushButton(QString::fromUtf8(control.text), this);
        connect(button, &QPushButton::pressed, this, [this, id] { m_dialog.UserPress(id, true); });
        connect(button, &QPushButton::released, this,
                [this, id] { m_dialog.UserPress(id, false); });
        return button;
    }
    case ControlKind::Edit: {
        auto *edit = new QLineEdit(this);
        edit->setReadOnly((control.style & kStyleReadOnly) != 0);
        if ((control.style & kStyleRightAlign) != 0) {
            edit->setAlignment(Qt::AlignRight);
        }
        return edit;
    }
    case ControlKind::UpDown: {
        auto *box = new QWidget(this);
        auto *layout = new QVBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        for (int step : {1, -1}) {
            auto *arrow = new QToolButton(box);
            arrow->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
            arrow->setAutoRepeat(true);
            connect(arrow, &QToolButton::clicked, this,
                    [this, id, step] { m_dialog.UserSpin(id, step); });
            layout->addWidget(arrow);
        }
        return box;
    }
    }
    return new QWidget(this);
}

void DialogWidget::ControlChanged(int id)
{
    auto it = m_widgets.find(id);
    if (it == m_widgets.end()) {
        return;
    }
    QWidget *widget = it->second;
    const QSignalBlocker blocker(widget);
    if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        const std::vector<std::string> items = m_dialog.ComboItems(id);
        if (combo->count() != static_cast<int>(items.size())) {
            combo->clear();
            for (const std::string &item : items) {
                combo->addItem(QString::fromStdString(item));
            }
        }
        combo->setCurrentIndex(m_dialog.ComboGetSel(id));
    } else if (auto *slider = qobject_cast<QSlider *>(widget)) {
        const auto [min, max] = m_dialog.Range(id);
        slider->setRange(min, max);
        slider->setValue(m_dialog.TrackbarGetPos(id));
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        edit->setText(QString::fromStdString(m_dialog.GetItemText(id)));
    } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
        button->setDown(m_dialog.IsButtonPushed(id));
    }
}

void DialogWidget::TimerStarted(int id, int milliseconds)
{
    QTimer *&timer = m_timers[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { m_dialog.Tick(id); });
    }
    timer->start(milliseconds);
}

void DialogWidget::TimerStopped(int id)
{
    auto it = m_timers.find(id);
    if (it != m_timers.end()) {
        it->second->stop();
    }
}
