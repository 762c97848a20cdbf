#pragma once

#include <QString>

class QDir;
class QIODevice;
class ScanDocument;

// Writes a scanned document as one PDF: each page at its paper size, its picture at no more
// than kMaxDpi (JPEG-compressed), and the recognised words as invisible text at their places,
// so that the PDF can be searched and its text copied.
class PdfExporter {
public:
    static constexpr double kMaxDpi = 300.0;

    // Renders the document into device; false when a page could not be read or the device
    // refused the data.
    static bool write(const ScanDocument &document, QIODevice &device);
    // Saves the document in folder under the first free name of stem (".pdf"), never replacing
    // a file. The PDF appears whole or not at all: it is written beside its name and renamed at
    // the end. The file's path, or empty on failure (no file is left behind).
    static QString save(const ScanDocument &document, const QDir &folder, const QString &stem);
};
