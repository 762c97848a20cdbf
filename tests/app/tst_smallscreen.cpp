#include "Config.h"
#include "FakeLiveControl.h"
#include "MainWindow.h"
#include "TestHome.h"
#include "ToolWindow.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

// The main window on a 1024 x 768 screen, a common projector: every tool window opens wholly
// inside the screen, so that its controls (the settings window's OK and Cancel) can be reached.
class SmallScreenTest : public QObject {
    Q_OBJECT

private slots:
    void everyToolWindowOpensInsideTheScreen();
};

void SmallScreenTest::everyToolWindowOpensInsideTheScreen()
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(screen.size(), QSize(1024, 768));

    MainWindow window(FakeLiveControl::factory(std::make_shared<QStringList>()));
    // The window's own corner positions: at the top left, and pushed to the bottom right.
    for (const QPoint corner : {screen.topLeft(), QPoint(screen.right() - 400, 200)}) {
        window.move(corner);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const char *slot :
             {"settings", "lineHold", "rectangleHold", "freehandHold", "circleHold", "arrowHold",
              "triangleHold", "eraseHold", "textHold", "maskHold", "effectHold"}) {
            QVERIFY(QMetaObject::invokeMethod(&window, slot));
            ToolWindow *tool = window.openToolWindow();
            QVERIFY2(tool != nullptr, slot);
            QVERIFY2(screen.contains(tool->frameGeometry()),
                     qPrintable(QStringLiteral("%1 at (%2, %3) %4 x %5")
                                    .arg(QLatin1String(slot))
                                    .arg(tool->x())
                                    .arg(tool->y())
                                    .arg(tool->width())
                                    .arg(tool->height())));
        }
        // Moving the main window takes the open one along, still inside.
        window.move(corner + QPoint(0, 40));
        QVERIFY(screen.contains(window.openToolWindow()->frameGeometry()));
    }
}

int main(int argc, char **argv)
{
    QTemporaryDir home;
    useTestHome(home.path());
    // The offscreen platform with one 1024 x 768 screen.
    const QString config = home.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return 1;
    }
    file.write(R"({"screens": [{"name": "projector", "x": 0, "y": 0, "width": 1024,
                 "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Morvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Document Camera"));
    SmallScreenTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_smallscreen.moc"
