#pragma once

#include "ModePage.h"

#include <QString>

#include <functional>

class HorizontalSlider;
class ImageButton;
class ImageWidget;
class PhotographSource;
class QColor;
class QLabel;
class QWidget;
class Slider;
class ThumbnailWidget;

// Photograph mode: pages through the pictures of a folder (the snapshot folder until another
// is chosen). The bar under the picture opens a folder, pages, runs a slideshow and shows the
// thumbnail strip and the slideshow interval slider; a counter shows the picture's place.
//
// The clicker's back and forward keys page, its start key runs or stops the slideshow.
class PhotographPage : public ModePage {
    Q_DECLARE_TR_FUNCTIONS(MainWindow)

public:
    // Asks for a photograph folder: (parent, start folder) -> the chosen folder, empty if none.
    using FolderChooser = std::function<QString(QWidget *parent, const QString &folder)>;

    explicit PhotographPage(MainWindow &window);
    ~PhotographPage() override;

    void enter() override;
    void leave() override;
    void layout(const PageGeometry &geometry) override;

    PhotographSource *source() const { return m_source; }
    ThumbnailWidget *thumbnailStrip() const { return m_thumbnailStrip; }
    void setFolderChooser(FolderChooser chooser) { m_folderChooser = std::move(chooser); }

    // The slideshow period in milliseconds chosen by an interval slider position (0 to 5).
    static int slideshowInterval(int position);

    void openDirectory();
    void previous();
    void next();
    // Runs the slideshow while its button is on, stops it otherwise.
    void play();
    void playDone();
    // Shows the thumbnail strip while its button is on.
    void preview();
    // Shows the interval slider while its button is on.
    void playInterval();
    void playIntervalChanged(int value);
    void idChange(int id);

protected:
    void createControls() override;

private:
    QLabel *createLabel(const char *name, const QString &text, const QColor &color);

    PhotographSource *m_source = nullptr;
    ImageWidget *m_bar = nullptr;
    ImageButton *m_slideshowButton = nullptr;
    ImageButton *m_thumbnailsButton = nullptr;
    ImageButton *m_intervalButton = nullptr;
    Slider *m_intervalSlider = nullptr;
    QLabel *m_intervalScaleLabel = nullptr;
    QLabel *m_counter = nullptr;
    ThumbnailWidget *m_thumbnailStrip = nullptr;
    HorizontalSlider *m_scrollBar = nullptr;
    FolderChooser m_folderChooser;
    // True once the page shows a folder (the snapshot folder at first, or one chosen).
    bool m_folderOpen = false;
};
