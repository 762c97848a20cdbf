#pragma once

#include "TestHome.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

// main() of a test of the main window: a private home folder, the offscreen platform and the
// program's organisation and application names (which decide where the settings live).
#define DOCCAM_APP_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        QTemporaryDir home;                                                                        \
        useTestHome(home.path());                                                                  \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        QApplication application(argc, argv);                                                      \
        QCoreApplication::setOrganizationName(QStringLiteral("Morvale"));                          \
        QCoreApplication::setApplicationName(QStringLiteral("Document Camera"));                   \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
