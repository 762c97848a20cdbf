#include "MainWindow.h"
#include "StartupHooks.h"
#include "TranslationLoader.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

int main(int argc, char **argv)
{
    // The program takes no arguments of its own; the toolkit gets the real ones, so that the
    // window system learns the program's name (its window class) and the toolkit's own options
    // work.
    QApplication application(argc, argv);
    // Matches the installed desktop entry, which launchers and docks pair the window with.
    QGuiApplication::setDesktopFileName(QStringLiteral("doccam-viewer"));
    StartupHooks::addOwnPluginFolder();

    QTranslator translator;
    const QString programFolder = QCoreApplication::applicationDirPath();
    (void)TranslationLoader::load(translator, programFolder,
                                  TranslationLoader::installedFolder(programFolder),
                                  QLocale::system());
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
