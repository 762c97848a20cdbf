#pragma once

#include <QString>

// Recordings for the tests: AVI files as the viewer writes them, and as a writer that was
// cut off leaves them.
namespace Recordings {

// Rewrites a finished AVI file the way a writer killed before its end leaves it: no index,
// the "movi" list and the file with their placeholder sizes. With cutBytes > 0 the file also
// loses that many bytes at its end (a frame written only in part).
bool cutOff(const QString &path, int cutBytes = 0);

// What ffprobe reports: the duration in seconds (-1 when it states none) and the number of
// video frames it reads.
struct Probe {
    double duration = -1;
    int frames = -1;
};
Probe probe(const QString &path);

QByteArray contents(const QString &path);

} // namespace Recordings
