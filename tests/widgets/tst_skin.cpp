// The compiled-in skin: every bitmap of the manifest is present at its size, nothing else is,
// and every name the program looks up exists at the size its layouts rely on.
#include "SkinManifest.h"

#include <QDirIterator>
#include <QImage>
#include <QSet>
#include <QtTest>

namespace {

QSize sizeOf(const QString &resource)
{
    return QImage(resource).size();
}

QString normal(const QString &icon)
{
    return QStringLiteral(":/icons/Normal/%1.png").arg(icon);
}

} // namespace

class SkinTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_manifest.load(QStringLiteral(DOCCAM_SKIN_MANIFEST), &error), qPrintable(error));
        QVERIFY(m_manifest.entries().size() > 100);
    }

    // The resource tree holds exactly the manifest's bitmaps at the manifest's sizes, with no
    // explicit initialisation: linking the skin library is enough.
    void resourcesMatchManifest()
    {
        QSet<QString> expected;
        for (const SkinEntry &entry : m_manifest.entries()) {
            const QString resource = QStringLiteral(":/icons/%1.png").arg(entry.path);
            expected.insert(resource);
            const QImage image(resource);
            QVERIFY2(!image.isNull(), qPrintable(resource));
            QVERIFY2(image.size() == entry.size, qPrintable(resource));
            QVERIFY2(image.hasAlphaChannel(), qPrintable(resource));
        }
        QSet<QString> present;
        QDirIterator it(QStringLiteral(":/icons"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            present.insert(it.next());
        }
        QCOMPARE(present, expected);
    }

    // Every button face set is complete and its three faces agree in size and differ in look,
    // so a pressed or hovered button visibly changes.
    void buttonFacesComeInThrees()
    {
        QDirIterator it(QStringLiteral(":/icons/Normal"), QDir::Files);
        int buttons = 0;
        while (it.hasNext()) {
            const QString normalFace = it.next();
            const QString name = QFileInfo(normalFace).completeBaseName();
            const QImage face(normalFace);
            const QImage over(QStringLiteral(":/icons/Over/%1.png").arg(name));
            const QImage click(QStringLiteral(":/icons/Click/%1.png").arg(name));
            QVERIFY2(over.size() == face.size() && click.size() == face.size(), qPrintable(name));
            QVERIFY2(over != face && click != face && click != over, qPrintable(name));
            ++buttons;
        }
        QVERIFY(buttons >= 70);
    }

    void namedSizes_data()
    {
        QTest::addColumn<QString>("resource");
        QTest::addColumn<QSize>("size");
        const auto add = [](const QString &resource, int w, int h) {
            QTest::newRow(qPrintable(resource)) << resource << QSize(w, h);
        };
        // Button faces whose size a layout relies on.
        add(normal("MAIN_BUTTON"), 89, 18);
        add(normal("BUTTON_SIDE_OPEN"), 33, 124);
        add(normal("BUTTON_SIDE_CLOSE"), 32, 124);
        add(normal("TOOL_TITLE_OPEN"), 120, 20);
        add(normal("TOOL_TITLE_CLOSE"), 120, 20);
        add(normal("POPUP_CLOSE"), 12, 12);
        add(normal("POPUP_BUTTON"), 78, 20);
        add(normal("ICON_LINE_COLOR_BLACK"), 34, 21);
        for (const char *colour : {"RED", "YELLOW", "SKY"}) {
            add(normal(QStringLiteral("ICON_LINE_COLOR_%1").arg(QLatin1String(colour))), 34, 20);
        }
        for (const char *colour : {"BLACK", "RED", "YELLOW", "SKY", "NONE"}) {
            add(normal(QStringLiteral("ICON_FILL_COLOR_%1").arg(QLatin1String(colour))), 34, 20);
        }
        for (const char *effect : {"COLOR", "BW", "NEGATIVE", "MOSAIC"}) {
            add(normal(QStringLiteral("ICON_EFFECT_%1").arg(QLatin1String(effect))), 60, 44);
            add(normal(QStringLiteral("ICON_EFFECT_SUB_%1").arg(QLatin1String(effect))), 60, 44);
        }
        for (const char *mask : {"CIRCLE", "RECTANGLE", "LEFT", "TOP"}) {
            add(normal(QStringLiteral("ICON_MASK_%1").arg(QLatin1String(mask))), 60, 44);
            add(normal(QStringLiteral("ICON_MASK_SUB_%1").arg(QLatin1String(mask))), 60, 44);
        }
        // Backgrounds.
        const QString bk = QStringLiteral(":/icons/Background/%1.png");
        add(bk.arg("FILM_CONTROL_BK"), 313, 37);
        add(bk.arg("PHOTO_CONTROL_BK"), 271, 37);
        add(bk.arg("POP_VOL_BK"), 33, 93);
        add(bk.arg("TIME_SLIDE_BK_1"), 150, 37);
        add(bk.arg("TIME_SLIDE_ADJUSTMENT"), 12, 12);
        add(bk.arg("FILM_SCROLL_BACKGROUND"), 822, 12);
        add(bk.arg("FILM_SCROLL_BAR"), 40, 6);
        add(bk.arg("PHOTO_SCROLL_BAR"), 109, 6);
        add(bk.arg("POP_BK_COLOR_1LINE"), 248, 45);
        add(bk.arg("POP_BK_COLOR_2LINE"), 248, 69);
        add(bk.arg("POP_BK_COLOR_3LINE"), 248, 93);
        add(bk.arg("POP_BK_TOOL"), 248, 67);
        add(bk.arg("POP_BK_SETTING"), 248, 256);
        // Tool panel and the nine frame pieces.
        const QString sub = QStringLiteral(":/icons/Background_Sub/%1.png");
        add(sub.arg("ICON_BK_TOP"), 135, 10);
        add(sub.arg("ICON_BK_MID"), 135, 1);
        add(sub.arg("ICON_BK_BOT"), 135, 10);
        add(sub.arg("VIDEO_FRAME_TOP_LEFT"), 322, 53);
        add(sub.arg("VIDEO_FRAME_TOP_LEFT_EXPANDED"), 460, 53);
        add(sub.arg("VIDEO_FRAME_TOP_MID"), 3, 52);
        add(sub.arg("VIDEO_FRAME_TOP_RIGHT"), 82, 52);
        add(sub.arg("VIDEO_FRAME_MID_LEFT"), 3, 1);
        add(sub.arg("VIDEO_FRAME_MID_MID"), 1, 1);
        add(sub.arg("VIDEO_FRAME_MID_RIGHT"), 3, 1);
        add(sub.arg("VIDEO_FRAME_BOT_LEFT"), 10, 81);
        add(sub.arg("VIDEO_FRAME_BOT_MID"), 2, 81);
        add(sub.arg("VIDEO_FRAME_BOT_RIGHT"), 11, 81);
    }

    void namedSizes()
    {
        QFETCH(QString, resource);
        QFETCH(QSize, size);
        QCOMPARE(sizeOf(resource), size);
    }

    // Names looked up by the program whose size is the skin's choice: they must exist, and
    // the ones that share a layout row must share a size.
    void namedFacesExist()
    {
        const QStringList panel{"ICON_LINE",
                                "ICON_RETANGLE",
                                "ICON_FREEHAND",
                                "ICON_CIRCLE",
                                "ICON_ARROW",
                                "ICON_TRIANGLE",
                                "ICON_ERASE",
                                "ICON_TEXT",
                                "ICON_ERASE_ALL",
                                "ICON_COPY",
                                "ICON_HAND",
                                "ICON_ZOOM_OUT",
                                "ICON_ZOOM_IN",
                                "ICON_ZOOM_RESET",
                                "ICON_AUTOFOCUS",
                                "ICON_BRIGHTNESS_REDUCE",
                                "ICON_BRIGHTNESS_INCREASE",
                                "ICON_ROTATE",
                                "ICON_FREEZE",
                                "ICON_RECORDING",
                                "ICON_CAPTURE",
                                "ICON_SETTING",
                                "ICON_PRINT"};
        for (const QString &name : panel) {
            // Two per 131-pixel panel row, the same size as the effect and mask faces.
            QVERIFY2(sizeOf(normal(name)) == QSize(60, 44), qPrintable(name));
        }
        const QStringList bars{"ICON_FILM_OPEN",   "ICON_FILM_PLAY",     "ICON_FILM_PAUSE",
                               "ICON_FILM_STOP",   "ICON_FILM_BACKWARD", "ICON_FILM_FORWARD",
                               "ICON_FILM_VOLUME", "ICON_PHOTO_OPEN",    "ICON_PHOTO_BACKWARD",
                               "ICON_PHOTO_SLIDE", "ICON_PHOTO_FORWARD", "ICON_PHOTO_THUMBNIL",
                               "ICON_PHOTO_TIME"};
        for (const QString &name : bars) {
            // Buttons every 40 pixels from x = 20 at y = 5 on a 37-pixel bar.
            const QSize size = sizeOf(normal(name));
            QVERIFY2(size.width() <= 40 && size.width() > 0 && 5 + size.height() <= 37,
                     qPrintable(name));
        }
        // The last bar buttons stay on their bars.
        QVERIFY(260 + sizeOf(normal("ICON_FILM_VOLUME")).width() <= 313);
        QVERIFY(220 + sizeOf(normal("ICON_PHOTO_TIME")).width() <= 271);
        for (int k = 1; k <= 4; ++k) {
            // Width choices every 33 pixels from x = 110 in a 248-pixel window.
            const QSize size = sizeOf(normal(QStringLiteral("ICON_LINE_WIDTH_%1").arg(k)));
            QVERIFY(size.width() <= 33 && size.height() > 0 && 110 + 3 * 33 + size.width() <= 248);
        }
        // The caption buttons stand 20 and 21 pixels apart, the last 38 from the right edge.
        for (const char *name : {"WINDOWS_MIN", "WINDOWS_MAX", "WINDOWS_CLOSE"}) {
            const QSize size = sizeOf(normal(QLatin1String(name)));
            QVERIFY2(size.width() > 0 && size.width() <= 20 && size.height() <= 20, name);
        }
        // The record button stands at (20, 5) in the 60 x 37 recording indicator.
        const QSize record = sizeOf(normal("ICON_LIVE_RECORDING"));
        QVERIFY(record.width() > 0 && 20 + record.width() <= 60 && 5 + record.height() <= 37);
    }

    // On-screen display images: present where a key has an indicator, absent where none is
    // drawn (the plain colour effect, no mask), and small enough for their places.
    void displayImages()
    {
        const QString osd = QStringLiteral(":/icons/OSD/%1.png");
        for (const char *name :
             {"OSD_ZOOM_IN", "OSD_ZOOM_OUT", "OSD_ROTATE", "OSD_AUTOFOCUS", "OSD_FREEZE",
              "OSD_TIME", "OSD_SNAPSHOT", "OSD_BRIGHTNESS_BK", "OSD_BRIGHTNESS_BAR",
              "OSD_BRIGHTNESS_BAR_CENTER", "OSD_COLOR_BW", "OSD_COLOR_NEGATIVE", "OSD_COLOR_MOSAIC",
              "OSD_MASK_CIRCLE", "OSD_MASK_RECTANGLE", "OSD_MASK_LEFT", "OSD_MASK_TOP"}) {
            const QSize size = sizeOf(osd.arg(QLatin1String(name)));
            QVERIFY2(!size.isEmpty() && size.height() <= 50, name);
        }
        QVERIFY(QImage(osd.arg("OSD_COLOR_COLOR")).isNull());
        QVERIFY(QImage(osd.arg("OSD_MASK_")).isNull());
        // Zoom and rotation notices end inside the picture (drawn 100 pixels from its right).
        QVERIFY(sizeOf(osd.arg("OSD_ZOOM_IN")).width() <= 98);
        QVERIFY(sizeOf(osd.arg("OSD_ROTATE")).width() <= 98);
        // The eleven brightness marker places (x0 + 48 ... x0 + 199) lie on the background.
        QVERIFY(sizeOf(osd.arg("OSD_BRIGHTNESS_BK")).width() >=
                199 + sizeOf(osd.arg("OSD_BRIGHTNESS_BAR")).width());
        // The mask indicator at x = 30 ends before the effect notice at x = 75.
        QVERIFY(30 + sizeOf(osd.arg("OSD_MASK_CIRCLE")).width() <= 75);
    }

    // The frame's inside colour is opaque, the expanded corner grows by the panel's width and
    // the canvas background exists.
    void frameAndCanvas()
    {
        const QImage inside(QStringLiteral(":/icons/Background_Sub/VIDEO_FRAME_MID_MID.png"));
        QCOMPARE(qAlpha(inside.pixel(0, 0)), 255);
        QVERIFY(!QImage(QStringLiteral(":/icons/Background/MAIN_WINDOWS.png")).isNull());
        QVERIFY(!QImage(QStringLiteral(":/icons/Background/THUMBNIL_BAR.png")).isNull());
        // The panel background's middle row is as wide as its ends and opaque at its centre.
        const QImage mid(QStringLiteral(":/icons/Background_Sub/ICON_BK_MID.png"));
        QCOMPARE(qAlpha(mid.pixel(mid.width() / 2, 0)), 255);
    }

    void manifestErrors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("complaint");
        QTest::newRow("size") << "button A 10y10 tool"
                              << "bad size";
        QTest::newRow("empty size") << "button A 0x10 tool"
                                    << "bad size";
        QTest::newRow("kind") << "picture A/B 10x10 tool"
                              << "unknown kind";
        QTest::newRow("short") << "button A 10x10"
                               << "expected";
        QTest::newRow("param") << "button A 10x10 tool glyph"
                               << "key=value";
        QTest::newRow("folder") << "image A 10x10 tool"
                                << "folder";
        QTest::newRow("twice") << "button A 10x10 tool\nimage Over/A 10x10 osd"
                               << "twice";
        QTest::newRow("name") << "image ../A 10x10 osd"
                              << "bad name";
    }

    void manifestErrors()
    {
        QFETCH(QString, text);
        QFETCH(QString, complaint);
        SkinManifest manifest;
        QString error;
        QVERIFY(!manifest.parse(text, &error));
        QVERIFY2(error.contains(complaint), qPrintable(error));
    }

    void manifestExpandsButtons()
    {
        SkinManifest manifest;
        QString error;
        QVERIFY(manifest.parse("# comment\n\nbutton X_Y 12x7 tool glyph=line\n"
                               "image OSD/Z 3x4 osd glyph=stop",
                               &error));
        QCOMPARE(manifest.entries().size(), 4);
        QCOMPARE(manifest.entries().at(0).path, QStringLiteral("Normal/X_Y"));
        QCOMPARE(manifest.entries().at(2).path, QStringLiteral("Click/X_Y"));
        QCOMPARE(manifest.entries().at(2).state, QStringLiteral("Click"));
        QCOMPARE(manifest.entries().at(1).params.value("glyph"), QStringLiteral("line"));
        QCOMPARE(manifest.entries().at(3).path, QStringLiteral("OSD/Z"));
        QCOMPARE(manifest.entries().at(3).size, QSize(3, 4));
        QCOMPARE(manifest.entries().at(3).line, 4);
    }

private:
    SkinManifest m_manifest;
};

QTEST_GUILESS_MAIN(SkinTest)
#include "tst_skin.moc"
