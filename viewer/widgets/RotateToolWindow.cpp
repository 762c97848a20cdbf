#include "RotateToolWindow.h"

#include "IToolHost.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "OSDProcessor.h"

namespace {
enum Command { TurnLeft, TurnRight, MirrorLeftRight, MirrorTopBottom };
}

RotateToolWindow::RotateToolWindow(QWidget *ownerButton, IToolHost *host)
    : ToolWindow(QImage(QStringLiteral(":/icons/Background/POP_BK_TOOL.png")), ownerButton, host,
                 tr("Rotate"))
{
    const std::array<std::pair<const char *, QString>, 4> faces{{
        {"ICON_ROTATE_SUB_LEFT", tr("Turn left")},
        {"ICON_ROTATE_SUB_RIGHT", tr("Turn right")},
        {"ICON_MIRROR_SUB_LR", tr("Mirror left-right")},
        {"ICON_MIRROR_SUB_TB", tr("Mirror top-bottom")},
    }};
    for (int k = 0; k < int(m_buttons.size()); ++k) {
        const QString icon = QLatin1String(faces[k].first);
        auto *button = new ImageButton(icon, this, 4 + 60 * k, 18);
        button->setObjectName(icon);
        button->setToolTip(faces[k].second);
        connect(button, &ImageButton::clicked, this, &RotateToolWindow::buttonClicked);
        m_buttons[k] = button;
    }
}

void RotateToolWindow::buttonClicked()
{
    ImageCanvas *canvas = host()->currentCanvas();
    const int k = senderIndex(m_buttons);
    if (canvas == nullptr || k < 0) {
        return;
    }
    switch (k) {
    case TurnLeft:
        canvas->rotateLeft();
        break;
    case TurnRight:
        canvas->rotate();
        break;
    case MirrorLeftRight:
        canvas->mirrorLeftRight();
        break;
    default:
        canvas->mirrorTopBottom();
        break;
    }
    if (OSDProcessor *osd = canvas->osdProcessor()) {
        osd->showRotate();
    }
}
