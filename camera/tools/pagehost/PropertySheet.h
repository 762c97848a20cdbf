#pragma once

#include "filter/CBasePropertyPage.h"

#include <QDialog>
#include <memory>
#include <vector>

class QPushButton;
class QTabWidget;

// A property sheet over the pages of one object each: a tab per page, OK, Cancel and Apply.
// The shown page is active; every page is disconnected when the sheet closes.
class PropertySheet : public QDialog, private IPropertyPageSite {
    Q_OBJECT
public:
    struct Entry {
        std::unique_ptr<CBasePropertyPage> page;
        IUnknown *object;
    };

    PropertySheet(const QString &title, std::vector<Entry> pages, QWidget *parent = nullptr);
    ~PropertySheet() override;

    int PageCount() const { return static_cast<int>(m_pages.size()); }
    void SelectPage(int index);

protected:
    void done(int result) override;

private:
    void OnStatusChange(std::uint32_t flags) override;
    void ShowPage(int index);
    void ApplyAll();
    void Close();

    std::vector<Entry> m_pages;
    QTabWidget *m_tabs = nullptr;
    QPushButton *m_apply = nullptr;
    int m_active = -1;
    bool m_closed = false;
};
