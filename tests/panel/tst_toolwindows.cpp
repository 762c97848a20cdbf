#include "ColorToolWindow.h"
#include "EffectToolWindow.h"
#include "FakeToolHost.h"
#include "ImageButton.h"
#include "MaskToolWindow.h"
#include "TextToolWindow.h"
#include "WidgetPictures.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {
const QColor black(0, 0, 0);
const QColor red(255, 0, 0);
const QColor yellow(255, 255, 0);
const QColor sky(0, 0, 255);

ImageButton *button(QWidget *window, const QString &name)
{
    return window->findChild<ImageButton *>(name);
}

bool checked(QWidget *window, const QString &name)
{
    ImageButton *b = button(window, name);
    return b != nullptr && b->isChecked();
}

void sendMouse(QWidget *target, QEvent::Type type, QPoint local, Qt::MouseButtons buttons)
{
    const QPointF global = target->mapToGlobal(QPointF(local));
    QMouseEvent event(type, QPointF(local), global,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}
} // namespace

class ToolWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeToolHost> host;

    QPoint besideOwner() const
    {
        return host->ownerButton->mapToGlobal(QPoint(host->ownerButton->width() + 3, 0));
    }

    std::unique_ptr<ColorToolWindow> colorWindow(const QString &colorLabel,
                                                 const QString &fillLabel)
    {
        return std::make_unique<ColorToolWindow>(
            host->ownerButton, host.get(), QStringLiteral("Rectangle"),
            QStringLiteral("Line Width"), colorLabel, fillLabel);
    }

private slots:
    void init()
    {
        host = std::make_unique<FakeToolHost>();
        host->move(100, 80);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
    }
    void cleanup() { host.reset(); }

    void windowStandsBesideItsOwnerAndFollowsTheHost()
    {
        auto window = colorWindow({}, {});
        QCOMPARE(window->parentWidget(), host.get());
        QVERIFY(window->windowFlags().testFlag(Qt::Tool));
        QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(window->ownerButton(), host->ownerButton);
        QCOMPARE(window->pos(), besideOwner());

        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        ImageButton *closeButton = button(window.get(), QStringLiteral("POPUP_CLOSE"));
        QVERIFY(closeButton != nullptr);
        QCOMPARE(closeButton->pos(), QPoint(window->width() - 18, 4));

        // Dragged away by its top band, it stays where the user put it...
        const QPoint start = window->pos();
        sendMouse(window.get(), QEvent::MouseButtonPress, QPoint(50, 10), Qt::LeftButton);
        sendMouse(window.get(), QEvent::MouseMove, QPoint(80, 30), Qt::LeftButton);
        sendMouse(window.get(), QEvent::MouseButtonRelease, QPoint(80, 30), Qt::NoButton);
        QCOMPARE(window->pos(), start + QPoint(30, 20));
        // ...but not below it.
        sendMouse(window.get(), QEvent::MouseButtonPress, QPoint(50, 26), Qt::LeftButton);
        sendMouse(window.get(), QEvent::MouseMove, QPoint(90, 40), Qt::LeftButton);
        sendMouse(window.get(), QEvent::MouseButtonRelease, QPoint(90, 40), Qt::NoButton);
        QCOMPARE(window->pos(), start + QPoint(30, 20));

        // ...until the host moves or is resized.
        host->move(160, 120);
        QTRY_COMPARE(window->pos(), besideOwner());
        window->move(0, 0);
        host->ownerButton->move(10, 200);
        host->resize(520, 420);
        QTRY_COMPARE(window->pos(), besideOwner());

        // The close button only hides the window.
        QPointer<ColorToolWindow> alive(window.get());
        QTest::mouseClick(closeButton, Qt::LeftButton);
        QVERIFY(window->isHidden());
        QVERIFY(!alive.isNull());
    }

    void colorWindowBuildsOneTwoOrThreeRows()
    {
        auto one = colorWindow({}, {});
        QCOMPARE(one->size(), QSize(248, 45));
        for (int k = 1; k <= 4; ++k) {
            QCOMPARE(button(one.get(), QStringLiteral("ICON_LINE_WIDTH_%1").arg(k))->pos(),
                     QPoint(110 + 33 * (k - 1), 20));
        }
        QVERIFY(one->findChildren<ImageButton *>(QRegularExpression("COLOR")).isEmpty());

        auto two = colorWindow(QStringLiteral("Line Color"), {});
        QCOMPARE(two->size(), QSize(248, 69));
        QCOMPARE(button(two.get(), QStringLiteral("ICON_LINE_COLOR_SKY"))->pos(), QPoint(209, 43));
        QVERIFY(button(two.get(), QStringLiteral("ICON_FILL_COLOR_NONE")) == nullptr);

        auto three = colorWindow(QStringLiteral("Line Color"), QStringLiteral("Fill Color"));
        QCOMPARE(three->size(), QSize(248, 93));
        QCOMPARE(button(three.get(), QStringLiteral("ICON_FILL_COLOR_BLACK"))->pos(),
                 QPoint(110, 67));
        QCOMPARE(button(three.get(), QStringLiteral("ICON_FILL_COLOR_NONE"))->pos(),
                 QPoint(77, 67));
        QCOMPARE(three->findChildren<ImageButton *>().size(), 1 + 4 + 4 + 5);

        saveScreenshot(one.get(), QStringLiteral("color-1-row"));
        saveScreenshot(two.get(), QStringLiteral("color-2-rows"));
        three->show();
        saveScreenshot(three.get(), QStringLiteral("color-3-rows"));
    }

    void colorWindowShowsAndWritesTheCanvasStyle()
    {
        ImageCanvas *canvas = host->canvases[0];
        canvas->setLineWidth(7);
        canvas->setLineColor(yellow);
        canvas->setFillColor(red);
        canvas->setFillEnabled(false);
        auto window = colorWindow(QStringLiteral("Line Color"), QStringLiteral("Fill Color"));
        QVERIFY(checked(window.get(), QStringLiteral("ICON_LINE_WIDTH_3")));
        QVERIFY(checked(window.get(), QStringLiteral("ICON_LINE_COLOR_YELLOW")));
        // Fill off shows "NONE" whatever the fill colour is.
        QVERIFY(checked(window.get(), QStringLiteral("ICON_FILL_COLOR_NONE")));

        QTest::mouseClick(button(window.get(), QStringLiteral("ICON_LINE_WIDTH_4")),
                          Qt::LeftButton);
        QCOMPARE(canvas->lineWidth(), 10);
        QVERIFY(!checked(window.get(), QStringLiteral("ICON_LINE_WIDTH_3")));
        QTest::mouseClick(button(window.get(), QStringLiteral("ICON_LINE_COLOR_SKY")),
                          Qt::LeftButton);
        QCOMPARE(canvas->lineColor(), sky);
        QTest::mouseClick(button(window.get(), QStringLiteral("ICON_FILL_COLOR_YELLOW")),
                          Qt::LeftButton);
        QVERIFY(canvas->fillEnabled());
        QCOMPARE(canvas->fillColor(), yellow);
        QTest::mouseClick(button(window.get(), QStringLiteral("ICON_FILL_COLOR_NONE")),
                          Qt::LeftButton);
        QVERIFY(!canvas->fillEnabled());
        QCOMPARE(canvas->fillColor(), yellow);
        // Nothing leaked into the other mode's canvas.
        QCOMPARE(host->canvases[1]->lineWidth(), 2);
        QCOMPARE(host->canvases[1]->lineColor(), black);
    }

    void colorWindowMapsUnlistedValuesToTheFirstButton()
    {
        ImageCanvas *canvas = host->canvases[0];
        canvas->setLineWidth(3);
        canvas->setLineColor(QColor(10, 20, 30));
        canvas->setFillEnabled(true);
        canvas->setFillColor(QColor(255, 0, 0, 128));
        auto window = colorWindow(QStringLiteral("Line Color"), QStringLiteral("Fill Color"));
        QVERIFY(checked(window.get(), QStringLiteral("ICON_LINE_WIDTH_1")));
        QVERIFY(checked(window.get(), QStringLiteral("ICON_LINE_COLOR_BLACK")));
        QVERIFY(checked(window.get(), QStringLiteral("ICON_FILL_COLOR_BLACK")));
        QTest::mouseClick(button(window.get(), QStringLiteral("ICON_LINE_WIDTH_1")),
                          Qt::LeftButton);
        QCOMPARE(canvas->lineWidth(), 2);
    }

    void colorWindowRereadsTheCanvasOnModeChange()
    {
        auto window = colorWindow(QStringLiteral("Line Color"), QStringLiteral("Fill Color"));
        ImageCanvas *film = host->canvases[1];
        film->setLineWidth(4);
        film->setLineColor(red);
        film->setFillEnabled(true);
        film->setFillColor(sky);
        host->switchTo(1);
        QVERIFY(checked(window.get(), QStringLiteral("ICON_LINE_WIDTH_2")));
        QVERIFY(checked(window.get(), QStringLiteral("ICON_LINE_COLOR_RED")));
        QVERIFY(checked(window.get(), QStringLiteral("ICON_FILL_COLOR_SKY")));
        // Clicks now go to the new current canvas.
        QTest::mouseClick(button(window.get(), QStringLiteral("ICON_LINE_WIDTH_4")),
                          Qt::LeftButton);
        QCOMPARE(film->lineWidth(), 10);
        QCOMPARE(host->canvases[0]->lineWidth(), 2);
        host->switchTo(0);
        QVERIFY(checked(window.get(), QStringLiteral("ICON_LINE_WIDTH_1")));
        QVERIFY(checked(window.get(), QStringLiteral("ICON_FILL_COLOR_NONE")));
    }

    void textWindowListsFontsAndWritesThroughTheCanvas()
    {
        ImageCanvas *canvas = host->canvases[0];
        canvas->setTextColor(red);
        const QStringList families = QFontDatabase::families();
        const QList<int> sizes = QFontDatabase::standardSizes();
        QVERIFY(sizes.size() > 2);
        canvas->setFontSize(sizes[1]);
        if (!families.isEmpty()) {
            canvas->setFontFamily(families.last());
        }

        TextToolWindow window(host->ownerButton, host.get());
        QCOMPARE(window.size(), QSize(248, 69));
        const QList<QComboBox *> boxes = window.findChildren<QComboBox *>();
        QCOMPARE(boxes.size(), 2);
        QComboBox *faceBox = boxes[0]->x() < boxes[1]->x() ? boxes[0] : boxes[1];
        QComboBox *sizeBox = faceBox == boxes[0] ? boxes[1] : boxes[0];
        QCOMPARE(faceBox->pos(), QPoint(10, 20));
        QCOMPARE(sizeBox->pos(), QPoint(165, 20));
        QCOMPARE(faceBox->count(), families.size());
        QCOMPARE(sizeBox->count(), sizes.size());
        QCOMPARE(sizeBox->itemText(0), QString::number(sizes[0]));
        QCOMPARE(sizeBox->currentIndex(), 1);
        if (!families.isEmpty()) {
            QCOMPARE(faceBox->currentText(), families.last());
        }
        QVERIFY(checked(&window, QStringLiteral("ICON_LINE_COLOR_RED")));

        QTest::mouseClick(button(&window, QStringLiteral("ICON_LINE_COLOR_SKY")), Qt::LeftButton);
        QCOMPARE(canvas->textColor(), sky);
        // The canvas passes the colour on to the text being edited.
        QCOMPARE(canvas->textEditor()->textColor(), sky);

        QTest::keyClick(sizeBox, Qt::Key_Down);
        QCOMPARE(canvas->fontSize(), sizes[2]);
        if (families.size() > 1) {
            QTest::keyClick(faceBox, Qt::Key_Home);
            QCOMPARE(canvas->fontFamily(), families.first());
        }
        window.show();
        saveScreenshot(&window, QStringLiteral("text"));
    }

    void textWindowLeavesUnknownValuesAloneAndFollowsModeChanges()
    {
        ImageCanvas *canvas = host->canvases[0];
        canvas->setTextColor(QColor(128, 0, 128));
        canvas->setFontFamily(QStringLiteral("No Such Family 12345"));
        canvas->setFontSize(1001);
        TextToolWindow window(host->ownerButton, host.get());
        for (const char *name : {"BLACK", "RED", "YELLOW", "SKY"}) {
            QVERIFY(!checked(&window, QStringLiteral("ICON_LINE_COLOR_") + QLatin1String(name)));
        }
        const QList<QComboBox *> boxes = window.findChildren<QComboBox *>();
        QComboBox *faceBox = boxes[0]->x() < boxes[1]->x() ? boxes[0] : boxes[1];
        QComboBox *sizeBox = faceBox == boxes[0] ? boxes[1] : boxes[0];
        QCOMPARE(faceBox->currentIndex(), faceBox->count() > 0 ? 0 : -1);
        QCOMPARE(sizeBox->currentIndex(), 0);

        const QList<int> sizes = QFontDatabase::standardSizes();
        host->canvases[1]->setTextColor(yellow);
        host->canvases[1]->setFontSize(sizes.last());
        host->switchTo(1);
        QVERIFY(checked(&window, QStringLiteral("ICON_LINE_COLOR_YELLOW")));
        QCOMPARE(sizeBox->currentIndex(), sizes.size() - 1);
        // An unknown colour on the next canvas leaves the last choice shown.
        host->switchTo(0);
        QVERIFY(checked(&window, QStringLiteral("ICON_LINE_COLOR_YELLOW")));
    }

    void effectWindowSetsTheEffectTheOwnerFaceAndTheIndicator()
    {
        ImageButton owner(QStringLiteral("ICON_EFFECT_COLOR"), host.get(), 40, 120);
        EffectToolWindow window(&owner, host.get());
        QCOMPARE(window.size(), QSize(248, 67));
        QCOMPARE(window.pos(), owner.mapToGlobal(QPoint(owner.width() + 3, 0)));
        QVERIFY(checked(&window, QStringLiteral("ICON_EFFECT_SUB_COLOR")));
        QCOMPARE(button(&window, QStringLiteral("ICON_EFFECT_SUB_MOSAIC"))->pos(), QPoint(184, 18));

        QTest::mouseClick(button(&window, QStringLiteral("ICON_EFFECT_SUB_NEGATIVE")),
                          Qt::LeftButton);
        QCOMPARE(host->canvases[0]->effect(), 2);
        QCOMPARE(host->canvases[1]->effect(), 0);
        QVERIFY(showsFace(&owner, QStringLiteral("ICON_EFFECT_NEGATIVE")));
        QCOMPARE(host->effectShownOn, QList<ImageCanvas *>{host->canvases[0]});

        host->canvases[1]->setEffect(3);
        host->switchTo(1);
        QVERIFY(checked(&window, QStringLiteral("ICON_EFFECT_SUB_MOSAIC")));
        host->switchTo(0);
        QVERIFY(checked(&window, QStringLiteral("ICON_EFFECT_SUB_NEGATIVE")));
        window.show();
        saveScreenshot(&window, QStringLiteral("effect"));
    }

    void maskWindowSetsTheMaskAndTurnsTheOwnerOn()
    {
        ImageButton owner(QStringLiteral("ICON_MASK_CIRCLE"), host.get(), 40, 120);
        owner.setCheckable(true);
        MaskToolWindow window(&owner, host.get());
        QCOMPARE(window.size(), QSize(248, 67));
        // No mask: no button checked.
        for (const char *key : {"CIRCLE", "RECTANGLE", "LEFT", "TOP"}) {
            QVERIFY(!checked(&window, QStringLiteral("ICON_MASK_SUB_") + QLatin1String(key)));
        }

        QSignalSpy clicks(&owner, &ImageButton::clicked);
        QTest::mouseClick(button(&window, QStringLiteral("ICON_MASK_SUB_TOP")), Qt::LeftButton);
        QCOMPARE(host->canvases[0]->mask(), 4);
        QVERIFY(owner.isChecked());
        QCOMPARE(clicks.count(), 0);
        QVERIFY(showsFace(&owner, QStringLiteral("ICON_MASK_TOP")));
        QCOMPARE(host->maskShownOn, QList<ImageCanvas *>{host->canvases[0]});

        host->canvases[1]->setMask(2);
        host->switchTo(1);
        QVERIFY(checked(&window, QStringLiteral("ICON_MASK_SUB_RECTANGLE")));
        host->canvases[0]->setMask(0);
        host->switchTo(0);
        QVERIFY(checked(&window, QStringLiteral("ICON_MASK_SUB_RECTANGLE")));
        window.show();
        saveScreenshot(&window, QStringLiteral("mask"));
    }
};

QTEST_MAIN(ToolWindowTest)
#include "tst_toolwindows.moc"
