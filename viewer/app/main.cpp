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

    auto *window = new MainWindow;
    window->show();
    StartupHooks::install(window);
    const int result = QApplication::exec();
    delete window;
    return result;
}
