#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>

// Points the process's home, settings and data folders into a private folder, so that a test
// never reads or writes the user's settings, documents or pictures. Call before the application
// object exists.
inline void useTestHome(const QString &home)
{
    const QByteArray path = QFile::encodeName(home);
    qputenv("HOME", path);
    qputenv("XDG_CONFIG_HOME", path + "/.config");
    qputenv("XDG_DATA_HOME", path + "/.local/share");
    qputenv("XDG_CACHE_HOME", path + "/.cache");
    QDir().mkpath(home + QStringLiteral("/.config"));
}
