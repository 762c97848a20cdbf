#include "ThumbnailWidget.h"

#include "HorizontalSlider.h"
#include "PhotographSource.h"
#include "ThumbnailButton.h"
#include "ThumbnailLoader.h"

#include <QPainter>
#include <algorithm>

ThumbnailWidget::ThumbnailWidget(PhotographSource *source, HorizontalSlider *scrollBar,
                                 QWidget *parent)
    : ImageWidget(QImage(QStringLiteral(":/icons/Background/THUMBNIL_BAR.png")), parent),
      source_(source), scrollBar_(scrollBar), loader_(new ThumbnailLoader(this))
{
    // The background is stretched over whatever size the main window gives the strip.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    group_.setExclusive(true);
    connect(loader_, &ThumbnailLoader::thumbnailReady, this, &ThumbnailWidget::thumbnailReady,
            Qt::QueuedConnection);
    rebuild();
    connect(source_, &PhotographSource::photographChanged, this,
            &ThumbnailWidget::photographChanged);
    connect(source_, &PhotographSource::listChanged, this, &ThumbnailWidget::rebuild);
    connect(scrollBar_, &HorizontalSlider::valueChanged, this, &ThumbnailWidget::viewChanged);
}

ThumbnailWidget::~ThumbnailWidget()
{
    // Stop the loader after its current picture before the buttons go.
    loader_->cancelAndAcquire();
}

void ThumbnailWidget::rebuild()
{
    loader_->cancelAndAcquire();
    ++generation_; // pictures of the previous run still queued are dropped

    for (ThumbnailButton *button : std::as_const(buttons_)) {
        group_.removeButton(button);
        delete button;
    }
    buttons_.clear();

    paths_ = source_->fileList();
    leftOffset_ = 50;
    rightReserve_ = 40;
    spacing_ = 10;
    top_ = 5;
    first_ = 0;

    const int n = int(paths_.size());
    buttons_.reserve(n);
    for (int i = 0; i < n; ++i) {
        auto *button = new ThumbnailButton(this);
        button->hide();
        button->setFixedSize(kButtonWidth, kButtonHeight);
        connect(button, &QPushButton::clicked, this, &ThumbnailWidget::photographSelected);
        buttons_.append(button);
        group_.addButton(button);
    }
    fitVisible();
    layoutButtons();
    scrollBar_->setRange(0, n - visible_);
    // The strip starts again from its first picture; so does its scroll bar.
    scrollBar_->setValueSilently(0);
    loader_->startRun(paths_, generation_);
}

void ThumbnailWidget::photographSelected()
{
    const int index = int(buttons_.indexOf(qobject_cast<ThumbnailButton *>(sender())));
    if (index >= 0) {
        source_->selectPhotograph(index);
    }
}

void ThumbnailWidget::photographChanged(int id)
{
    if (id < 0 || id >= buttons_.size()) {
        return;
    }
    if (id < first_) {
        scrollBar_->setValueSilently(id);
        first_ = id;
        layoutButtons();
    } else if (id >= first_ + visible_) {
        first_ = id - visible_ + 1;
        scrollBar_->setValueSilently(first_);
        layoutButtons();
    }
    buttons_.at(id)->setChecked(true);
}

void ThumbnailWidget::viewChanged(int first)
{
    first_ = first;
    layoutButtons();
}

void ThumbnailWidget::thumbnailReady(int generation, int index, const QImage &image)
{
    if (generation == generation_ && index >= 0 && index < buttons_.size()) {
        buttons_.at(index)->setImage(image);
    }
}

void ThumbnailWidget::layoutButtons()
{
    for (ThumbnailButton *button : std::as_const(buttons_)) {
        button->hide();
    }
    const int last = std::min(first_ + visible_, int(buttons_.size()));
    for (int j = std::max(first_, 0); j < last; ++j) {
        ThumbnailButton *button = buttons_.at(j);
        button->move(leftOffset_ + (j - first_) * kPitch, top_);
        button->show();
        button->raise();
    }
}

void ThumbnailWidget::fitVisible()
{
    const int n = int(buttons_.size());
    visible_ = std::clamp((width() - rightReserve_ - leftOffset_) / kPitch, 0, n);
    leftOffset_ = (width() - kPitch * visible_) / 2;
}

void ThumbnailWidget::resizeEvent(QResizeEvent *event)
{
    ImageWidget::resizeEvent(event);
    fitVisible();
    const int n = int(buttons_.size());
    scrollBar_->setRange(0, n - visible_);
    first_ = std::max(0, std::min(first_, n - visible_));
    layoutButtons();
}

void ThumbnailWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect(), image());
}
