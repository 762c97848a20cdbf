#pragma once

#include "RecognizedText.h"

#include <QImage>
#include <QString>
#include <functional>
#include <memory>

class QLocale;

namespace tesseract {
class TessBaseAPI;
}

// Reads the text of a straightened page, word by word with boxes.
//
// One recognizer per thread: it keeps the recognition engine loaded between pages.
class TextRecognizer {
public:
    // Pages below this resolution are enlarged for reading (the engine reads small print best at
    // about 300 dots per inch), at most by kMaxEnlargement.
    static constexpr double kReadingDpi = 300.0;
    static constexpr double kMaxEnlargement = 3.0;

    // Percent done (0..100); returns false to stop reading.
    using Progress = std::function<bool(int percent)>;

    // language: the engine's language code ("eng", "deu").
    explicit TextRecognizer(QString language);
    ~TextRecognizer();
    TextRecognizer(const TextRecognizer &) = delete;
    TextRecognizer &operator=(const TextRecognizer &) = delete;

    // The language code for the viewer's language (German reads "deu", every other "eng").
    static QString languageFor(const QLocale &locale);

    // False when the engine could not load the language (its pack is missing).
    bool isAvailable();
    const QString &language() const { return m_language; }

    // The page's words and text; dpi is the page's resolution. Empty for a blank page, and when
    // the language is not available or reading was stopped.
    RecognizedText recognize(const QImage &page, double dpi, const Progress &progress = {});

private:
    QString m_language;
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
    bool m_tried = false;
    bool m_ready = false;
};
