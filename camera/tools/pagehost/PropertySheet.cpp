#include "PropertySheet.h"

#include "DialogWidget.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

PropertySheet::PropertySheet(const QString &title, std::vector<Entry> pages, QWidget *parent)
    : QDialog(parent), m_tabs(new QTabWidget(this))
{
    setWindowTitle(title);
    for (Entry &entry : pages) {
        entry.page->SetPageSite(this);
        IUnknown *object = entry.object;
        // A page that cannot connect (no camera, say) is not shown.
        if (FAILED(entry.page->SetObjects(1, &object))) {
            continue;
        }
        m_tabs->addTab(new QWidget, QString::fromStdString(entry.page->Title()));
        m_pages.push_back(std::move(entry));
    }
    auto *buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    m_apply = buttons->button(QDialogButtonBox::Apply);
    m_apply->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        ApplyAll();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, &PropertySheet::ApplyAll);
    connect(m_tabs, &QTabWidget::currentChanged, this, &PropertySheet::ShowPage);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    if (!m_pages.empty()) {
        ShowPage(0);
    }
}

PropertySheet::~PropertySheet()
{
    Close();
}

void PropertySheet::ShowPage(int index)
{
    if (m_active >= 0 && m_active < PageCount()) {
        QWidget *old = m_tabs->widget(m_active);
        for (QWidget *child : old->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            delete child;
        }
        m_pages[static_cast<std::size_t>(m_active)].page->Deactivate();
    }
    m_active = index;
    if (index < 0 || index >= PageCount()) {
        return;
    }
    CBasePropertyPage &page = *m_pages[static_cast<std::size_t>(index)].page;
    if (FAILED(page.Activate()) || page.Dialog() == nullptr) {
        return;
    }
    QWidget *tab = m_tabs->widget(index);
    auto *view = new DialogWidget(*page.Dialog(), tab);
    view->show();
    tab->setMinimumSize(view->size());
}

void PropertySheet::SelectPage(int index)
{
    if (index >= 0 && index < PageCount()) {
        m_tabs->setCurrentIndex(index);
    }
}

void PropertySheet::OnStatusChange(std::uint32_t flags)
{
    if ((flags & PROPPAGESTATUS_DIRTY) != 0) {
        m_apply->setEnabled(true);
    }
}

void PropertySheet::ApplyAll()
{
    for (Entry &entry : m_pages) {
        entry.page->Apply();
    }
    m_apply->setEnabled(false);
}

void PropertySheet::done(int result)
{
    Close();
    QDialog::done(result);
}

void PropertySheet::Close()
{
    if (m_closed) {
        return;
    }
    m_closed = true;
    ShowPage(-1);
    for (Entry &entry : m_pages) {
        entry.page->SetObjects(0, nullptr);
    }
}
