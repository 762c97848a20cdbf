#include "filter/CFormatPage.h"

#include "filter/Resolutions.h"

#include <charconv>
#include <new>

CFormatPage::CFormatPage(IUnknown *outer, HRESULT *hr)
    : CBasePropertyPage("Video Format", outer, IDD_FORMAT_PAGE, IDS_FORMAT_TITLE)
{
    if (hr != nullptr) {
        *hr = S_OK;
    }
}

IUnknown *CFormatPage::CreateInstance(IUnknown *outer, HRESULT *hr)
{
    CFormatPage *page = new (std::nothrow) CFormatPage(outer, hr);
    if (page == nullptr && hr != nullptr) {
        *hr = E_OUTOFMEMORY;
    }
    return page;
}

std::string CFormatPage::SizeText(std::int32_t width, std::int32_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

HRESULT CFormatPage::OnConnect(IUnknown *object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    void *config = nullptr;
    HRESULT hr = object->QueryInterface(IID_IAMStreamConfig, &config);
    if (FAILED(hr)) {
        return hr;
    }
    m_config = static_cast<IAMStreamConfig *>(config);
    hr = m_config->GetFormat(&m_mt);
    if (FAILED(hr)) {
        m_config = nullptr;
        return hr;
    }
    m_vih = m_mt.VideoInfo();
    if (m_vih != nullptr) {
        m_committed = {m_vih->bmiHeader.biWidth, m_vih->bmiHeader.biHeight, m_vih->AvgTimePerFrame};
        m_working = m_committed;
    }
    return S_OK;
}

HRESULT CFormatPage::OnDisconnect()
{
    if (m_config != nullptr && m_vih != nullptr) {
        const Values shown{m_vih->bmiHeader.biWidth, m_vih->bmiHeader.biHeight,
                           m_vih->AvgTimePerFrame};
        if (!(shown == m_committed)) {
            m_vih->bmiHeader.biWidth = m_committed.width;
            m_vih->bmiHeader.biHeight = m_committed.height;
            m_vih->AvgTimePerFrame = m_committed.avgTimePerFrame;
            m_config->SetFormat(&m_mt);
        }
    }
    m_mt = CMediaType{};
    m_vih = nullptr;
    m_config = nullptr;
    return S_OK;
}

HRESULT CFormatPage::OnActivate()
{
    CDialog &dialog = *Dialog();
    for (const Resolution &row : kResolutions) {
        dialog.ComboAdd(IDC_FORMAT_LIST, SizeText(row.width, row.height));
    }
    dialog.UpDownSetRange(IDC_RATE_SPIN, 1, 30);
    dialog.ComboSetSel(
        IDC_FORMAT_LIST,
        dialog.ComboFindExact(IDC_FORMAT_LIST, SizeText(m_working.width, m_working.height)));
    if (m_working.avgTimePerFrame != 0) {
        dialog.UpDownSetPos(IDC_RATE_SPIN,
                            static_cast<int>(kUnitsPerSecond / m_working.avgTimePerFrame));
    }
    return S_OK;
}

HRESULT CFormatPage::OnApplyChanges()
{
    m_committed = m_working;
    return S_OK;
}

std::intptr_t CFormatPage::OnReceiveMessage(unsigned message, std::uintptr_t wParam,
                                            std::intptr_t lParam)
{
    CDialog *dialog = Dialog();
    if (dialog != nullptr && message == WM_COMMAND) {
        const int id = static_cast<int>(LowWord(wParam));
        const unsigned code = HighWord(wParam);
        if (id == IDC_FORMAT_LIST && code == CBN_SELENDOK) {
            const int selection = dialog->ComboGetSel(IDC_FORMAT_LIST);
            if (selection >= 0 && static_cast<std::size_t>(selection) < kResolutions.size()) {
                const Resolution &row = kResolutions[static_cast<std::size_t>(selection)];
                m_working.width = row.width;
                m_working.height = row.height;
                MarkDirty(!(m_working == m_committed));
                dialog->UpDownSetPos(IDC_RATE_SPIN,
                                     static_cast<int>(kUnitsPerSecond / row.minFrameInterval));
            }
            return 1;
        }
        if (id == IDC_RATE_EDIT && code == EN_CHANGE) {
            const std::string text = dialog->GetItemText(IDC_RATE_EDIT);
            unsigned number = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), number);
            if (error == std::errc{} && end != text.data() && number != 0) {
                m_working.avgTimePerFrame = kUnitsPerSecond / number;
            }
            MarkDirty(!(m_working == m_committed));
            return 1;
        }
    }
    return CBasePropertyPage::OnReceiveMessage(message, wParam, lParam);
}
