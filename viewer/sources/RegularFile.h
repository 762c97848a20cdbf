#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A file opened for reading only when its name leads to a regular file. The name is resolved
// once: the open itself never blocks (a FIFO or a device is refused after the open, not
// waited on), the type is taken from the opened descriptor, and later readers reach the very
// same file through procPath() instead of looking the name up again.
class RegularFile {
public:
    explicit RegularFile(const QString &path);
    ~RegularFile();
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    qint64 size() const { return m_size; }
    // A name that opens this file again, whatever happens to the original name meanwhile.
    QString procPath() const;
    // Up to count bytes from the start of the file (empty when nothing can be read).
    QByteArray head(qint64 count) const;

private:
    int m_fd = -1;
    qint64 m_size = 0;
};
