#pragma once

#include "filter/FilterInterfaces.h"

#include <functional>
#include <memory>
#include <mutex>

class CStreamWaiter;
class CTevalStream;

// The camera's media source "Document Camera": one output pin (CTevalStream) and the camera
// controls. The property ids of both control interfaces are the camera's own parameter ids.
class CTevalFilter : public IAMCameraControl,
                     public IAMVideoProcAmp,
                     public ISpecifyPropertyPages,
                     public IAMFilterMiscFlags {
public:
    // outer: an optional aggregating object (kept, not used). *hr receives the construction
    // result when given.
    CTevalFilter(IUnknown *outer, HRESULT *hr, std::unique_ptr<CStreamWaiter> waiter = nullptr);
    ~CTevalFilter() override;
    CTevalFilter(const CTevalFilter &) = delete;
    CTevalFilter &operator=(const CTevalFilter &) = delete;

    // Creation function of the class table.
    static IUnknown *CreateInstance(IUnknown *outer, HRESULT *hr);

    HRESULT QueryInterface(REFIID iid, void **out) override;

    CTevalStream *Stream() { return m_stream.get(); }

    // ---- filter state ----
    HRESULT GetState(std::uint32_t milliseconds, FILTER_STATE *state);
    void SetState(FILTER_STATE state);
    std::recursive_mutex &StateLock() { return m_stateLock; }

    // Current stream time (100 ns): the host's running time, 0 without a clock.
    REFERENCE_TIME StreamTime();
    void SetStreamClock(std::function<REFERENCE_TIME()> clock);

    // ---- IAMCameraControl and IAMVideoProcAmp (one implementation serves both) ----
    HRESULT GetRange(std::int32_t property, std::int32_t *min, std::int32_t *max,
                     std::int32_t *step, std::int32_t *defaultValue,
                     std::int32_t *capsFlags) override;
    HRESULT Set(std::int32_t property, std::int32_t value, std::int32_t flags) override;
    HRESULT Get(std::int32_t property, std::int32_t *value, std::int32_t *flags) override;

    // ---- ISpecifyPropertyPages ----
    HRESULT GetPages(std::vector<CLSID> *pages) override;

    // ---- IAMFilterMiscFlags ----
    std::uint32_t GetMiscFlags() override;

    // Whether the controls accept the id for Set / for Get.
    static bool IsSettable(std::int32_t property);
    static bool IsGettable(std::int32_t property);

private:
    IUnknown *m_outer;
    std::recursive_mutex m_stateLock;
    FILTER_STATE m_state = State_Stopped;
    std::mutex m_clockLock;
    std::function<REFERENCE_TIME()> m_clock;
    std::unique_ptr<CTevalStream> m_stream;
};
