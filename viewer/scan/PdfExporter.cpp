#include "PdfExporter.h"

#include "CaptureFileName.h"
#include "ScanDocument.h"
#include "ScanLog.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

namespace {
constexpr double kMmPerInch = 25.4;

// The words drawn with a transparent pen: a PDF reader finds and copies them, nobody sees them.
// Each word is stretched to its box so that a selection covers the printed word.
void drawWords(QPainter &painter, const QList<RecognizedWord> &words, double scale)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    painter.setPen(QColor(0, 0, 0, 0));
    for (const RecognizedWord &word : words) {
        const QRectF box(word.box.x() * scale, word.box.y() * scale, word.box.width() * scale,
                         word.box.height() * scale);
        if (box.width() < 1.0 || box.height() < 1.0) {
            continue;
        }
        font.setPixelSize(std::max(1, static_cast<int>(box.height())));
        const QFontMetricsF metrics(font, painter.device());
        const double advance = metrics.horizontalAdvance(word.text);
        if (advance <= 0.0) {
            continue;
        }
        painter.save();
        painter.setFont(font);
        painter.translate(box.left(), box.top() + box.height() * metrics.ascent() /
                                                      (metrics.ascent() + metrics.descent()));
        painter.scale(box.width() / advance, 1.0);
        painter.drawText(QPointF(0.0, 0.0), word.text);
        painter.restore();
    }
}
} // namespace

bool PdfExporter::write(const ScanDocument &document, QIODevice &device)
{
    if (document.count() == 0) {
        return false;
    }
    QPdfWriter writer(&device);
    writer.setResolution(static_cast<int>(kMaxDpi));
    writer.setCreator(QStringLiteral("Document Camera"));
    QPainter painter;
    for (int i = 0; i < document.count(); ++i) {
        const ScanPage &page = document.page(i);
        writer.setPageSize(QPageSize(page.sizeMm, QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        if (i == 0 ? !painter.begin(&writer) : !writer.newPage()) {
            qCDebug(lcScan) << "PDF page" << i + 1 << "not started";
            return false;
        }
        QImage image = document.image(i);
        if (image.isNull()) {
            qCDebug(lcScan) << "PDF not written: page" << i + 1 << "is unreadable";
            painter.end();
            return false;
        }
        const QSizeF target(page.sizeMm.width() / kMmPerInch * kMaxDpi,
                            page.sizeMm.height() / kMmPerInch * kMaxDpi);
        const double scale = target.width() / image.width();
        if (image.width() > target.width() * 1.01) {
            // Above the highest resolution: the PDF would be larger, not sharper.
            image = image.scaled(target.toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        painter.drawImage(QRectF(QPointF(0, 0), target), image);
        drawWords(painter, page.text.words, scale);
    }
    return painter.end();
}

QString PdfExporter::save(const ScanDocument &document, const QDir &folder, const QString &stem)
{
    // The name is taken first (exclusively, so no other writer gets it), then the PDF replaces
    // the empty file in one rename once it is complete.
    QFile name;
    if (!CaptureFileName::createNew(name, folder, stem, QStringLiteral(".pdf"))) {
        qCDebug(lcScan) << "PDF not saved: no free name in" << folder.path() << name.errorString();
        return {};
    }
    name.close();
    WholeFile file(name.fileName());
    if (!file.open() || !write(document, file) || !file.commit()) {
        qCDebug(lcScan) << "PDF not saved:" << file.errorString();
        QFile::remove(name.fileName());
        return {};
    }
    return name.fileName();
}
