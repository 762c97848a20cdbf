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

    int firstVisible() const { return first_; }
    int visibleCount() const { return visible_; }
    int leftOffset() const { return leftOffset_; }
    const QList<ThumbnailButton *> &buttons() const { return buttons_; }
    ThumbnailLoader *loader() const { return loader_; }

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

    PhotographSource *const source_;
    HorizontalSlider *const scrollBar_;
    ThumbnailLoader *loader_;
    QButtonGroup group_;
    QList<ThumbnailButton *> buttons_;
    QStringList paths_;
    int first_ = 0;
    int visible_ = 0;
    int leftOffset_ = 0;
    int rightReserve_ = 40;
    int spacing_ = 10;
    int top_ = 5;
    int generation_ = 0;
};
