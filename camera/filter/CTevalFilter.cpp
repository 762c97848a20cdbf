#include "filter/CTevalFilter.h"

#include "commands/TevalCap.h"
#include "device/DeviceAccess.h"
#include "filter/CStreamWaiter.h"
#include "filter/CTevalStream.h"
#include "protocol/TevalCodes.h"

#include <algorithm>
#include <array>
#include <new>

namespace {

constexpr std::array<std::int32_t, 7> kSettable = {
    teval::kParamFlip,      teval::kParamBrightness, teval::kParamEffect, teval::kParamPassOn,
    teval::kParamAutoFocus, teval::kParamZoomIn,     teval::kParamZoomOut};
constexpr std::array<std::int32_t, 9> kGettable = {
    teval::kParamFlip,         teval::kParamBrightness,   teval::kParamEffect,
    teval::kParamStreamStatus, teval::kParamCameraStatus, teval::kParamPassBack,
    teval::kParamAutoFocus,    teval::kParamZoomIn,       teval::kParamZoomOut};

} // namespace

CTevalFilter::CTevalFilter(IUnknown *outer, HRESULT *hr, std::unique_ptr<CStreamWaiter> waiter)
    : m_outer(outer)
{
    m_stream = std::make_unique<CTevalStream>(*this, std::move(waiter));
    if (hr != nullptr) {
        *hr = S_OK;
    }
}

CTevalFilter::~CTevalFilter()
{
    m_stream.reset();
    ReleaseDevice();
}

IUnknown *CTevalFilter::CreateInstance(IUnknown *outer, HRESULT *hr)
{
    CTevalFilter *filter = new (std::nothrow) CTevalFilter(outer, hr);
    if (filter == nullptr) {
        if (hr != nullptr) {
            *hr = E_OUTOFMEMORY;
        }
        return nullptr;
    }
    return static_cast<IAMCameraControl *>(filter);
}

HRESULT CTevalFilter::QueryInterface(REFIID iid, void **out)
{
    if (out == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown) {
        *out = static_cast<IUnknown *>(this);
    } else if (iid == IID_IAMCameraControl) {
        *out = static_cast<IAMCameraControl *>(this);
    } else if (iid == IID_IAMVideoProcAmp) {
        *out = static_cast<IAMVideoProcAmp *>(this);
    } else if (iid == IID_ISpecifyPropertyPages) {
        *out = static_cast<ISpecifyPropertyPages *>(this);
    } else if (iid == IID_IAMFilterMiscFlags) {
        *out = static_cast<IAMFilterMiscFlags *>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    return S_OK;
}

HRESULT CTevalFilter::GetState(std::uint32_t, FILTER_STATE *state)
{
    if (state == nullptr) {
        return E_POINTER;
    }
    std::lock_guard lock(m_stateLock);
    *state = m_state;
    return m_state == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

void CTevalFilter::SetState(FILTER_STATE state)
{
    std::lock_guard lock(m_stateLock);
    m_state = state;
}

REFERENCE_TIME CTevalFilter::StreamTime()
{
    std::lock_guard lock(m_clockLock);
    return m_clock ? m_clock() : 0;
}

void CTevalFilter::SetStreamClock(std::function<REFERENCE_TIME()> clock)
{
    std::lock_guard lock(m_clockLock);
    m_clock = std::move(clock);
}

bool CTevalFilter::IsSettable(std::int32_t property)
{
    return std::find(kSettable.begin(), kSettable.end(), property) != kSettable.end();
}

bool CTevalFilter::IsGettable(std::int32_t property)
{
    return std::find(kGettable.begin(), kGettable.end(), property) != kGettable.end();
}

HRESULT CTevalFilter::GetRange(std::int32_t, std::int32_t *, std::int32_t *, std::int32_t *,
                               std::int32_t *, std::int32_t *)
{
    return E_NOTIMPL;
}

HRESULT CTevalFilter::Set(std::int32_t property, std::int32_t value, std::int32_t)
{
    if (!IsSettable(property)) {
        return E_INVALIDARG;
    }
    DeviceLockGuard device(DeviceLock());
    if (AcquireDevice() == nullptr) {
        return E_INVALIDARG;
    }
    return Teval_SetParamLong(static_cast<std::uint16_t>(property), value) ? S_OK : E_INVALIDARG;
}

HRESULT CTevalFilter::Get(std::int32_t property, std::int32_t *value, std::int32_t *flags)
{
    if (!IsGettable(property)) {
        return E_INVALIDARG;
    }
    if (flags != nullptr) {
        *flags = 0;
    }
    DeviceLockGuard device(DeviceLock());
    if (AcquireDevice() == nullptr) {
        return E_INVALIDARG;
    }
    std::int32_t result = 0;
    if (!Teval_GetParamLong(static_cast<std::uint32_t>(property), &result)) {
        return E_INVALIDARG;
    }
    if (value != nullptr) {
        *value = result;
    }
    return S_OK;
}

HRESULT CTevalFilter::GetPages(std::vector<CLSID> *pages)
{
    if (pages == nullptr) {
        return E_POINTER;
    }
    pages->assign(1, CLSID_CameraControlPage);
    return S_OK;
}

std::uint32_t CTevalFilter::GetMiscFlags()
{
    return AM_FILTER_MISC_FLAGS_IS_SOURCE;
}
