#pragma once

#include "filter/CBasePropertyPage.h"
#include "filter/CMediaType.h"

// The "Format" page: frame size and frame rate of the pin. Changes reach the pin only when the
// page is disconnected after they were applied; the camera takes them when streaming next starts.
class CFormatPage : public CBasePropertyPage {
public:
    CFormatPage(IUnknown *outer, HRESULT *hr);
    static IUnknown *CreateInstance(IUnknown *outer, HRESULT *hr);

    // Working values, as the controls show them.
    std::int32_t WorkingWidth() const { return m_working.width; }
    std::int32_t WorkingHeight() const { return m_working.height; }
    REFERENCE_TIME WorkingFrameTime() const { return m_working.avgTimePerFrame; }

protected:
    HRESULT OnConnect(IUnknown *object) override;
    HRESULT OnDisconnect() override;
    HRESULT OnActivate() override;
    HRESULT OnApplyChanges() override;
    std::intptr_t OnReceiveMessage(unsigned message, std::uintptr_t wParam,
                                   std::intptr_t lParam) override;

private:
    struct Values {
        std::int32_t width = 0;
        std::int32_t height = 0;
        REFERENCE_TIME avgTimePerFrame = 0;
        bool operator==(const Values &) const = default;
    };

    static std::string SizeText(std::int32_t width, std::int32_t height);

    IAMStreamConfig *m_config = nullptr;
    CMediaType m_mt;
    VIDEOINFOHEADER *m_vih = nullptr;
    Values m_committed;
    Values m_working;
};
