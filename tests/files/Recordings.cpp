#include "Recordings.h"

#include "ChildProcess.h"

#include <QFile>
#include <QRegularExpression>
#include <QtEndian>

namespace Recordings {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool cutOff(const QString &path, int cutBytes)
{
    QByteArray bytes = contents(path);
    const qsizetype movi = bytes.indexOf("movi");
    const qsizetype index = bytes.lastIndexOf("idx1");
    if (movi < 8 || index < movi) {
        return false;
    }
    bytes.truncate(index);
    // The header's frame counts and stream lengths stay as the writer first wrote them: 0.
    auto zero = [&bytes, movi](const char *chunk, int offset) {
        for (qsizetype at = bytes.indexOf(chunk); at >= 0 && at < movi;
             at = bytes.indexOf(chunk, at + 4)) {
            qToLittleEndian<quint32>(0, bytes.data() + at + 8 + offset);
        }
    };
    zero("avih", 16); // dwTotalFrames
    zero("strh", 32); // dwLength
    zero("dmlh", 0);  // dwTotalFrames of the extended header
    qToLittleEndian<quint32>(4, bytes.data() + movi - 4);
    qToLittleEndian<quint32>(quint32(movi + 4 - 8), bytes.data() + 4);
    if (cutBytes > 0) {
        bytes.chop(cutBytes);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

Probe probe(const QString &path)
{
    std::string printed;
    ChildProcess::run({"ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                       "-show_entries", "stream=nb_read_frames:format=duration", "-of",
                       "default=noprint_wrappers=1", QFile::encodeName(path).toStdString()},
                      ChildProcess::environment(), 60000, &printed);
    const QString output = QString::fromStdString(printed);
    Probe result;
    const auto duration = QRegularExpression("duration=([0-9.]+)").match(output);
    if (duration.hasMatch()) {
        result.duration = duration.captured(1).toDouble();
    }
    const auto frames = QRegularExpression("nb_read_frames=([0-9]+)").match(output);
    if (frames.hasMatch()) {
        result.frames = frames.captured(1).toInt();
    }
    return result;
}

} // namespace Recordings
