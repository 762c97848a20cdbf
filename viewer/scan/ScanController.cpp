#include "ScanController.h"

#include "PageDetector.h"
#include "PdfExporter.h"
#include "ScanLog.h"

#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

namespace {
constexpr double kMmPerInch = 25.4;

QPolygonF wholePicture(const QImage &frame)
{
    const double right = frame.width() - 1;
    const double bottom = frame.height() - 1;
    return QPolygonF({{0, 0}, {right, 0}, {right, bottom}, {0, bottom}});
}
} // namespace

ScanController::ScanController(FrameProvider frames, OutlineSink outline, NoticeSink notice,
                               const QString &storageFolder, const QString &language,
                               QObject *parent)
    : QObject(parent), m_frames(std::move(frames)), m_outline(std::move(outline)),
      m_notice(std::move(notice)), m_document(storageFolder), m_worker(language)
{
    m_clock.start();
    m_autoTimer.setInterval(kAutoCaptureIntervalMs);
    connect(&m_autoTimer, &QTimer::timeout, this, [this] { feedFrame(m_frames()); });
    m_outlineTimer.setSingleShot(true);
    m_outlineTimer.setInterval(kOutlineMs);
    connect(&m_outlineTimer, &QTimer::timeout, this, [this] { m_outline({}); });
    connect(&m_worker, &RecognitionWorker::recognized, this, &ScanController::onRecognized);
    connect(&m_worker, &RecognitionWorker::progress, this, &ScanController::onProgress);
    connect(&m_worker, &RecognitionWorker::dropped, this, &ScanController::settle);
    connect(&m_worker, &RecognitionWorker::unavailable, this, [this](const QString &lang) {
        m_languageMissing = true;
        m_missingLanguage = lang;
        noticeMissingLanguage();
        const QSet<QString> outstanding = m_outstanding;
        for (const QString &id : outstanding) {
            settle(id);
        }
    });
    // A document kept from the last run: read what was not read then.
    for (int i = 0; i < m_document.count(); ++i) {
        if (!m_document.page(i).recognized) {
            queueRecognition(i);
        }
    }
    m_current = m_document.count() - 1;
}

ScanController::~ScanController()
{
    if (m_straightener.joinable()) {
        m_straightener.join();
    }
}

QString ScanController::defaultStorageFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/scan");
}

void ScanController::scanPage()
{
    if (m_straightening) {
        return; // the last page is still being taken
    }
    const QImage frame = m_frames();
    if (frame.isNull()) {
        m_notice(tr("There is no camera picture to scan."));
        return;
    }
    const PageDetector::Result page = PageDetector::detect(frame);
    const QPolygonF corners = page.found ? page.corners : wholePicture(frame);
    m_outline(corners);
    m_outlineTimer.start();
    m_takenFrame = frame;
    m_takenFound = page.found;
    m_straightening = true;
    m_straightener = std::thread([this, frame, corners, cleaning = m_cleaning] {
        PageWarp::Page page = PageWarp::straighten(frame, corners, cleaning);
        {
            const std::lock_guard lock(m_straightenedLock);
            m_straightened = std::move(page);
        }
        QMetaObject::invokeMethod(this, &ScanController::takePage, Qt::QueuedConnection);
    });
}

void ScanController::takePage()
{
    m_straightener.join();
    m_straightening = false;
    PageWarp::Page page;
    {
        const std::lock_guard lock(m_straightenedLock);
        page = std::move(*m_straightened);
        m_straightened.reset();
    }
    const QImage frame = std::exchange(m_takenFrame, QImage());
    const int index = m_document.add(page.image, page.sizeMm);
    if (index < 0) {
        m_notice(tr("The page could not be stored."));
        return;
    }
    m_current = index;
    if (autoCapture()) {
        m_autoCapture.rebase(frame);
    }
    emit documentChanged();
    m_notice(m_takenFound ? tr("Page %1 scanned.").arg(index + 1)
                          : tr("No page found: page %1 is the whole picture.").arg(index + 1));
    queueRecognition(index);
}

void ScanController::queueRecognition(int index)
{
    if (m_languageMissing) {
        return;
    }
    const ScanPage &page = m_document.page(index);
    const QImage image = m_document.image(index);
    const double dpi =
        page.sizeMm.width() > 0 ? image.width() / (page.sizeMm.width() / kMmPerInch) : 0.0;
    ++m_queued;
    m_outstanding.insert(page.id);
    m_worker.enqueue(page.id, image, dpi);
    onProgress({}, 0);
}

void ScanController::onProgress(const QString & /*id*/, int percent)
{
    if (m_queued > 0) {
        const int done = m_queued - static_cast<int>(m_outstanding.size());
        emit recognitionProgress((done * 100 + percent) / m_queued);
    }
}

void ScanController::onRecognized(const QString &id, const RecognizedText &text)
{
    if (!m_outstanding.contains(id)) {
        return; // the page was deleted meanwhile
    }
    if (!m_document.setText(id, text)) {
        qCDebug(lcScan) << "the text of page" << id << "was not kept";
    }
    emit documentChanged();
    settle(id);
}

void ScanController::settle(const QString &id)
{
    if (!m_outstanding.remove(id)) {
        return;
    }
    if (!m_outstanding.isEmpty()) {
        onProgress({}, 0);
        return;
    }
    m_queued = 0;
    emit recognitionProgress(100);
    if (!m_saveFolder.isEmpty()) {
        saveNow(std::exchange(m_saveFolder, QString()));
    }
}

void ScanController::savePdf(const QString &folder)
{
    if (m_document.count() == 0) {
        m_notice(tr("There are no scanned pages to save."));
        return;
    }
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        m_notice(tr("Please select a snapshot folder first."));
        return;
    }
    if (!m_outstanding.isEmpty()) {
        m_saveFolder = folder;
        m_notice(tr("The PDF is saved when the text of every page has been read."));
        return;
    }
    saveNow(folder);
}

void ScanController::saveNow(const QString &folder)
{
    const QString stem =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss"));
    const QString path = PdfExporter::save(m_document, QDir(folder), stem);
    if (path.isEmpty()) {
        m_notice(tr("The PDF could not be saved; the scanned pages are kept."));
        return;
    }
    m_document.discard();
    m_current = -1;
    emit documentChanged();
    emit pdfSaved(path);
    m_notice(tr("Saved %1.").arg(QFileInfo(path).fileName()));
}

void ScanController::copyText()
{
    if (m_current < 0 || m_current >= m_document.count()) {
        m_notice(tr("There is no scanned page."));
        return;
    }
    const ScanPage &page = m_document.page(m_current);
    if (!page.recognized && m_languageMissing) {
        noticeMissingLanguage();
        return;
    }
    if (!page.recognized) {
        m_notice(tr("The text of this page is still being read."));
        return;
    }
    if (page.text.text.isEmpty()) {
        m_notice(tr("There is no text on this page."));
        return;
    }
    QGuiApplication::clipboard()->setText(page.text.text);
    m_notice(tr("The text of page %1 is on the clipboard.").arg(m_current + 1));
}

void ScanController::setAutoCapture(bool on)
{
    if (on == autoCapture()) {
        return;
    }
    if (on) {
        m_autoCapture.rebase(m_frames());
        m_autoTimer.start();
    } else {
        m_autoTimer.stop();
    }
    emit autoCaptureChanged(on);
}

void ScanController::feedFrame(const QImage &frame)
{
    if (m_autoCapture.feed(frame, m_clock.elapsed())) {
        scanPage();
    }
}

void ScanController::setCurrentPage(int index)
{
    if (index >= -1 && index < m_document.count()) {
        m_current = index;
    }
}

void ScanController::removePage(int index)
{
    if (index < 0 || index >= m_document.count()) {
        return;
    }
    const QString id = m_document.page(index).id;
    if (!m_document.remove(index)) {
        m_notice(tr("The page could not be deleted."));
        return;
    }
    // Whatever the worker still says about the page is ignored from now on.
    m_worker.cancel(id);
    settle(id);
    m_current = std::min(m_current, m_document.count() - 1);
    emit documentChanged();
}

void ScanController::movePage(int from, int to)
{
    if (m_document.move(from, to)) {
        if (m_current == from) {
            m_current = to;
        }
        emit documentChanged();
    }
}

void ScanController::discard()
{
    m_saveFolder.clear();
    m_worker.cancelAll();
    m_outstanding.clear();
    m_queued = 0;
    emit recognitionProgress(100);
    m_document.discard();
    m_current = -1;
    emit documentChanged();
}

void ScanController::noticeMissingLanguage()
{
    m_notice(tr("Text recognition is not available: the language pack \"%1\" is not "
                "installed. The pages are kept without text.")
                 .arg(m_missingLanguage));
}

void ScanController::setCleaning(PageWarp::Cleaning cleaning)
{
    m_cleaning = cleaning;
}
