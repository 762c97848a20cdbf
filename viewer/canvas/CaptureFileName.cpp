#include "CaptureFileName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString CaptureFileName::numbered(const QDir &folder, const QString &stem, const QString &suffix,
                                  int n)
{
    return folder.filePath(n <= 1 ? stem + suffix
                                  : QStringLiteral("%1_%2%3").arg(stem).arg(n).arg(suffix));
}

QString CaptureFileName::firstFree(const QDir &folder, const QString &stem, const QString &suffix)
{
    for (int n = 1; n <= kMaxAttempts; ++n) {
        const QString path = numbered(folder, stem, suffix, n);
        // A dangling symbolic link takes the name too: writing through it would create its
        // target somewhere else.
        if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink()) {
            return path;
        }
    }
    return {};
}

bool CaptureFileName::createNew(QFile &file, const QDir &folder, const QString &stem,
                                const QString &suffix)
{
    for (int n = 1; n <= kMaxAttempts; ++n) {
        file.setFileName(numbered(folder, stem, suffix, n));
        // NewOnly creates the file with O_EXCL: it fails on an existing name, links included.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            return true;
        }
        if (!QFileInfo(file.fileName()).exists() && !QFileInfo(file.fileName()).isSymLink()) {
            return false; // not taken, so the folder refused it
        }
    }
    return false;
}
