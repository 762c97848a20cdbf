#include "ScanStrip.h"

#include "ScanController.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

ScanStrip::ScanStrip(ScanController *controller, QWidget *parent)
    : QWidget(parent), m_controller(controller), m_pages(new QListWidget(this)),
      m_left(new QPushButton(tr("Move left"), this)),
      m_right(new QPushButton(tr("Move right"), this)),
      m_delete(new QPushButton(tr("Delete"), this)),
      m_save(new QPushButton(tr("Save as PDF"), this)),
      m_copy(new QPushButton(tr("Copy text"), this)),
      m_discard(new QPushButton(tr("Discard"), this)),
      m_auto(new QCheckBox(tr("Auto capture"), this)), m_progress(new QProgressBar(this))
{
    m_pages->setViewMode(QListView::IconMode);
    m_pages->setFlow(QListView::LeftToRight);
    m_pages->setWrapping(false);
    m_pages->setMovement(QListView::Static);
    // Room for a landscape page (a whole camera picture).
    m_pages->setIconSize(
        QSize(ScanDocument::kThumbnailHeight * 4 / 3, ScanDocument::kThumbnailHeight));
    m_pages->setFixedHeight(ScanDocument::kThumbnailHeight + 40);
    m_pages->setSpacing(4);
    m_pages->setGridSize(m_pages->iconSize() + QSize(12, 28));
    m_progress->setRange(0, 100);
    m_progress->setFormat(tr("Reading text %p%"));
    m_progress->hide();

    auto *buttons = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{m_left, m_right, m_delete, m_copy, m_save,
                                                       m_discard, m_auto, m_progress}) {
        buttons->addWidget(w);
    }
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);

    connect(m_left, &QPushButton::clicked, this,
            [this] { m_controller->movePage(selected(), selected() - 1); });
    connect(m_right, &QPushButton::clicked, this,
            [this] { m_controller->movePage(selected(), selected() + 1); });
    connect(m_delete, &QPushButton::clicked, this,
            [this] { m_controller->removePage(selected()); });
    connect(m_copy, &QPushButton::clicked, m_controller, &ScanController::copyText);
    connect(m_save, &QPushButton::clicked, this, &ScanStrip::savePdfRequested);
    connect(m_discard, &QPushButton::clicked, m_controller, &ScanController::discard);
    connect(m_auto, &QCheckBox::toggled, m_controller, &ScanController::setAutoCapture);
    connect(m_controller, &ScanController::autoCaptureChanged, m_auto, &QCheckBox::setChecked);
    connect(m_pages, &QListWidget::currentRowChanged, this, [this](int row) {
        m_controller->setCurrentPage(row);
        updateButtons();
    });
    connect(m_controller, &ScanController::documentChanged, this, &ScanStrip::rebuild);
    connect(m_controller, &ScanController::recognitionProgress, this, [this](int percent) {
        m_progress->setValue(percent);
        m_progress->setVisible(percent < 100);
    });
    rebuild();
}

namespace {
// A page's thumbnail centred in a cell of the strip's icon size, framed so that a white page
// stands out from the white strip.
QPixmap framed(const QImage &thumbnail, QSize cell)
{
    QPixmap pixmap(cell);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QImage fitted =
        thumbnail.scaled(cell - QSize(2, 2), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const QRect place(
        QPoint((cell.width() - fitted.width()) / 2, (cell.height() - fitted.height()) / 2),
        fitted.size());
    painter.drawImage(place, fitted);
    painter.setPen(QColor(120, 120, 120));
    painter.drawRect(place.adjusted(-1, -1, 0, 0));
    return pixmap;
}
} // namespace

void ScanStrip::rebuild()
{
    const ScanDocument &document = m_controller->document();
    const QSignalBlocker blocker(m_pages);
    m_pages->clear();
    for (int i = 0; i < document.count(); ++i) {
        auto *item = new QListWidgetItem(framed(document.thumbnail(i), m_pages->iconSize()),
                                         QString::number(i + 1), m_pages);
        item->setToolTip(document.page(i).text.text.left(200));
    }
    m_pages->setCurrentRow(m_controller->currentPage());
    updateButtons();
}

void ScanStrip::updateButtons()
{
    const int row = selected();
    const int count = m_controller->document().count();
    m_left->setEnabled(row > 0);
    m_right->setEnabled(row >= 0 && row + 1 < count);
    m_delete->setEnabled(row >= 0);
    m_copy->setEnabled(row >= 0);
    m_save->setEnabled(count > 0);
    m_discard->setEnabled(count > 0);
}

int ScanStrip::selected() const
{
    return m_pages->currentRow();
}
