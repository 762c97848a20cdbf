#include "PhotographPage.h"

#include "AppLog.h"
#include "Config.h"
#include "HorizontalSlider.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "ImageWidget.h"
#include "MainWindow.h"
#include "PhotographSource.h"
#include "Slider.h"
#include "ThumbnailWidget.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>

#include <algorithm>
#include <array>

namespace {
// Height of the thumbnail strip along the bottom of the photograph canvas.
constexpr int kStripHeight = 60;
} // namespace

PhotographPage::PhotographPage(MainWindow &window)
    : ModePage(window, {QT_TRANSLATE_NOOP("MainWindow", "Photograph"), "photographButton", 231,
                        QT_TRANSLATE_NOOP("MainWindow", "Photograph mode: the photograph shown")}),
      m_folderChooser([](QWidget *parent, const QString &folder) {
          return QFileDialog::getExistingDirectory(
              parent, QString(), folder, QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
      })
{
}

PhotographPage::~PhotographPage()
{
    delete m_source;
}

int PhotographPage::slideshowInterval(int position)
{
    static constexpr std::array<int, 6> kSeconds{1, 2, 5, 10, 15, 30};
    const auto index = std::size_t(std::clamp(position, 0, int(kSeconds.size()) - 1));
    return 1000 * kSeconds[index];
}

QLabel *PhotographPage::createLabel(const char *name, const QString &text, const QColor &color)
{
    auto *label = new QLabel(text, &window());
    label->setObjectName(QLatin1String(name));
    QPalette palette = label->palette();
    palette.setColor(QPalette::All, QPalette::WindowText, color);
    label->setPalette(palette);
    label->hide();
    return label;
}

void PhotographPage::createControls()
{
    MainWindow *parent = &window();
    m_source = new PhotographSource(canvas(), parent);
    m_source->setInterval(slideshowInterval(0));

    m_bar =
        new ImageWidget(QImage(QStringLiteral(":/icons/Background/PHOTO_CONTROL_BK.png")), parent);
    m_bar->setObjectName(QStringLiteral("photographBar"));
    QObject::connect(m_source, &PhotographSource::playDone, m_bar, [this] { playDone(); });
    const QList<ImageButton *> buttons = addBarButtons(
        m_bar,
        {
            {"ICON_PHOTO_OPEN", 20, QT_TRANSLATE_NOOP("MainWindow", "Open folder"),
             [this] { openDirectory(); }},
            {"ICON_PHOTO_BACKWARD", 60, QT_TRANSLATE_NOOP("MainWindow", "Previous photograph"),
             [this] { previous(); }, false, kBackKey},
            {"ICON_PHOTO_SLIDE", 100, QT_TRANSLATE_NOOP("MainWindow", "Slideshow"),
             [this] { play(); }, true, kStartKey},
            {"ICON_PHOTO_FORWARD", 140, QT_TRANSLATE_NOOP("MainWindow", "Next photograph"),
             [this] { next(); }, false, kForwardKey},
            {"ICON_PHOTO_THUMBNIL", 180, QT_TRANSLATE_NOOP("MainWindow", "Thumbnails"),
             [this] { preview(); }, true},
            {"ICON_PHOTO_TIME", 220, QT_TRANSLATE_NOOP("MainWindow", "Slideshow interval"),
             [this] { playInterval(); }, true},
        });
    m_slideshowButton = buttons[2];
    setClickerButtons(buttons[1], buttons[3], m_slideshowButton);
    m_thumbnailsButton = buttons[4];
    m_intervalButton = buttons[5];
    m_bar->hide();

    m_intervalSlider = new Slider(Qt::Horizontal, parent);
    m_intervalSlider->setObjectName(QStringLiteral("intervalSlider"));
    m_intervalSlider->setAccessibleName(tr("Slideshow interval"));
    m_intervalSlider->setTickPosition(QSlider::TicksBelow);
    m_intervalSlider->setFixedWidth(160);
    m_intervalSlider->setPageStep(1);
    m_intervalSlider->setRange(0, 5);
    m_intervalSlider->setValue(0);
    QObject::connect(m_intervalSlider, &QSlider::valueChanged, m_bar,
                     [this](int value) { playIntervalChanged(value); });
    m_intervalSlider->hide();
    // The spaces line the numbers up with the slider's ticks.
    m_intervalScaleLabel = createLabel(
        "intervalScaleLabel", tr("1        2        5       10      15      30  sec."), Qt::gray);
    m_intervalScaleLabel->setFixedSize(200, 10);
    // Small enough for the 10 pixel row, and spaced like the slider's six positions.
    QFont scaleFont(QStringLiteral("Arial"));
    scaleFont.setPixelSize(11);
    m_intervalScaleLabel->setFont(scaleFont);

    m_counter = createLabel("photographCounter", QStringLiteral("0/0"), Qt::white);
    m_counter->setFont(QFont(QStringLiteral("Arial"), 15));
    QObject::connect(m_source, &PhotographSource::photographChanged, m_bar,
                     [this](int id) { idChange(id); });

    m_scrollBar = new HorizontalSlider(
        QImage(QStringLiteral(":/icons/Background/PHOTO_SCROLL_BAR.png")), parent);
    m_scrollBar->setObjectName(QStringLiteral("photographScrollBar"));
    m_scrollBar->hide();
    m_thumbnailStrip = new ThumbnailWidget(m_source, m_scrollBar, canvas());
    m_thumbnailStrip->setObjectName(QStringLiteral("thumbnailStrip"));
    m_thumbnailStrip->hide();
}

void PhotographPage::layout(const PageGeometry &geometry)
{
    m_bar->move(geometry.side + (geometry.content - m_bar->width()) / 2, geometry.height - 60);
    const int barEnd = m_bar->x() + m_bar->width();
    m_intervalSlider->move(barEnd + 10, geometry.height - 50);
    m_counter->setGeometry(geometry.width - 70, geometry.height - 60, 70, 30);
    m_intervalScaleLabel->move(barEnd + 12, geometry.height - 30);
    const QRect &picture = geometry.picture;
    m_thumbnailStrip->setGeometry(0, picture.height() - kStripHeight - 7, picture.width(),
                                  kStripHeight);
    m_scrollBar->setGeometry(picture.x(), picture.y() + picture.height(), picture.width() + 2, 10);
}

void PhotographPage::leave()
{
    m_bar->hide();
    m_intervalButton->setChecked(false);
    m_thumbnailsButton->setChecked(false);
    m_intervalSlider->hide();
    m_intervalScaleLabel->hide();
    m_thumbnailStrip->hide();
    m_scrollBar->hide();
    m_counter->hide();
    m_source->pauseCapture();
}

void PhotographPage::enter()
{
    m_bar->show();
    m_bar->raise();
    m_counter->show();
    if (m_folderOpen) {
        m_source->resumeCapture();
    } else {
        // Until a folder shows, the page opens the snapshot folder, where the presenter's own
        // pictures are (never the folder the program was started from).
        const QString snapshots = Config::snapshotPath();
        m_folderOpen = folderExists(snapshots) && m_source->openDirectory(QDir(snapshots));
        if (!m_folderOpen) {
            qCDebug(lcApp) << "no photographs in the snapshot folder" << snapshots;
        }
        canvas()->startRefresh();
    }
    // The rescan ends a slideshow; the button says so.
    m_slideshowButton->setChecked(m_source->isPlaying());
}

void PhotographPage::openDirectory()
{
    if (!m_folderChooser) {
        return;
    }
    const QString folder = m_folderChooser(&window(), Config::snapshotPath());
    if (!folderExists(folder)) {
        return;
    }
    if (m_source->openDirectory(QDir(folder))) {
        m_folderOpen = true;
        m_slideshowButton->setChecked(false);
    }
}

void PhotographPage::previous()
{
    m_source->previous();
    // Paging by hand ends a slideshow; the button says so.
    if (!m_source->isPlaying()) {
        m_slideshowButton->setChecked(false);
    }
}

void PhotographPage::next()
{
    m_source->next();
    if (!m_source->isPlaying()) {
        m_slideshowButton->setChecked(false);
    }
}

void PhotographPage::play()
{
    if (m_slideshowButton->isChecked()) {
        m_source->play();
    } else {
        m_source->stop();
    }
}

void PhotographPage::playDone()
{
    m_slideshowButton->setChecked(false);
}

void PhotographPage::preview()
{
    const bool shown = m_thumbnailsButton->isChecked();
    m_thumbnailStrip->setVisible(shown);
    m_scrollBar->setVisible(shown);
}

void PhotographPage::playInterval()
{
    const bool shown = m_intervalButton->isChecked();
    m_intervalSlider->setVisible(shown);
    m_intervalScaleLabel->setVisible(shown);
}

void PhotographPage::playIntervalChanged(int value)
{
    m_source->setInterval(slideshowInterval(value));
}

void PhotographPage::idChange(int id)
{
    m_counter->setText(QStringLiteral("%1/%2").arg(id + 1).arg(m_source->count()));
}
