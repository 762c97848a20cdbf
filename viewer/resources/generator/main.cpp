// skin_generator: draws every bitmap of the skin manifest and writes the resource list.
//
//   skin_generator <manifest> <output folder> <qrc file>   writes <output>/icons/... and the .qrc
//   skin_generator <manifest> --sheet <png file>            draws a contact sheet for review
#include "SkinManifest.h"
#include "SkinPainter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QPainter>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "skin_generator: %s\n", qPrintable(message));
    return 1;
}

int generate(const SkinManifest &manifest, const QString &outputDir, const QString &qrcFile)
{
    QString qrc;
    QTextStream out(&qrc);
    out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const SkinEntry &entry : manifest.entries()) {
        QString error;
        const QImage image = SkinPainter::render(entry, &error);
        if (image.isNull()) {
            return fail(
                QStringLiteral("manifest line %1 (%2): %3").arg(entry.line).arg(entry.path, error));
        }
        const QString relative = QStringLiteral("icons/") + entry.path + QStringLiteral(".png");
        const QString file = outputDir + QLatin1Char('/') + relative;
        if (!QDir().mkpath(QFileInfo(file).absolutePath()) || !image.save(file, "PNG")) {
            return fail(QStringLiteral("cannot write %1").arg(file));
        }
        out << "  <file>" << relative << "</file>\n";
    }
    out << "</qresource>\n</RCC>\n";
    out.flush();
    QSaveFile file(qrcFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(qrc.toUtf8()) < 0 || !file.commit()) {
        return fail(QStringLiteral("cannot write %1").arg(qrcFile));
    }
    return 0;
}

// One cell per button (its three faces side by side) or image, grouped by folder.
int contactSheet(const SkinManifest &manifest, const QString &sheetFile)
{
    struct Cell {
        QString label;
        QList<QImage> images;
    };
    QMap<QString, Cell> cells;
    for (const SkinEntry &entry : manifest.entries()) {
        QString error;
        QImage image = SkinPainter::render(entry, &error);
        if (image.isNull()) {
            return fail(QStringLiteral("%1: %2").arg(entry.path, error));
        }
        const QString name = entry.path.section(QLatin1Char('/'), -1);
        const QString key = entry.state.isEmpty() ? entry.path : QStringLiteral("Button/") + name;
        if (image.width() > 330 || image.height() > 130) {
            image = image.scaled(330, 130, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        Cell &cell = cells[key];
        cell.label =
            QStringLiteral("%1 %2x%3").arg(name).arg(entry.size.width()).arg(entry.size.height());
        cell.images.append(image);
    }
    const int sheetWidth = 1400, gap = 12, labelHeight = 14;
    QList<QPair<QRect, const Cell *>> placed;
    int x = gap, y = gap, rowHeight = 0;
    for (const Cell &cell : cells) {
        int w = 0, h = 0;
        for (const QImage &image : cell.images) {
            w += image.width() + 4;
            h = qMax(h, image.height());
        }
        w = qMax(w, 120);
        if (x + w > sheetWidth - gap) {
            x = gap;
            y += rowHeight + labelHeight + gap;
            rowHeight = 0;
        }
        placed.append({QRect(x, y, w, h), &cell});
        x += w + gap;
        rowHeight = qMax(rowHeight, h);
    }
    QImage sheet(sheetWidth, y + rowHeight + labelHeight + gap, QImage::Format_RGB32);
    sheet.fill(QColor(0x5a, 0x5e, 0x66));
    QPainter p(&sheet);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    p.setFont(font);
    for (const auto &[rect, cell] : placed) {
        int cx = rect.x();
        for (const QImage &image : cell->images) {
            p.drawImage(cx, rect.y(), image);
            cx += image.width() + 4;
        }
        p.setPen(Qt::white);
        p.drawText(QPoint(rect.x(), rect.bottom() + labelHeight), cell->label);
    }
    p.end();
    return sheet.save(sheetFile) ? 0 : fail(QStringLiteral("cannot write %1").arg(sheetFile));
}

} // namespace

int main(int argc, char **argv)
{
    const bool sheet = argc == 4 && QByteArray(argv[2]) == "--sheet";
    if (argc != 4) {
        return fail(QStringLiteral("usage: skin_generator <manifest> <output dir> <qrc file> | "
                                   "<manifest> --sheet <png>"));
    }
    // Only the contact sheet writes text, which needs the font machinery of a GUI application.
    if (sheet && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::unique_ptr<QGuiApplication> app;
    if (sheet) {
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    SkinManifest manifest;
    QString error;
    if (!manifest.load(QString::fromLocal8Bit(argv[1]), &error)) {
        return fail(error);
    }
    if (sheet) {
        return contactSheet(manifest, QString::fromLocal8Bit(argv[3]));
    }
    return generate(manifest, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
}
