#include "filter/CCameraControl.h"

#include "protocol/TevalCodes.h"

#include <new>

namespace {

struct HeldButton {
    int id;
    std::int32_t property;
};
constexpr HeldButton kHeldButtons[] = {
    {IDC_ZOOM_IN, teval::kParamZoomIn},
    {IDC_ZOOM_OUT, teval::kParamZoomOut},
    {IDC_AUTO_FOCUS, teval::kParamAutoFocus},
};

} // namespace

CCameraControl::CCameraControl(IUnknown *outer, HRESULT *hr)
    : CBasePropertyPage("Camera Control", outer, IDD_CAMERA_PAGE, IDS_CAMERA_TITLE)
{
    if (hr != nullptr) {
        *hr = S_OK;
    }
}

IUnknown *CCameraControl::CreateInstance(IUnknown *outer, HRESULT *hr)
{
    CCameraControl *page = new (std::nothrow) CCameraControl(outer, hr);
    if (page == nullptr && hr != nullptr) {
        *hr = E_OUTOFMEMORY;
    }
    return page;
}

HRESULT CCameraControl::OnConnect(IUnknown *object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    void *control = nullptr;
    HRESULT hr = object->QueryInterface(IID_IAMCameraControl, &control);
    if (FAILED(hr)) {
        return hr;
    }
    m_control = static_cast<IAMCameraControl *>(control);
    const std::pair<std::int32_t, std::int32_t *> reads[] = {
        {teval::kParamCameraStatus, &m_status},
        {teval::kParamBrightness, &m_committed.brightness},
        {teval::kParamEffect, &m_committed.effect},
        {teval::kParamFlip, &m_committed.flip},
    };
    for (const auto &[property, value] : reads) {
        hr = m_control->Get(property, value, nullptr);
        if (FAILED(hr)) {
            m_control = nullptr;
            return hr;
        }
    }
    m_working = m_committed;
    return S_OK;
}

HRESULT CCameraControl::OnDisconnect()
{
    if (m_control == nullptr) {
        return S_OK;
    }
    // Changes shown live but never applied are taken back.
    if (m_committed.brightness != m_working.brightness) {
        m_control->Set(teval::kParamBrightness, m_committed.brightness, 0);
    }
    if (m_committed.effect != m_working.effect) {
        m_control->Set(teval::kParamEffect, m_committed.effect, 0);
    }
    if (m_committed.flip != m_working.flip) {
        m_control->Set(teval::kParamFlip, m_committed.flip, 0);
    }
    m_control = nullptr;
    return S_OK;
}

HRESULT CCameraControl::OnActivate()
{
    CDialog &dialog = *Dialog();
    dialog.TrackbarSetRange(IDC_BRIGHTNESS, 0, kBrightnessMax);
    dialog.TrackbarSetPos(IDC_BRIGHTNESS, m_working.brightness);
    dialog.ComboReset(IDC_EFFECT);
    for (const char *name : EffectNames()) {
        dialog.ComboAdd(IDC_EFFECT, name);
    }
    dialog.ComboSetSel(IDC_EFFECT, m_working.effect);
    dialog.ComboReset(IDC_FLIP);
    for (const char *name : FlipNames()) {
        dialog.ComboAdd(IDC_FLIP, name);
    }
    dialog.ComboSetSel(IDC_FLIP, m_working.flip);
    if (m_timer == 0) {
        m_timer = dialog.SetTimer(kTimerId, kTimerPeriodMs);
    }
    return S_OK;
}

HRESULT CCameraControl::OnDeactivate()
{
    if (m_timer != 0) {
        Dialog()->KillTimer(m_timer);
        m_timer = 0;
    }
    // A button still held when the page goes away would leave zoom or focus running.
    for (std::size_t i = 0; i < std::size(kHeldButtons); ++i) {
        if ((m_held & (1u << i)) != 0 && m_control != nullptr) {
            m_control->Set(kHeldButtons[i].property, 0, 0);
        }
    }
    m_held = 0;
    return S_OK;
}

HRESULT CCameraControl::OnApplyChanges()
{
    m_committed = m_working;
    return S_OK;
}

void CCameraControl::Change(std::int32_t &working, std::int32_t chosen, std::int32_t property)
{
    if (chosen != working) {
        working = chosen;
        if (m_control != nullptr) {
            m_control->Set(property, chosen, 0);
        }
    }
    MarkDirty(!(m_working == m_committed));
}

void CCameraControl::PollButtons()
{
    for (std::size_t i = 0; i < std::size(kHeldButtons); ++i) {
        const bool pushed = Dialog()->IsButtonPushed(kHeldButtons[i].id);
        const unsigned bit = 1u << i;
        if (pushed != ((m_held & bit) != 0)) {
            if (m_control != nullptr) {
                m_control->Set(kHeldButtons[i].property, pushed ? 1 : 0, 0);
            }
            m_held ^= bit;
        }
    }
}

std::intptr_t CCameraControl::OnReceiveMessage(unsigned message, std::uintptr_t wParam,
                                               std::intptr_t lParam)
{
    CDialog *dialog = Dialog();
    if (dialog == nullptr) {
        return 0;
    }
    if (message == WM_COMMAND && HighWord(wParam) == CBN_SELENDOK) {
        const int id = static_cast<int>(LowWord(wParam));
        const int selection = dialog->ComboGetSel(id);
        if (selection >= 0 && id == IDC_EFFECT) {
            Change(m_working.effect, selection, teval::kParamEffect);
            return 1;
        }
        if (selection >= 0 && id == IDC_FLIP) {
            Change(m_working.flip, selection, teval::kParamFlip);
            return 1;
        }
    } else if (message == WM_HSCROLL && lParam == IDC_BRIGHTNESS) {
        Change(m_working.brightness, dialog->TrackbarGetPos(IDC_BRIGHTNESS),
               teval::kParamBrightness);
        return 1;
    } else if (message == WM_TIMER) {
        PollButtons();
        return 1;
    }
    return CBasePropertyPage::OnReceiveMessage(message, wParam, lParam);
}
