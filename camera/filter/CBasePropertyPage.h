#pragma once

#include "filter/CDialog.h"
#include "filter/FilterInterfaces.h"

#include <memory>
#include <string>

inline constexpr std::uint32_t PROPPAGESTATUS_DIRTY = 0x01;

// The frame that shows a page (a property sheet) and learns when it becomes dirty.
class IPropertyPageSite {
public:
    virtual ~IPropertyPageSite() = default;
    virtual void OnStatusChange(std::uint32_t flags) = 0;
};

// A property page: connects to an object, shows its dialog while active, tracks the dirty flag
// and applies its changes when the sheet's OK or Apply is pressed on a dirty page.
class CBasePropertyPage : public virtual IUnknown {
public:
    CBasePropertyPage(const char *name, IUnknown *outer, int dialogId, int titleId);
    ~CBasePropertyPage() override;

    HRESULT QueryInterface(REFIID iid, void **out) override;

    // ---- what the sheet calls ----
    HRESULT SetPageSite(IPropertyPageSite *site);
    // One object connects the page (OnConnect); none disconnects it (OnDisconnect).
    HRESULT SetObjects(std::size_t count, IUnknown *const *objects);
    HRESULT Activate();
    HRESULT Deactivate();
    HRESULT Apply();
    bool IsPageDirty() const { return m_dirty; }
    std::string Title() const;
    const char *Name() const { return m_name; }
    // The page's dialog while it is active, else null.
    CDialog *Dialog() { return m_dialog.get(); }

protected:
    virtual HRESULT OnConnect(IUnknown *object) = 0;
    virtual HRESULT OnDisconnect() = 0;
    virtual HRESULT OnActivate() { return S_OK; }
    virtual HRESULT OnDeactivate() { return S_OK; }
    virtual HRESULT OnApplyChanges() { return S_OK; }
    // Returns non-zero when the message was handled.
    virtual std::intptr_t OnReceiveMessage(unsigned message, std::uintptr_t wParam,
                                           std::intptr_t lParam);

    // After a change: when the working values differ from the committed ones, the page becomes
    // dirty and tells its site (once).
    void MarkDirty(bool differs);

    IPropertyPageSite *m_site = nullptr;
    bool m_dirty = false;
    bool m_connected = false;

private:
    const char *m_name;
    int m_dialogId;
    int m_titleId;
    std::unique_ptr<CDialog> m_dialog;
};
