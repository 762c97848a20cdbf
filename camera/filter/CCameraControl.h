#pragma once

#include "filter/CBasePropertyPage.h"

// The "Camera Control" page: image effect, sensor flip and brightness, sent to the camera as
// they change and undone at disconnect unless applied; zoom and auto focus driven for as long
// as their buttons are held.
class CCameraControl : public CBasePropertyPage {
public:
    static constexpr int kTimerId = 101;
    static constexpr int kTimerPeriodMs = 100;
    static constexpr int kBrightnessMax = 14;

    CCameraControl(IUnknown *outer, HRESULT *hr);
    static IUnknown *CreateInstance(IUnknown *outer, HRESULT *hr);

    std::int32_t StatusWord() const { return m_status; }

protected:
    HRESULT OnConnect(IUnknown *object) override;
    HRESULT OnDisconnect() override;
    HRESULT OnActivate() override;
    HRESULT OnDeactivate() override;
    HRESULT OnApplyChanges() override;
    std::intptr_t OnReceiveMessage(unsigned message, std::uintptr_t wParam,
                                   std::intptr_t lParam) override;

private:
    struct Values {
        std::int32_t brightness;
        std::int32_t flip;
        std::int32_t effect;
        bool operator==(const Values &) const = default;
    };

    // A list selection or slider position the user chose: sent at once, then dirty marking.
    void Change(std::int32_t &working, std::int32_t chosen, std::int32_t property);
    void PollButtons();

    IAMCameraControl *m_control = nullptr;
    std::int32_t m_status = 0;
    Values m_committed{7, 0, 0};
    Values m_working{7, 0, 0};
    int m_timer = 0;
    unsigned m_held = 0; // bit 0 Zoom In, bit 1 Zoom Out, bit 2 Auto Focus
};
