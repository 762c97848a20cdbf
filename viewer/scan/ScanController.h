#pragma once

#include "AutoCapture.h"
#include "PageWarp.h"
#include "RecognitionWorker.h"
#include "ScanDocument.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPolygonF>
#include <QSet>
#include <QTimer>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Scanning paper into a searchable PDF, for the window: finds the page in the camera's picture,
// shows its outline, straightens it into the document being built, reads its text on a worker
// thread and saves the document as one PDF.
class ScanController : public QObject {
    Q_OBJECT

public:
    // The camera's last picture at full resolution (null when there is none).
    using FrameProvider = std::function<QImage()>;
    // Shows a page's outline over the picture, in the picture's pixels; empty clears it.
    using OutlineSink = std::function<void(const QPolygonF &)>;
    // Shows a short notice over the picture.
    using NoticeSink = std::function<void(const QString &)>;

    // How long the found outline shows.
    static constexpr int kOutlineMs = 1500;
    // How often auto capture looks at the picture.
    static constexpr int kAutoCaptureIntervalMs = 200;

    // storageFolder keeps the document being built (defaultStorageFolder() in the viewer);
    // language is the text recognition's (TextRecognizer::languageFor).
    ScanController(FrameProvider frames, OutlineSink outline, NoticeSink notice,
                   const QString &storageFolder, const QString &language,
                   QObject *parent = nullptr);
    ~ScanController() override;

    // AppDataLocation + "/scan".
    static QString defaultStorageFolder();

    const ScanDocument &document() const { return m_document; }
    int currentPage() const { return m_current; }
    bool autoCapture() const { return m_autoTimer.isActive(); }
    PageWarp::Cleaning cleaning() const { return m_cleaning; }
    // Pages whose text is still being read.
    int pendingRecognition() const { return static_cast<int>(m_outstanding.size()); }

public slots:
    // Finds the page in the camera's picture, shows it and adds it to the document.
    void scanPage();
    // Saves the document as a PDF in folder (when the text of every page has been read) and
    // then starts a new one; on failure the document is kept.
    void savePdf(const QString &folder);
    // Puts the current page's text on the clipboard.
    void copyText();
    void setAutoCapture(bool on);
    // One camera picture for auto capture; the page is taken when it is due.
    void feedFrame(const QImage &frame);
    void setCurrentPage(int index);
    void removePage(int index);
    void movePage(int from, int to);
    void discard();
    void setCleaning(PageWarp::Cleaning cleaning);

signals:
    void documentChanged();
    // Text recognition: percent done of the pages queued; 100 when nothing is left.
    void recognitionProgress(int percent);
    void pdfSaved(const QString &path);
    void autoCaptureChanged(bool on);

private:
    // The straightened page is ready (from the worker).
    void takePage();
    void queueRecognition(int index);
    void onRecognized(const QString &id, const RecognizedText &text);
    void onProgress(const QString &id, int percent);
    // A page queued for reading is done with (read, dropped or cancelled).
    void settle(const QString &id);
    void saveNow(const QString &folder);
    void noticeMissingLanguage();

    FrameProvider m_frames;
    OutlineSink m_outline;
    NoticeSink m_notice;
    ScanDocument m_document;
    RecognitionWorker m_worker;
    AutoCapture m_autoCapture;
    PageWarp::Cleaning m_cleaning = PageWarp::Cleaning::Document;
    QTimer m_autoTimer;
    QTimer m_outlineTimer;
    // Straightening a page being taken, off the window's thread (a large picture takes a
    // second), with the picture it came from and whether a page was found in it.
    // The page being straightened, on a thread of its own; its result is handed over under the
    // lock (a pool of the toolkit's would hand it over where ThreadSanitizer cannot see).
    std::thread m_straightener;
    std::mutex m_straightenedLock;
    std::optional<PageWarp::Page> m_straightened;
    bool m_straightening = false;
    QImage m_takenFrame;
    bool m_takenFound = false;
    QElapsedTimer m_clock;
    int m_current = -1;
    bool m_languageMissing = false;
    QString m_missingLanguage;
    // Pages queued for reading and not yet read; how many were queued since it was last empty.
    QSet<QString> m_outstanding;
    int m_queued = 0;
    QString m_saveFolder;
};
