#include "FilmPage.h"

#include "Config.h"
#include "FilmSource.h"
#include "HorizontalSlider.h"
#include "ImageButton.h"
#include "ImageCanvas.h"
#include "ImageWidget.h"
#include "MainWindow.h"
#include "Slider.h"

#include <QFileDialog>
#include <QFileInfo>

FilmPage::FilmPage(MainWindow &window)
    : ModePage(window, {QT_TRANSLATE_NOOP("MainWindow", "Film"), "filmButton", 135,
                        QT_TRANSLATE_NOOP("MainWindow", "Film mode: the film being played")}),
      m_fileChooser([](QWidget *parent, const QString &folder, const QString &filter) {
          return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
      })
{
}

FilmPage::~FilmPage()
{
    delete m_source;
}

void FilmPage::createControls()
{
    MainWindow *parent = &window();
    m_source = new FilmSource(canvas(), parent);

    m_bar =
        new ImageWidget(QImage(QStringLiteral(":/icons/Background/FILM_CONTROL_BK.png")), parent);
    m_bar->setObjectName(QStringLiteral("filmBar"));
    const QList<ImageButton *> buttons = addBarButtons(
        m_bar,
        {
            {"ICON_FILM_OPEN", 20, QT_TRANSLATE_NOOP("MainWindow", "Open film"),
             [this] { openFile(); }},
            {"ICON_FILM_PLAY", 60, QT_TRANSLATE_NOOP("MainWindow", "Play"), [this] { play(); },
             false, kForwardKey},
            {"ICON_FILM_PAUSE", 100, QT_TRANSLATE_NOOP("MainWindow", "Pause"), [this] { pause(); },
             false, kBackKey},
            {"ICON_FILM_STOP", 140, QT_TRANSLATE_NOOP("MainWindow", "Stop"), [this] { stop(); }},
            {"ICON_FILM_BACKWARD", 180, QT_TRANSLATE_NOOP("MainWindow", "Rewind"),
             [this] { backward(); }},
            {"ICON_FILM_FORWARD", 220, QT_TRANSLATE_NOOP("MainWindow", "Fast forward"),
             [this] { forward(); }},
            {"ICON_FILM_VOLUME", 260, QT_TRANSLATE_NOOP("MainWindow", "Volume"),
             [this] { showVolume(); }, true},
        });
    m_playButton = buttons[1];
    m_pauseButton = buttons[2];
    m_volumeButton = buttons[6];
    setClickerButtons(m_pauseButton, m_playButton, m_playButton);
    m_bar->hide();

    m_volumeSlider = new Slider(Qt::Vertical, parent);
    m_volumeSlider->setObjectName(QStringLiteral("volumeSlider"));
    m_volumeSlider->setAccessibleName(tr("Volume"));
    m_volumeSlider->setFixedSize(
        QImage(QStringLiteral(":/icons/Background/POP_VOL_BK.png")).size());
    m_volumeSlider->setRange(1, 100);
    m_volumeSlider->setValue(100);
    QObject::connect(m_volumeSlider, &QSlider::valueChanged, m_source, &FilmSource::setVolume);
    m_volumeSlider->hide();

    m_positionSlider = new HorizontalSlider(
        QImage(QStringLiteral(":/icons/Background/FILM_SCROLL_BAR.png")), parent);
    m_positionSlider->setObjectName(QStringLiteral("filmPositionSlider"));
    m_positionSlider->setHandleWidth(22);
    m_positionSlider->setRange(0, 100);
    QObject::connect(m_positionSlider, &HorizontalSlider::valueChanged, m_source,
                     &FilmSource::setPosition);
    m_positionSlider->hide();
    QObject::connect(m_source, &FilmSource::tick, m_bar, [this] { followPosition(); });
}

void FilmPage::layout(const PageGeometry &geometry)
{
    m_bar->move(geometry.side + (geometry.content - m_bar->width()) / 2, geometry.height - 60);
    m_volumeSlider->move(m_bar->x() + m_bar->width(),
                         m_bar->y() + m_bar->height() - m_volumeSlider->height());
    m_positionSlider->setGeometry(geometry.picture.x(),
                                  geometry.picture.y() + geometry.picture.height(),
                                  geometry.picture.width() + 2, 10);
}

void FilmPage::leave()
{
    m_bar->hide();
    m_volumeButton->setChecked(false);
    m_volumeSlider->hide();
    m_positionSlider->hide();
    m_source->deactivate();
}

void FilmPage::enter()
{
    m_bar->show();
    m_bar->raise();
    m_positionSlider->show();
    m_source->activate();
}

void FilmPage::clickerStart()
{
    (m_source->isPlaying() ? m_pauseButton : m_playButton)->click();
}

void FilmPage::openFile()
{
    if (!m_fileChooser) {
        return;
    }
    const QString path =
        m_fileChooser(&window(), Config::recordPath(),
                      tr("Films (*.avi *.mp4 *.webm *.wmv);;AVI Files (*.avi);;MP4 Files "
                         "(*.mp4);;WebM Files (*.webm);;WMV Files (*.wmv)"));
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        m_source->open(path);
    }
}

void FilmPage::play()
{
    m_source->play();
}

void FilmPage::pause()
{
    m_source->pause();
}

void FilmPage::stop()
{
    m_source->stop();
}

void FilmPage::backward()
{
    m_source->backward();
}

void FilmPage::forward()
{
    m_source->forward();
}

void FilmPage::showVolume()
{
    m_volumeSlider->setVisible(m_volumeButton->isChecked());
    m_volumeSlider->raise();
}

void FilmPage::followPosition()
{
    // Silently: the slider's valueChanged() seeks, and following the film must not seek it.
    m_positionSlider->setValueSilently(m_source->position());
}
