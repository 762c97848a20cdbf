#include "ImageButton.h"
#include "Panel.h"
#include "WidgetPictures.h"

#include <QGridLayout>
#include <QImage>
#include <QPointer>
#include <QTest>

#include <memory>

namespace {
const QString openFace = QStringLiteral("TOOL_TITLE_OPEN");
const QString closedFace = QStringLiteral("TOOL_TITLE_CLOSE");

} // namespace

class PanelTest : public QObject {
    Q_OBJECT

private:
    // A panel with the groups "A" (three buttons) and "B" (two buttons), closed by the stretch.
    struct Fixture {
        std::unique_ptr<Panel> panel = std::make_unique<Panel>();
        QList<ImageButton *> a;
        QList<ImageButton *> b;

        Fixture()
        {
            panel->addGroup(QStringLiteral("A"));
            for (int i = 0; i < 3; ++i) {
                a << new ImageButton(QStringLiteral("ICON_LINE"), QStringLiteral("a"), 0, 0);
                panel->addButton(a.last());
            }
            panel->addGroup(QStringLiteral("B"));
            for (int i = 0; i < 2; ++i) {
                b << new ImageButton(QStringLiteral("ICON_ZOOM_IN"), QStringLiteral("b"), 0, 0);
                panel->addButton(b.last());
            }
            panel->addStretch();
            panel->resize(panel->width(), 600);
        }

        ImageButton *title(int group) const
        {
            return qobject_cast<ImageButton *>(
                panel->layout()->itemAt(group == 0 ? 0 : 4)->widget());
        }
        QPoint cell(QWidget *w) const
        {
            auto *grid = static_cast<QGridLayout *>(panel->layout());
            int row = -1, column = -1, rows = 0, columns = 0;
            grid->getItemPosition(grid->indexOf(w), &row, &column, &rows, &columns);
            return {column, row};
        }
        void toggle(int group) const { title(group)->click(); }
        static bool visible(QWidget *w) { return !w->isHidden(); }
    };

private slots:
    void groupsFillTwoColumnRowsAndTitlesStartFreshRows()
    {
        Fixture f;
        QCOMPARE(f.panel->width(), 135);
        QCOMPARE(f.title(0)->text(), QStringLiteral("A"));
        QCOMPARE(f.title(0)->font().family(), QStringLiteral("Arial"));
        QCOMPARE(f.title(0)->font().pointSize(), 10);
        QVERIFY(showsFace(f.title(0), openFace, Qt::white));
        QVERIFY(!showsFace(f.title(0), closedFace, Qt::white));
        QCOMPARE(f.cell(f.title(0)), QPoint(0, 0));
        QCOMPARE(f.cell(f.a[0]), QPoint(0, 1));
        QCOMPARE(f.cell(f.a[1]), QPoint(1, 1));
        QCOMPARE(f.cell(f.a[2]), QPoint(0, 2));
        // The third button left its row half filled: the next title starts on a fresh row.
        QCOMPARE(f.cell(f.title(1)), QPoint(0, 3));
        QCOMPARE(f.cell(f.b[0]), QPoint(0, 4));
        QCOMPARE(f.cell(f.b[1]), QPoint(1, 4));
        // Every entry belongs to the panel.
        QCOMPARE(f.a[0]->parentWidget(), f.panel.get());
    }

    void entriesArePackedAtTheTopAndFoldedRowsTakeNoHeight()
    {
        Fixture f;
        f.panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.panel.get()));
        const int titleHeight = f.title(0)->height();
        const int buttonHeight = f.a[0]->height();
        QCOMPARE(f.title(0)->y(), 5);
        QCOMPARE(f.a[0]->y(), 5 + titleHeight);
        QCOMPARE(f.a[2]->y(), 5 + titleHeight + buttonHeight);
        QCOMPARE(f.title(1)->y(), 5 + titleHeight + 2 * buttonHeight);

        saveScreenshot(f.panel.get(), QStringLiteral("panel-open"));

        // A folded group leaves only its title.
        f.toggle(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        saveScreenshot(f.panel.get(), QStringLiteral("panel-folded"));
        QCOMPARE(f.title(1)->y(), 5 + titleHeight);

        // A hidden button next to a visible one leaves its cell empty.
        f.toggle(0);
        const int rightX = f.b[1]->x();
        f.b[0]->setEnabled(false);
        f.panel->updateButtons();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(f.b[1]->x(), rightX);
        QCOMPARE(f.b[1]->y(), 5 + 2 * titleHeight + 2 * buttonHeight);
    }

    void toggleFlipsEnabledEntriesAndTheTitleFace()
    {
        Fixture f;
        f.a[1]->setEnabled(false);
        f.a[1]->hide();

        f.toggle(0);
        QVERIFY(!Fixture::visible(f.a[0]));
        QVERIFY(!Fixture::visible(f.a[2]));
        QVERIFY(!Fixture::visible(f.a[1]));
        QVERIFY(showsFace(f.title(0), closedFace, Qt::white));
        // The other group is untouched.
        QVERIFY(Fixture::visible(f.b[0]) && Fixture::visible(f.b[1]));
        QVERIFY(showsFace(f.title(1), openFace, Qt::white));

        f.toggle(0);
        QVERIFY(Fixture::visible(f.a[0]));
        QVERIFY(Fixture::visible(f.a[2]));
        QVERIFY(!Fixture::visible(f.a[1])); // disabled: stays hidden
        QVERIFY(showsFace(f.title(0), openFace, Qt::white));

        // The last group reaches to the end of the entries.
        f.toggle(1);
        QVERIFY(!Fixture::visible(f.b[0]) && !Fixture::visible(f.b[1]));
    }

    void groupWithoutEnabledButtonsShowsTheClosedFaceAndKeepsItsButtons()
    {
        Fixture f;
        for (ImageButton *b : f.b) {
            b->setEnabled(false);
        }
        f.toggle(1);
        QVERIFY(Fixture::visible(f.b[0]) && Fixture::visible(f.b[1]));
        QVERIFY(showsFace(f.title(1), closedFace, Qt::white));
        f.toggle(1);
        QVERIFY(showsFace(f.title(1), closedFace, Qt::white));
    }

    void updateButtonsShowsExactlyTheEnabledEntries()
    {
        Fixture f;
        f.toggle(0);
        f.a[2]->setEnabled(false);
        f.title(1)->setEnabled(false);
        f.panel->updateButtons();
        QVERIFY(Fixture::visible(f.a[0]) && Fixture::visible(f.a[1]));
        QVERIFY(!Fixture::visible(f.a[2]));
        QVERIFY(!Fixture::visible(f.title(1)));
        QVERIFY(Fixture::visible(f.title(0)));
        // Title faces are left alone.
        QVERIFY(showsFace(f.title(0), closedFace, Qt::white));

        f.a[2]->setEnabled(true);
        f.panel->updateButtons();
        QVERIFY(Fixture::visible(f.a[2]));
    }

    void backgroundStretchesBetweenTopAndBottom()
    {
        Fixture f;
        const QImage top(QStringLiteral(":/icons/Background_Sub/ICON_BK_TOP.png"));
        const QImage bottom(QStringLiteral(":/icons/Background_Sub/ICON_BK_BOT.png"));
        QVERIFY(!top.isNull() && !bottom.isNull());
        f.panel->resize(f.panel->width(), 300);
        for (ImageButton *b : f.a + f.b) {
            b->hide();
        }
        f.title(0)->hide();
        f.title(1)->hide();
        const QImage shot = f.panel->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shot.height(), 300);
        const QImage bottomArgb = bottom.convertToFormat(QImage::Format_ARGB32);
        const QImage topArgb = top.convertToFormat(QImage::Format_ARGB32);
        const int x = f.panel->width() / 2;
        QCOMPARE(shot.pixel(x, 299), bottomArgb.pixel(x, bottom.height() - 1));
        QCOMPARE(shot.pixel(x, 300 - bottom.height()), bottomArgb.pixel(x, 0));
        QCOMPARE(shot.pixel(x, 0), topArgb.pixel(x, 0));
    }
};

QTEST_MAIN(PanelTest)
#include "tst_panel.moc"
