#include "LivePage.h"

#include "AppLog.h"
#include "CaptureFileName.h"
#include "Config.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "MainWindow.h"
#include "OSDProcessor.h"
#include "RecordingFormat.h"
#include "ScanController.h"
#include "ScanDocument.h"
#include "ScanStrip.h"
#include "TextRecognizer.h"
#include "TimeLapse.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>

namespace {
constexpr QSize recordingIndicatorSize(60, 37);
} // namespace

LivePage::LivePage(MainWindow &window, LiveControlFactory factory)
    : ModePage(window, {QT_TRANSLATE_NOOP("MainWindow", "Live"), "liveButton", 40,
                        QT_TRANSLATE_NOOP("MainWindow", "Live mode: the camera's picture")}),
      m_factory(std::move(factory))
{
}

LivePage::~LivePage()
{
    if (!m_live) {
        return;
    }
    m_live->setRecordingEndedHandler({});
    if (m_recording) {
        m_live->stopRecord();
    }
    m_live.reset();
}

void LivePage::createControls()
{
    MainWindow &host = window();
    if (m_factory) {
        m_live = m_factory(canvas(), &host);
    }
    if (m_live) {
        m_live->setRecordingEndedHandler([this](bool failed) { recordingEnded(failed); });
    }
    applySettings();
    m_recordButton = host.panelButton(QStringLiteral("ICON_RECORDING"));
    m_snapshotButton = host.panelButton(QStringLiteral("ICON_CAPTURE"));
    ImageButton *freeze = host.panelButton(QStringLiteral("ICON_FREEZE"));
    setClickerButtons(freeze, freeze, freeze);

    m_recordingIndicator = new QWidget(&host);
    m_recordingIndicator->setObjectName(QStringLiteral("recordingIndicator"));
    m_recordingIndicator->setFixedSize(recordingIndicatorSize);
    m_indicatorRecordButton =
        new ImageButton(QStringLiteral("ICON_LIVE_RECORDING"), m_recordingIndicator, 20, 5);
    m_indicatorRecordButton->setObjectName(QStringLiteral("indicatorRecordButton"));
    m_indicatorRecordButton->setCheckable(true);
    m_indicatorRecordButton->setAccessibleName(tr("Record video"));
    QObject::connect(m_indicatorRecordButton, &ImageButton::clicked, m_recordingIndicator,
                     [this] { record(m_indicatorRecordButton); });
    createScanner();
}

void LivePage::createScanner()
{
    MainWindow &host = window();
    ImageCanvas *live = canvas();
    OSDProcessor *display = osd();
    m_scanner = new ScanController(
        [live] { return live->cameraFrame(); },
        [live](const QPolygonF &outline) { live->setOverlayOutline(outline); },
        [display](const QString &notice) {
            if (display != nullptr) {
                display->showNotice(notice);
            }
        },
        ScanController::defaultStorageFolder(), TextRecognizer::languageFor(QLocale()), &host);
    m_scanStrip = new ScanStrip(m_scanner, &host);
    m_scanStrip->setObjectName(QStringLiteral("scanStrip"));
    m_scanStrip->setAutoFillBackground(true);
    m_scanStrip->hide();
    QObject::connect(m_scanStrip, &ScanStrip::savePdfRequested, m_scanStrip,
                     [this] { m_scanner->savePdf(Config::snapshotPath()); });
    QObject::connect(m_scanner, &ScanController::documentChanged, m_scanStrip,
                     [this] { updateScanStrip(); });
}

void LivePage::scanPage()
{
    m_scanner->scanPage();
}

void LivePage::updateScanStrip()
{
    const bool shown = m_entered && m_scanner->document().count() > 0;
    m_scanStrip->setVisible(shown);
    if (shown) {
        m_scanStrip->raise();
    }
}

void LivePage::layout(const PageGeometry &geometry)
{
    // Over the foot of the picture, so that the picture keeps its size while pages are taken.
    const int stripHeight = m_scanStrip->sizeHint().height();
    m_scanStrip->setGeometry(geometry.picture.left(), geometry.picture.bottom() + 1 - stripHeight,
                             geometry.picture.width(), stripHeight);
    m_recordingIndicator->move(geometry.side +
                                   (geometry.content - m_recordingIndicator->width()) / 2,
                               geometry.height - 60);
}

void LivePage::leave()
{
    // The camera keeps running: a recording or snapshot series goes on in the background.
    m_recordingIndicator->hide();
    m_entered = false;
    updateScanStrip();
}

void LivePage::enter()
{
    if (m_live) {
        m_live->activate();
    }
    m_recordingIndicator->show();
    m_recordingIndicator->raise();
    m_entered = true;
    updateScanStrip();
}

// The stored camera choice and presentation switch go to the live source at start and after
// the settings window's "OK".
void LivePage::applySettings()
{
    if (!m_live) {
        return;
    }
    m_live->setPreferredCamera(Config::camera());
    m_live->setPresentationEnabled(Config::publishPresentation());
    m_live->setTimeLapseInterval(Config::timeLapseInterval());
}

RecordingFormat LivePage::recordingFormat() const
{
    const RecordingFormat chosen = RecordingFormat::fromKey(Config::recordFormat());
    if (chosen.isAvailable()) {
        return chosen;
    }
    qCDebug(lcApp) << chosen.displayName() << "recording lacks" << chosen.missingElements();
    showNotice(tr("%1 recording is not installed: recording AVI").arg(chosen.displayName()));
    return RecordingFormat();
}

OSDProcessor::Caption LivePage::timeLapseCaption() const
{
    if (Config::timeLapseInterval() <= 0) {
        return {};
    }
    return [this] {
        const int frames = m_live ? m_live->recordedFrames() : 0;
        // The film is short: its length in tenths of a second.
        const qint64 filmMs = TimeLapse::filmLengthMs(frames);
        return tr("Time-lapse: frames %1, film %2")
            .arg(frames)
            .arg(OSDProcessor::clockLabel(filmMs) + QLatin1Char('.') +
                 QString::number(filmMs % 1000 / 100));
    };
}

void LivePage::showNotice(const QString &notice) const
{
    if (OSDProcessor *current = window().osdProcessor(window().currentCanvas())) {
        current->showNotice(notice);
    }
}

void LivePage::showFolderError()
{
    // Window-modal and not waited for: the box closes itself and never holds up the program.
    if (m_folderErrorBox) {
        m_folderErrorBox->raise();
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Critical, QStringLiteral("ERROR"),
                                QStringLiteral("Please select a folder first."), QMessageBox::Ok,
                                &window());
    box->setObjectName(QStringLiteral("folderErrorBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    m_folderErrorBox = box;
    box->open();
}

void LivePage::snapshot()
{
    const QString path = Config::snapshotPath();
    if (!folderExists(path)) {
        showFolderError();
        return;
    }
    ImageCanvas *target = window().currentCanvas();
    target->setSnapshotFolder(path);
    if (Config::snapshotMode() == 1) {
        if (!m_snapshotButton->isCheckable()) {
            m_snapshotButton->setCheckable(true);
            m_snapshotButton->setChecked(true);
        }
        target->setSnapshotContinuous(true);
        if (m_snapshotButton->isChecked()) {
            target->setSnapshotInterval(Config::snapshotInterval());
            target->setSnapshotStopAfter(ImageCanvas::kNeverStop);
            target->startSnapshot();
        } else {
            target->stopSnapshot();
        }
        return;
    }
    target->setSnapshotContinuous(false);
    target->stopSnapshot();
    target->startSnapshot();
    m_snapshotButton->setCheckable(false);
    // The folder went between the check and the arming: no picture will come.
    if (!target->isSnapshotArmed()) {
        qCDebug(lcApp) << "snapshot folder" << path << "vanished before the snapshot";
        showNotice(ImageCanvas::tr("Snapshot not saved"));
    }
}

void LivePage::record(QAbstractButton *button)
{
    if (button == nullptr) {
        button = m_recordButton;
    }
    OSDProcessor *current = window().osdProcessor(window().currentCanvas());
    if (button->isChecked()) {
        const QString folder = Config::recordPath();
        // A recording never replaces an earlier one: a second recording started within the same
        // second is numbered ("_2", "_3", ...) like snapshots are. The suffix tells the live
        // source the format.
        const QString path =
            folderExists(folder)
                ? CaptureFileName::firstFree(
                      QDir(folder),
                      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss")),
                      recordingFormat().extension())
                : QString();
        if (!folderExists(folder)) {
            showFolderError();
            button->setChecked(false);
        } else if (path.isEmpty() || !QFileInfo(folder).isWritable()) {
            qCDebug(lcApp) << "no recording: folder" << folder
                           << (path.isEmpty() ? "has no free file name" : "is not writable");
            button->setChecked(false);
            showNotice(tr("Recording failed"));
        } else {
            m_recording = true;
            if (current != nullptr) {
                current->startRecordingClock(timeLapseCaption());
            }
            // Last: a source that fails at once reports it through recordingEnded().
            if (m_live) {
                m_live->setTimeLapseInterval(Config::timeLapseInterval());
                m_live->startRecord(path);
            }
        }
    } else {
        if (m_live) {
            m_live->stopRecord();
        }
        m_recording = false;
        if (current != nullptr) {
            current->stopRecordingClock();
        }
    }
    m_recordButton->setChecked(m_recording);
    m_indicatorRecordButton->setChecked(m_recording);
}

void LivePage::recordingEnded(bool failed)
{
    if (!m_recording) {
        return;
    }
    qCDebug(lcApp) << "recording ended without a stop command, failed:" << failed;
    m_recording = false;
    m_recordButton->setChecked(false);
    m_indicatorRecordButton->setChecked(false);
    // The clock runs on the live canvas, where the recording was started; the notice goes
    // where the presenter looks.
    if (osd() != nullptr) {
        osd()->stopRecordingClock();
    }
    const QString notice = failed ? tr("Recording failed") : tr("Recording ended");
    showNotice(notice);
    OSDProcessor *current = window().osdProcessor(window().currentCanvas());
    if (osd() != nullptr && osd() != current) {
        osd()->showNotice(notice);
    }
}
