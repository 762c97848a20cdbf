#pragma once

#include <QIODevice>
#include <QSaveFile>

// A file that appears whole or not at all: written beside its name and renamed into place by
// commit(), and only when every byte written reached it.
//
// QSaveFile alone is not enough on a full disk: a write that fails there is not always
// remembered by it, so its commit() can put a truncated file in place. Every write is checked
// here instead, and one failure fails the commit.
class WholeFile : public QIODevice {
    Q_OBJECT

public:
    explicit WholeFile(const QString &path);

    // Opens the temporary file for writing.
    bool open();
    // Renames the file into place if every write succeeded; otherwise removes it and leaves
    // the target as it was. False on any failure (errorString() says why).
    bool commit();

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    QSaveFile m_file;
    bool m_failed = false;
};
