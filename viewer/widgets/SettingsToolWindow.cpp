#include "SettingsToolWindow.h"

#include "CameraMonitor.h"
#include "ISettingsStore.h"
#include "IToolHost.h"
#include "ImageButton.h"
#include "RecordingFormat.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include <array>
#include <utility>

namespace {
// Snapshot modes offered, in box order: "Single" (0) and "Continuous" (1).
constexpr std::array<int, 2> kCaptureModes = {0, 1};

struct Interval {
    const char *label;
    quint64 seconds;
};
constexpr std::array<Interval, 17> kIntervals = {{{"1 sec", 1},
                                                  {"2 sec", 2},
                                                  {"3 sec", 3},
                                                  {"4 sec", 4},
                                                  {"5 sec", 5},
                                                  {"10 sec", 10},
                                                  {"20 sec", 20},
                                                  {"30 sec", 30},
                                                  {"1 min", 60},
                                                  {"2 min", 120},
                                                  {"3 min", 180},
                                                  {"4 min", 240},
                                                  {"5 min", 300},
                                                  {"10 min", 600},
                                                  {"20 min", 1200},
                                                  {"30 min", 1800},
                                                  {"1 hr", 3600}}};

// Time-lapse intervals offered, in box order; 0 is "Off".
constexpr std::array<Interval, 10> kTimeLapses = {
    {{QT_TRANSLATE_NOOP("SettingsToolWindow", "Off"), 0},
     {"1 sec", 1},
     {"2 sec", 2},
     {"5 sec", 5},
     {"10 sec", 10},
     {"30 sec", 30},
     {"1 min", 60},
     {"2 min", 120},
     {"5 min", 300},
     {"10 min", 600}}};

constexpr int kLabelX = 8;
constexpr int kControlX = 85;
// The camera, presentation, format and time-lapse rows go below the capture rows; the window
// grows by them, the "OK" and "Cancel" buttons move down with the bottom of the background.
constexpr int kCameraRowY = 222;
constexpr int kPresentationRowY = 247;
constexpr int kFormatRowY = 272;
constexpr int kTimeLapseRowY = 297;
constexpr int kAddedHeight = 100;
constexpr int kGrowAtY = 220;
constexpr int kButtonRowY = 224 + kAddedHeight;

QString defaultFolderChooser()
{
    return QFileDialog::getExistingDirectory(nullptr, QString(), QString(),
                                             QFileDialog::ShowDirsOnly);
}

QStringList defaultCameraLister()
{
    return CameraMonitor().names();
}

// The background made taller: the rows from atY down move by extra pixels and the row just
// above atY (plain background between the borders) fills the gap.
QImage grownBackground(const QImage &background, int atY, int extra)
{
    if (background.isNull() || atY <= 0 || atY >= background.height()) {
        return background;
    }
    QImage grown(background.width(), background.height() + extra, background.format());
    grown.fill(Qt::transparent);
    QPainter painter(&grown);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), background, QRect(0, 0, background.width(), atY));
    for (int y = atY; y < atY + extra; ++y) {
        painter.drawImage(QPoint(0, y), background, QRect(0, atY - 1, background.width(), 1));
    }
    painter.drawImage(QPoint(0, atY + extra), background,
                      QRect(0, atY, background.width(), background.height() - atY));
    return grown;
}
} // namespace

SettingsToolWindow::SettingsToolWindow(QWidget *ownerButton, IToolHost *host)
    : ToolWindow(grownBackground(QImage(QStringLiteral(":/icons/Background/POP_BK_SETTING.png")),
                                 kGrowAtY, kAddedHeight),
                 ownerButton, host, tr("Setting")),
      m_captureBox(new QComboBox(this)), m_timeBox(new QComboBox(this)),
      m_sourceField(new QLineEdit(this)), m_resolutionField(new QLineEdit(this)),
      m_snapshotFolderField(new QLineEdit(this)), m_recordFolderField(new QLineEdit(this)),
      m_cameraBox(new QComboBox(this)), m_presentationBox(new QComboBox(this)),
      m_formatBox(new QComboBox(this)), m_timeLapseBox(new QComboBox(this)),
      m_chooseFolder(defaultFolderChooser), m_listCameras(defaultCameraLister)
{
    setStyleSheet(QStringLiteral("QLabel { font-family: Arial; font-size: ") +
                  QStringLiteral("10") +
                  QStringLiteral("px; color: gray; }QLineEdit { width: 124px; } QComboBox { "
                                 "width: 124px; } "));

    const ISettingsStore &store = host->settingsStore();
    m_sourceField->setText(tr("Document Camera"));
    m_resolutionField->setText(QStringLiteral("XVGA 1024 x 768"));
    m_captureBox->addItems({tr("Single"), tr("Continuous")});
    for (const Interval &interval : kIntervals) {
        m_timeBox->addItem(QString::fromLatin1(interval.label));
    }
    m_snapshotFolderField->setText(store.snapshotPath());
    m_recordFolderField->setText(store.recordPath());

    m_presentationBox->addItems({tr("On"), tr("Off")});
    m_presentationBox->setCurrentIndex(store.publishPresentation() ? 0 : 1);
    fillCameraBox();
    // A format whose encoders are not installed can be chosen; recording then falls back to AVI
    // with a notice.
    for (const RecordingFormat &format : RecordingFormat::all()) {
        m_formatBox->addItem(format.isAvailable()
                                 ? format.displayName()
                                 : tr("%1 (not installed)").arg(format.displayName()),
                             format.key());
    }
    m_formatBox->setCurrentIndex(std::max(0, m_formatBox->findData(store.recordFormat())));
    for (const Interval &interval : kTimeLapses) {
        m_timeLapseBox->addItem(interval.seconds == 0 ? tr(interval.label)
                                                      : QString::fromLatin1(interval.label),
                                int(interval.seconds));
    }
    m_timeLapseBox->setCurrentIndex(
        std::max(0, m_timeLapseBox->findData(store.timeLapseInterval())));

    const std::array<std::pair<QString, QWidget *>, 10> rows = {{
        {tr("Source"), m_sourceField},
        {tr("Resolution"), m_resolutionField},
        {tr("Capture"), m_captureBox},
        {tr("Time"), m_timeBox},
        {tr("Save as"), m_snapshotFolderField},
        {tr("Recording"), m_recordFolderField},
        {tr("Camera"), m_cameraBox},
        {tr("Presentation"), m_presentationBox},
        {tr("Format"), m_formatBox},
        {tr("Time-lapse"), m_timeLapseBox},
    }};
    const std::array<int, 10> rowY = {
        24, 48, 72, 97, 124, 172, kCameraRowY, kPresentationRowY, kFormatRowY, kTimeLapseRowY};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        (new QLabel(rows[i].first, this))->move(kLabelX, rowY[i]);
        rows[i].second->move(kControlX, rowY[i]);
    }
    for (QLineEdit *field :
         {m_sourceField, m_resolutionField, m_snapshotFolderField, m_recordFolderField}) {
        field->setReadOnly(true);
    }

    for (int i = 0; i < int(kCaptureModes.size()); ++i) {
        if (kCaptureModes[i] == store.snapshotMode()) {
            m_captureBox->setCurrentIndex(i);
            break;
        }
    }
    for (int i = 0; i < int(kIntervals.size()); ++i) {
        if (kIntervals[i].seconds == store.snapshotInterval()) {
            m_timeBox->setCurrentIndex(i);
            break;
        }
    }

    const auto addButton = [this](const QString &caption, int x, int y) {
        auto *button = new ImageButton(QStringLiteral("POPUP_BUTTON"), this, x, y);
        button->setText(caption);
        return button;
    };
    connect(addButton(tr("Browse"), 160, 146), &ImageButton::clicked, this,
            &SettingsToolWindow::snapshotFileBrowse);
    connect(addButton(tr("Browse"), 160, 195), &ImageButton::clicked, this,
            &SettingsToolWindow::recordFileBrowse);
    connect(addButton(tr("OK"), 80, kButtonRowY), &ImageButton::clicked, this,
            &SettingsToolWindow::settingsOk);
    connect(addButton(tr("Cancel"), 160, kButtonRowY), &ImageButton::clicked, this,
            &SettingsToolWindow::close);
}

void SettingsToolWindow::setFolderChooser(FolderChooser chooser)
{
    m_chooseFolder = chooser ? std::move(chooser) : FolderChooser(defaultFolderChooser);
}

void SettingsToolWindow::setCameraLister(CameraLister lister)
{
    m_listCameras = lister ? std::move(lister) : CameraLister(defaultCameraLister);
    fillCameraBox();
}

// "Automatic" (stored as "") first, then the cameras present. A stored camera that is not
// present now stays in the list, so pressing "OK" while it is unplugged keeps the choice.
void SettingsToolWindow::fillCameraBox()
{
    const QString stored = host()->settingsStore().camera();
    m_cameraBox->clear();
    m_cameraBox->addItem(tr("Automatic"), QString());
    QStringList names = m_listCameras();
    if (!stored.isEmpty() && !names.contains(stored)) {
        names.append(stored);
    }
    for (const QString &name : names) {
        m_cameraBox->addItem(name, name);
    }
    m_cameraBox->setCurrentIndex(std::max(0, m_cameraBox->findData(stored)));
}

void SettingsToolWindow::snapshotFileBrowse()
{
    browseInto(m_snapshotFolderField);
}

void SettingsToolWindow::recordFileBrowse()
{
    browseInto(m_recordFolderField);
}

void SettingsToolWindow::browseInto(QLineEdit *field)
{
    const QString folder = m_chooseFolder();
    if (!folder.isEmpty()) {
        field->setText(folder);
    }
}

void SettingsToolWindow::settingsOk()
{
    ISettingsStore &store = host()->settingsStore();
    store.setSnapshotMode(kCaptureModes[std::size_t(std::max(0, m_captureBox->currentIndex()))]);
    store.setSnapshotInterval(
        kIntervals[std::size_t(std::max(0, m_timeBox->currentIndex()))].seconds);
    store.setSnapshotPath(m_snapshotFolderField->text());
    store.setRecordPath(m_recordFolderField->text());
    store.setCamera(m_cameraBox->currentData().toString());
    store.setPublishPresentation(m_presentationBox->currentIndex() == 0);
    store.setRecordFormat(m_formatBox->currentData().toString());
    store.setTimeLapseInterval(m_timeLapseBox->currentData().toInt());
    emit settingsSaved();
    close();
}
