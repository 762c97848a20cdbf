#include "MainWindow.h"
#include "StartupHooks.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTranslator>

int main()
{
    // The program takes no arguments, and the toolkit takes no options from a command line.
    int argumentCount = 0;
    QApplication application(argumentCount, nullptr);
    StartupHooks::addOwnPluginFolder();

    QTranslator translator;
    (void)translator.load(QCoreApplication::applicationDirPath() + QStringLiteral("/RZ8NE.qm"));
    QApplication::installTranslator(&translator);

    QCoreApplication::setOrganizationName(QStringLiteral("Morvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Document Camera"));

    StartupHooks::boundImageDecoding(); // before any picture is decoded
    auto *window = new MainWindow;
    window->show();
    StartupHooks::install(window);
    // Recordings end cleanly on signals and at session end, and are mended at start when an
    // earlier run was cut off.
    StartupHooks::protectRecordings(window);
    const int result = QApplication::exec();
    delete window;
    return result;
}
