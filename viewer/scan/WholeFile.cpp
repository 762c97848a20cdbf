#include "WholeFile.h"

#include "ScanLog.h"

#include <cerrno>

WholeFile::WholeFile(const QString &path) : m_file(path) {}

bool WholeFile::open()
{
    if (!m_file.open(QIODevice::WriteOnly)) {
        setErrorString(m_file.errorString());
        return false;
    }
    m_failed = false;
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool WholeFile::commit()
{
    close();
    if (m_failed || !m_file.flush()) {
        qCDebug(lcScan) << m_file.fileName() << "not written whole:" << errorString();
        m_file.cancelWriting();
        m_file.commit(); // removes the temporary file
        return false;
    }
    if (!m_file.commit()) {
        setErrorString(m_file.errorString());
        qCDebug(lcScan) << m_file.fileName() << "not put in place:" << errorString();
        return false;
    }
    return true;
}

qint64 WholeFile::readData(char * /*data*/, qint64 /*maxSize*/)
{
    return -1;
}

qint64 WholeFile::writeData(const char *data, qint64 size)
{
    if (m_failed) {
        return -1;
    }
    const qint64 written = m_file.write(data, size);
    if (written != size) {
        m_failed = true;
        // The file's own error is often empty here; the system's says why (a full disk).
        setErrorString(qt_error_string(errno));
        return -1;
    }
    return written;
}
