#pragma once

#include <QString>

class QDir;
class QFile;

// Names of snapshot and recording files that never replace an existing file.
//
// The first file of a stem is "<stem><suffix>"; when that name is taken, "<stem>_2<suffix>",
// "<stem>_3<suffix>" and so on, the first free one.
class CaptureFileName {
public:
    // How many numbered names are tried before giving up.
    static constexpr int kMaxAttempts = 10000;

    // The n-th name of a stem (n = 1 is the plain name).
    static QString numbered(const QDir &folder, const QString &stem, const QString &suffix, int n);
    // The first name of the stem that no file has; empty if all kMaxAttempts names are taken.
    static QString firstFree(const QDir &folder, const QString &stem, const QString &suffix);
    // Creates the first free name exclusively (no other writer can take it between the test and
    // the creation) and leaves file open for writing. False when no file could be created (the
    // folder is not writable, or every name is taken); file.errorString() then says why.
    static bool createNew(QFile &file, const QDir &folder, const QString &stem,
                          const QString &suffix);
};
