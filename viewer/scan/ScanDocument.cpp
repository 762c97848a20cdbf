#include "ScanDocument.h"

#include "ScanLog.h"
#include "WholeFile.h"

#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

namespace {
QImage thumbnailOf(const QImage &image)
{
    return image.scaledToHeight(ScanDocument::kThumbnailHeight, Qt::SmoothTransformation);
}

QJsonObject pageJson(const ScanPage &page)
{
    QJsonArray words;
    for (const RecognizedWord &word : page.text.words) {
        words.append(
            QJsonArray{word.text, word.box.x(), word.box.y(), word.box.width(), word.box.height()});
    }
    return {{"id", page.id},
            {"widthMm", page.sizeMm.width()},
            {"heightMm", page.sizeMm.height()},
            {"recognized", page.recognized},
            {"text", page.text.text},
            {"words", words}};
}

ScanPage pageFromJson(const QJsonObject &json)
{
    ScanPage page;
    page.id = json.value("id").toString();
    page.sizeMm = QSizeF(json.value("widthMm").toDouble(), json.value("heightMm").toDouble());
    page.recognized = json.value("recognized").toBool();
    page.text.text = json.value("text").toString();
    for (const QJsonValue &value : json.value("words").toArray()) {
        const QJsonArray word = value.toArray();
        if (word.size() == 5) {
            page.text.words.append(
                {word[0].toString(), QRectF(word[1].toDouble(), word[2].toDouble(),
                                            word[3].toDouble(), word[4].toDouble())});
        }
    }
    return page;
}
} // namespace

ScanDocument::ScanDocument(const QString &folder) : m_folder(folder)
{
    if (!m_folder.mkpath(QStringLiteral("."))) {
        qCDebug(lcScan) << "scan folder" << folder << "cannot be created";
    }
    readIndex();
}

int ScanDocument::indexOf(const QString &id) const
{
    for (int i = 0; i < count(); ++i) {
        if (m_pages[i].id == id) {
            return i;
        }
    }
    return -1;
}

QImage ScanDocument::image(int index) const
{
    return QImage(imagePath(m_pages.at(index).id));
}

int ScanDocument::add(const QImage &image, const QSizeF &sizeMm)
{
    ScanPage page;
    page.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    page.sizeMm = sizeMm;
    WholeFile file(imagePath(page.id));
    if (image.isNull() || !file.open() || !image.save(&file, "PNG") || !file.commit()) {
        qCDebug(lcScan) << "page not stored:" << file.errorString();
        return -1;
    }
    m_pages.append(page);
    m_thumbnails.append(thumbnailOf(image));
    if (!writeIndex()) {
        m_pages.removeLast();
        m_thumbnails.removeLast();
        QFile::remove(imagePath(page.id));
        return -1;
    }
    return count() - 1;
}

bool ScanDocument::remove(int index)
{
    if (index < 0 || index >= count()) {
        return false;
    }
    const ScanPage page = m_pages.takeAt(index);
    const QImage thumbnail = m_thumbnails.takeAt(index);
    if (!writeIndex()) {
        m_pages.insert(index, page);
        m_thumbnails.insert(index, thumbnail);
        return false;
    }
    QFile::remove(imagePath(page.id));
    return true;
}

bool ScanDocument::move(int from, int to)
{
    if (from < 0 || from >= count() || to < 0 || to >= count()) {
        return false;
    }
    m_pages.move(from, to);
    m_thumbnails.move(from, to);
    if (!writeIndex()) {
        m_pages.move(to, from);
        m_thumbnails.move(to, from);
        return false;
    }
    return true;
}

bool ScanDocument::setText(const QString &id, const RecognizedText &text)
{
    const int index = indexOf(id);
    if (index < 0) {
        return false;
    }
    ScanPage &page = m_pages[index];
    page.text = text;
    page.recognized = true;
    return writeIndex();
}

void ScanDocument::discard()
{
    for (const ScanPage &page : std::as_const(m_pages)) {
        QFile::remove(imagePath(page.id));
    }
    m_pages.clear();
    m_thumbnails.clear();
    QFile::remove(m_folder.filePath(kIndexName));
}

bool ScanDocument::writeIndex() const
{
    QJsonArray pages;
    for (const ScanPage &page : m_pages) {
        pages.append(pageJson(page));
    }
    WholeFile file(m_folder.filePath(kIndexName));
    if (!file.open() || file.write(QJsonDocument(QJsonObject{{"pages", pages}}).toJson()) < 0 ||
        !file.commit()) {
        qCDebug(lcScan) << "scan index not written:" << file.errorString();
        return false;
    }
    return true;
}

void ScanDocument::readIndex()
{
    QFile file(m_folder.filePath(kIndexName));
    if (!file.open(QIODevice::ReadOnly)) {
        return; // no document kept
    }
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError) {
        qCDebug(lcScan) << "scan index unreadable:" << error.errorString();
        return;
    }
    for (const QJsonValue &value : json.object().value("pages").toArray()) {
        ScanPage page = pageFromJson(value.toObject());
        // An id names a file in the folder: nothing that leads out of it.
        if (QUuid::fromString(page.id).isNull()) {
            continue;
        }
        // A page needs a paper size to be written into a PDF.
        if (page.sizeMm.isEmpty()) {
            page.sizeMm = QSizeF(210, 297);
        }
        const QImage image(imagePath(page.id));
        if (image.isNull()) {
            qCDebug(lcScan) << "scanned page" << page.id << "is missing";
            continue;
        }
        m_pages.append(page);
        m_thumbnails.append(thumbnailOf(image));
    }
}

QString ScanDocument::imagePath(const QString &id) const
{
    return m_folder.filePath(id + QStringLiteral(".png"));
}
