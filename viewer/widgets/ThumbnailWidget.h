#pragma once

#include "ImageWidget.h"

#include <QButtonGroup>
#include <QList>
#include <QStringList>

class HorizontalSlider;
class PhotographSource;
class ThumbnailButton;
class ThumbnailLoader;

// The strip of thumbnails along the bottom of the photograph canvas: one button per photograph
// of the source's folder, as many shown as fit, scrolled by an external slider. Clicking a
// button selects its photograph; the current photograph is brought into view and checked.
class ThumbnailWidget : public ImageWidget {
    Q_OBJECT

public:
    ThumbnailWidget(PhotographSource *source, HorizontalSlider *scrollBar, QWidget *parent);
    ~ThumbnailWidget() override;

    // Recreates the buttons for the source's current list and restarts the loader.
    void rebuild();

    int firstVisible() const { return m_first; }
    int visibleCount() const { return m_visible; }
    int leftOffset() const { return m_leftOffset; }
    const QList<ThumbnailButton *> &buttons() const { return m_buttons; }
    ThumbnailLoader *loader() const { return m_loader; }

    static constexpr int kPitch = 66;
    static constexpr int kButtonWidth = 56;
    static constexpr int kButtonHeight = 50;

public slots:
    void photographSelected();
    void photographChanged(int id);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private slots:
    void viewChanged(int first);
    void thumbnailReady(int generation, int index, const QImage &image);

private:
    void layoutButtons();
    void fitVisible();

    PhotographSource *const m_source;
    HorizontalSlider *const m_scrollBar;
    ThumbnailLoader *m_loader;
    QButtonGroup m_group;
    QList<ThumbnailButton *> m_buttons;
    QStringList m_paths;
    int m_first = 0;
    int m_visible = 0;
    int m_leftOffset = 0;
    int m_rightReserve = 40;
    int m_spacing = 10;
    int m_top = 5;
    int m_generation = 0;
};
