#include "FullScreenView.h"

#include <QCloseEvent>
#include <QLoggingCategory>
#include <QScreen>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcFullScreen, "doccam.app", QtWarningMsg)

FullScreenView::FullScreenView(QWidget *owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("fullScreenView"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void FullScreenView::show(QWidget *content, QScreen *screen)
{
    m_content = content;
    layout()->addWidget(content);
    content->show();
    if (screen != nullptr) {
        setScreen(screen);
        setGeometry(screen->geometry());
    } else {
        qCDebug(lcFullScreen) << "no screen known for the window; using the primary one";
    }
    showFullScreen();
    raise();
    activateWindow();
    content->setFocus(Qt::OtherFocusReason);
}

QWidget *FullScreenView::takeContent()
{
    QWidget *content = m_content;
    m_content = nullptr;
    if (content != nullptr) {
        layout()->removeWidget(content);
        content->setParent(nullptr);
    }
    return content;
}

void FullScreenView::closeEvent(QCloseEvent *event)
{
    event->ignore();
    emit closeRequested();
}
