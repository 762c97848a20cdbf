#include "SettingsToolWindow.h"

#include "ISettingsStore.h"
#include "IToolHost.h"
#include "ImageButton.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>

#include <array>
#include <utility>

namespace {
// Snapshot modes offered, in box order: "Single" (0) and "Continuous" (1).
constexpr std::array<int, 2> captureModes = {0, 1};

struct Interval {
    const char *label;
    quint64 seconds;
};
constexpr std::array<Interval, 17> intervals = {{{"1 sec", 1},
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

constexpr int labelX = 8;
constexpr int controlX = 85;

QString defaultFolderChooser()
{
    return QFileDialog::getExistingDirectory(nullptr, QString(), QString(),
                                             QFileDialog::ShowDirsOnly);
}
} // namespace

SettingsToolWindow::SettingsToolWindow(QWidget *ownerButton, IToolHost *host)
    : ToolWindow(QImage(QStringLiteral(":/icons/Background/POP_BK_SETTING.png")), ownerButton, host,
                 tr("Setting")),
      captureBox_(new QComboBox(this)), timeBox_(new QComboBox(this)),
      sourceField_(new QLineEdit(this)), resolutionField_(new QLineEdit(this)),
      snapshotFolderField_(new QLineEdit(this)), recordFolderField_(new QLineEdit(this)),
      chooseFolder_(defaultFolderChooser)
{
    setStyleSheet(QStringLiteral("QLabel { font-family: Arial; font-size: ") +
                  QStringLiteral("10") +
                  QStringLiteral("px; color: gray; }QLineEdit { width: 124px; } QComboBox { "
                                 "width: 124px; } "));

    const ISettingsStore &store = host->settingsStore();
    sourceField_->setText(tr("Document Camera"));
    resolutionField_->setText(QStringLiteral("XVGA 1024 x 768"));
    captureBox_->addItems({tr("Single"), tr("Continuous")});
    for (const Interval &interval : intervals)
        timeBox_->addItem(QString::fromLatin1(interval.label));
    snapshotFolderField_->setText(store.snapshotPath());
    recordFolderField_->setText(store.recordPath());

    const std::array<std::pair<QString, QWidget *>, 6> rows = {{
        {tr("Source"), sourceField_},
        {tr("Resolution"), resolutionField_},
        {tr("Capture"), captureBox_},
        {tr("Time"), timeBox_},
        {tr("Save as"), snapshotFolderField_},
        {tr("Recording"), recordFolderField_},
    }};
    const std::array<int, 6> rowY = {24, 48, 72, 97, 124, 172};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        (new QLabel(rows[i].first, this))->move(labelX, rowY[i]);
        rows[i].second->move(controlX, rowY[i]);
    }
    for (QLineEdit *field :
         {sourceField_, resolutionField_, snapshotFolderField_, recordFolderField_})
        field->setReadOnly(true);

    for (int i = 0; i < int(captureModes.size()); ++i) {
        if (captureModes[i] == store.snapshotMode()) {
            captureBox_->setCurrentIndex(i);
            break;
        }
    }
    for (int i = 0; i < int(intervals.size()); ++i) {
        if (intervals[i].seconds == store.snapshotInterval()) {
            timeBox_->setCurrentIndex(i);
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
    connect(addButton(tr("OK"), 80, 224), &ImageButton::clicked, this,
            &SettingsToolWindow::settingsOk);
    connect(addButton(tr("Cancel"), 160, 224), &ImageButton::clicked, this,
            &SettingsToolWindow::close);
}

void SettingsToolWindow::setFolderChooser(FolderChooser chooser)
{
    chooseFolder_ = chooser ? std::move(chooser) : FolderChooser(defaultFolderChooser);
}

void SettingsToolWindow::snapshotFileBrowse()
{
    browseInto(snapshotFolderField_);
}

void SettingsToolWindow::recordFileBrowse()
{
    browseInto(recordFolderField_);
}

void SettingsToolWindow::browseInto(QLineEdit *field)
{
    const QString folder = chooseFolder_();
    if (!folder.isEmpty())
        field->setText(folder);
}

void SettingsToolWindow::settingsOk()
{
    ISettingsStore &store = host()->settingsStore();
    store.setSnapshotMode(captureModes[std::size_t(std::max(0, captureBox_->currentIndex()))]);
    store.setSnapshotInterval(
        intervals[std::size_t(std::max(0, timeBox_->currentIndex()))].seconds);
    store.setSnapshotPath(snapshotFolderField_->text());
    store.setRecordPath(recordFolderField_->text());
    close();
}
