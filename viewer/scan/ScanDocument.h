#pragma once

#include "RecognizedText.h"

#include <QDir>
#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>

// One page of a document being scanned.
struct ScanPage {
    // Stable while the page exists (its file's name without the suffix).
    QString id;
    QSizeF sizeMm;
    bool recognized = false;
    RecognizedText text;
};

// The pages of a document being scanned, kept in a folder until the document is saved or
// discarded, so that it survives a restart: one PNG file per page and an index file (written
// whole or not at all) with the pages' order, sizes and recognised text.
class ScanDocument {
public:
    static constexpr const char *kIndexName = "index.json";
    static constexpr int kThumbnailHeight = 96;

    // Reads the document kept in folder (created when missing); pages whose file is gone or
    // unreadable are left out.
    explicit ScanDocument(const QString &folder);

    const QDir &folder() const { return m_folder; }
    int count() const { return static_cast<int>(m_pages.size()); }
    const ScanPage &page(int index) const { return m_pages.at(index); }
    // The index of the page with that id, or -1.
    int indexOf(const QString &id) const;
    // The page's picture as scanned (read from its file).
    QImage image(int index) const;
    QImage thumbnail(int index) const { return m_thumbnails.at(index); }

    // Appends a page; its index, or -1 when it could not be stored (the document is unchanged).
    int add(const QImage &image, const QSizeF &sizeMm);
    // False (and nothing changed) for an index out of range or when the index file could not be
    // written.
    bool remove(int index);
    bool move(int from, int to);
    bool setText(const QString &id, const RecognizedText &text);
    // Deletes every page and the index.
    void discard();

private:
    bool writeIndex() const;
    void readIndex();
    QString imagePath(const QString &id) const;

    QDir m_folder;
    QList<ScanPage> m_pages;
    QList<QImage> m_thumbnails;
};
