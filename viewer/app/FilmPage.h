#pragma once

#include "ModePage.h"

#include <QString>

#include <functional>

class FilmSource;
class HorizontalSlider;
class ImageButton;
class ImageWidget;
class Slider;
class QWidget;

// Film mode: plays a film chosen with the bar's open button; the bar under the picture plays,
// pauses, stops and winds it, a vertical slider beside the bar sets its volume and a slider
// along the picture's bottom edge follows and seeks its position.
class FilmPage : public ModePage {
public:
    // Asks for a film: (parent, start folder, name filter) -> the chosen file, empty if none.
    using FileChooser =
        std::function<QString(QWidget *parent, const QString &folder, const QString &filter)>;

    explicit FilmPage(MainWindow &window);
    ~FilmPage() override;

    QString title() const override { return tr("Film"); }
    const char *buttonName() const override { return "filmButton"; }
    int buttonOffset() const override { return 135; }
    QString description() const override { return tr("Film mode: the film being played"); }

    void enter() override;
    void leave() override;
    void layout(const PageGeometry &geometry) override;
    // Back pauses, forward plays, start plays a paused film and pauses a playing one.
    void clickerBack() override;
    void clickerForward() override;
    void clickerStart() override;

    FilmSource *source() const { return m_source; }
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }

    void openFile();
    void play();
    void pause();
    void stop();
    void backward();
    void forward();
    // Shows the volume slider while the volume button is on.
    void showVolume();
    // Moves the position slider with the film, without seeking.
    void followPosition();

protected:
    void createControls() override;

private:
    FilmSource *m_source = nullptr;
    ImageWidget *m_bar = nullptr;
    Slider *m_volumeSlider = nullptr;
    HorizontalSlider *m_positionSlider = nullptr;
    ImageButton *m_playButton = nullptr;
    ImageButton *m_pauseButton = nullptr;
    ImageButton *m_volumeButton = nullptr;
    FileChooser m_fileChooser;
};
