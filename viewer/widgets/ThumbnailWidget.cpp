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
      m_source(source), m_scrollBar(scrollBar), m_loader(new ThumbnailLoader(this))
{
    // The background is stretched over whatever size the main window gives the strip.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_group.setExclusive(true);
    connect(m_loader, &ThumbnailLoader::thumbnailReady, this, &ThumbnailWidget::thumbnailReady,
            Qt::QueuedConnection);
    rebuild();
    connect(m_source, &PhotographSource::photographChanged, this,
            &ThumbnailWidget::photographChanged);
    connect(m_source, &PhotographSource::listChanged, this, &ThumbnailWidget::rebuild);
    connect(m_scrollBar, &HorizontalSlider::valueChanged, this, &ThumbnailWidget::viewChanged);
}

ThumbnailWidget::~ThumbnailWidget()
{
    // Stop the loader after its current picture before the buttons go.
    m_loader->cancelAndAcquire();
}

void ThumbnailWidget::rebuild()
{
    m_loader->cancelAndAcquire();
    ++m_generation; // pictures of the previous run still queued are dropped

    for (ThumbnailButton *button : std::as_const(m_buttons)) {
        m_group.removeButton(button);
        delete button;
    }
    m_buttons.clear();

    m_paths = m_source->fileList();
    m_leftOffset = 50;
    m_rightReserve = 40;
    m_spacing = 10;
    m_top = 5;
    m_first = 0;

    const int n = int(m_paths.size());
    m_buttons.reserve(n);
    for (int i = 0; i < n; ++i) {
        auto *button = new ThumbnailButton(this);
        button->hide();
        button->setFixedSize(kButtonWidth, kButtonHeight);
        connect(button, &QPushButton::clicked, this, &ThumbnailWidget::photographSelected);
        m_buttons.append(button);
        m_group.addButton(button);
    }
    fitVisible();
    layoutButtons();
    m_scrollBar->setRange(0, n - m_visible);
    // The strip starts again from its first picture; so does its scroll bar.
    m_scrollBar->setValueSilently(0);
    m_loader->startRun(m_paths, m_generation);
}

void ThumbnailWidget::photographSelected()
{
    const int index = int(m_buttons.indexOf(qobject_cast<ThumbnailButton *>(sender())));
    if (index >= 0) {
        m_source->selectPhotograph(index);
    }
}

void ThumbnailWidget::photographChanged(int id)
{
    if (id < 0 || id >= m_buttons.size()) {
        return;
    }
    if (id < m_first) {
        m_scrollBar->setValueSilently(id);
        m_first = id;
        layoutButtons();
    } else if (id >= m_first + m_visible) {
        m_first = id - m_visible + 1;
        m_scrollBar->setValueSilently(m_first);
        layoutButtons();
    }
    m_buttons.at(id)->setChecked(true);
}

void ThumbnailWidget::viewChanged(int first)
{
    m_first = first;
    layoutButtons();
}

void ThumbnailWidget::thumbnailReady(int generation, int index, const QImage &image)
{
    if (generation == m_generation && index >= 0 && index < m_buttons.size()) {
        m_buttons.at(index)->setImage(image);
    }
}

void ThumbnailWidget::layoutButtons()
{
    for (ThumbnailButton *button : std::as_const(m_buttons)) {
        button->hide();
    }
    const int last = std::min(m_first + m_visible, int(m_buttons.size()));
    for (int j = std::max(m_first, 0); j < last; ++j) {
        ThumbnailButton *button = m_buttons.at(j);
        button->move(m_leftOffset + (j - m_first) * kPitch, m_top);
        button->show();
        button->raise();
    }
}

void ThumbnailWidget::fitVisible()
{
    const int n = int(m_buttons.size());
    m_visible = std::clamp((width() - m_rightReserve - m_leftOffset) / kPitch, 0, n);
    m_leftOffset = (width() - kPitch * m_visible) / 2;
}

void ThumbnailWidget::resizeEvent(QResizeEvent *event)
{
    ImageWidget::resizeEvent(event);
    fitVisible();
    const int n = int(m_buttons.size());
    m_scrollBar->setRange(0, n - m_visible);
    m_first = std::max(0, std::min(m_first, n - m_visible));
    layoutButtons();
}

void ThumbnailWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(rect(), image());
}
