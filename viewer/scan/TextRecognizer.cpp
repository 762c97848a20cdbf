#include "TextRecognizer.h"

#include "ScanLog.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

namespace {
// What the engine's cancel hook needs: it is called now and then while words are read, which
// is where the progress is passed on.
struct Watch {
    tesseract::ETEXT_DESC *monitor = nullptr;
    const TextRecognizer::Progress *progress = nullptr;
    int lastPercent = -1;
};

bool cancelHook(void *data, int /*words*/)
{
    auto *watch = static_cast<Watch *>(data);
    const int percent = std::clamp<int>(watch->monitor->progress, 0, 100);
    if (percent == watch->lastPercent || !*watch->progress) {
        return false;
    }
    watch->lastPercent = percent;
    return !(*watch->progress)(percent);
}

QString ownedText(char *text)
{
    const QString result = text != nullptr ? QString::fromUtf8(text) : QString();
    delete[] text;
    return result;
}
} // namespace

TextRecognizer::TextRecognizer(QString language) : m_language(std::move(language)) {}

TextRecognizer::~TextRecognizer()
{
    if (m_api) {
        m_api->End();
    }
}

QString TextRecognizer::languageFor(const QLocale &locale)
{
    return locale.language() == QLocale::German ? QStringLiteral("deu") : QStringLiteral("eng");
}

bool TextRecognizer::isAvailable()
{
    if (!m_tried) {
        m_tried = true;
        m_api = std::make_unique<tesseract::TessBaseAPI>();
        // The engine reads its language packs from TESSDATA_PREFIX, or its installed folder.
        m_ready =
            m_api->Init(nullptr, m_language.toUtf8().constData(), tesseract::OEM_LSTM_ONLY) == 0;
        if (!m_ready) {
            qCDebug(lcScan) << "text recognition: language pack" << m_language
                            << "could not be loaded";
            m_api.reset();
        } else {
            m_api->SetPageSegMode(tesseract::PSM_AUTO);
        }
    }
    return m_ready;
}

RecognizedText TextRecognizer::recognize(const QImage &page, double dpi, const Progress &progress)
{
    if (page.isNull() || !isAvailable()) {
        return {};
    }
    const double enlargement = std::clamp(kReadingDpi / std::max(dpi, 1.0), 1.0, kMaxEnlargement);
    QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
    if (enlargement > 1.01) {
        grey = grey.scaled(static_cast<int>(grey.width() * enlargement),
                           static_cast<int>(grey.height() * enlargement), Qt::IgnoreAspectRatio,
                           Qt::SmoothTransformation);
    }
    m_api->SetImage(grey.constBits(), grey.width(), grey.height(), 1,
                    static_cast<int>(grey.bytesPerLine()));
    m_api->SetSourceResolution(static_cast<int>(std::lround(dpi * enlargement)));

    tesseract::ETEXT_DESC monitor;
    Watch watch{&monitor, &progress};
    monitor.cancel = &cancelHook;
    monitor.cancel_this = &watch;
    if (m_api->Recognize(&monitor) != 0) {
        qCDebug(lcScan) << "text recognition stopped or failed";
        m_api->Clear();
        return {};
    }

    RecognizedText result;
    result.text = ownedText(m_api->GetUTF8Text()).trimmed();
    std::unique_ptr<tesseract::ResultIterator> words(m_api->GetIterator());
    if (words) {
        do {
            const QString text = ownedText(words->GetUTF8Text(tesseract::RIL_WORD)).trimmed();
            int left = 0;
            int top = 0;
            int right = 0;
            int bottom = 0;
            if (text.isEmpty() ||
                !words->BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom)) {
                continue;
            }
            result.words.append(
                {text, QRectF(left / enlargement, top / enlargement, (right - left) / enlargement,
                              (bottom - top) / enlargement)});
        } while (words->Next(tesseract::RIL_WORD));
    }
    m_api->Clear();
    if (progress) {
        progress(100);
    }
    return result;
}
