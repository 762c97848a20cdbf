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
    Q_DECLARE_TR_FUNCTIONS(MainWindow)

public:
    // Asks for a film: (parent, start folder, name filter) -> the chosen file, empty if none.
    using FileChooser =
        std::function<QString(QWidget *parent, const QString &folder, const QString &filter)>;

    explicit FilmPage(MainWindow &window);
    ~FilmPage() override;

    void enter() override;
    void leave() override;
    void layout(const PageGeometry &geometry) override;
    // The clicker's back key pauses, forward plays; start plays a paused film and pauses a
    // playing one.
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
