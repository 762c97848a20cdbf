#include "filter/CBasePropertyPage.h"

CBasePropertyPage::CBasePropertyPage(const char *name, IUnknown *, int dialogId, int titleId)
    : m_name(name), m_dialogId(dialogId), m_titleId(titleId)
{
}

CBasePropertyPage::~CBasePropertyPage() = default;

HRESULT CBasePropertyPage::QueryInterface(REFIID iid, void **out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IPropertyPage) {
        *out = static_cast<CBasePropertyPage *>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT CBasePropertyPage::SetPageSite(IPropertyPageSite *site)
{
    m_site = site;
    return S_OK;
}

HRESULT CBasePropertyPage::SetObjects(std::size_t count, IUnknown *const *objects)
{
    if (count == 0) {
        if (!m_connected) {
            return S_OK;
        }
        m_connected = false;
        return OnDisconnect();
    }
    if (objects == nullptr) {
        return E_POINTER;
    }
    if (m_connected) {
        m_connected = false;
        OnDisconnect();
    }
    const HRESULT hr = OnConnect(objects[0]);
    m_connected = SUCCEEDED(hr);
    return hr;
}

HRESULT CBasePropertyPage::Activate()
{
    const DialogTemplate *t = FindDialogTemplate(m_dialogId);
    if (t == nullptr) {
        return E_UNEXPECTED;
    }
    if (m_dialog) {
        return S_OK;
    }
    m_dialog = std::make_unique<CDialog>(*t);
    m_dialog->SetMessageHandler(
        [this](unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
            return OnReceiveMessage(message, wParam, lParam);
        });
    const HRESULT hr = OnActivate();
    if (FAILED(hr)) {
        m_dialog.reset();
    }
    return hr;
}

HRESULT CBasePropertyPage::Deactivate()
{
    if (!m_dialog) {
        return S_OK;
    }
    const HRESULT hr = OnDeactivate();
    m_dialog.reset();
    return hr;
}

HRESULT CBasePropertyPage::Apply()
{
    if (!m_connected) {
        return E_UNEXPECTED;
    }
    if (!m_dirty) {
        return S_OK;
    }
    const HRESULT hr = OnApplyChanges();
    if (SUCCEEDED(hr)) {
        m_dirty = false;
    }
    return hr;
}

std::string CBasePropertyPage::Title() const
{
    const char *title = LoadResourceString(m_titleId);
    return title != nullptr ? title : m_name;
}

std::intptr_t CBasePropertyPage::OnReceiveMessage(unsigned, std::uintptr_t, std::intptr_t)
{
    return 0;
}

void CBasePropertyPage::MarkDirty(bool differs)
{
    if (differs && m_site != nullptr && !m_dirty) {
        m_dirty = true;
        m_site->OnStatusChange(PROPPAGESTATUS_DIRTY);
    }
}
