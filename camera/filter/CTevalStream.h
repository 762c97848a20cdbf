#pragma once

#include "filter/CMediaType.h"
#include "filter/CStreamWaiter.h"
#include "filter/FilterInterfaces.h"
#include "usb/CTransferCancel.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class CTevalFilter;

// The filter's one output pin, "Capture": Motion-JPEG video in seven frame sizes. It starts and
// stops the camera's streaming and completes every frame the camera sends into a JPEG image
// inside the sample's own buffer.
class CTevalStream : public IAMStreamConfig,
                     public IKsPropertySet,
                     public ISpecifyPropertyPages,
                     public IAMPushSource {
public:
    static constexpr std::int32_t kSampleSize = 524288;
    static constexpr std::int32_t kBufferCount = 3;

    // Stops any streaming left running on the camera; the waiter (null: real time) paces the
    // start and stop sequences.
    CTevalStream(CTevalFilter &filter, std::unique_ptr<CStreamWaiter> waiter = nullptr);
    ~CTevalStream() override;

    const char *Name() const { return "Capture"; }

    HRESULT QueryInterface(REFIID iid, void **out) override;

    // ---- source stream ----
    HRESULT FillBuffer(IMediaSample *sample);
    HRESULT DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *request);
    HRESULT CheckMediaType(const CMediaType *type);
    HRESULT GetMediaType(int position, CMediaType *type);
    HRESULT OnThreadCreate();
    HRESULT OnThreadDestroy();
    HRESULT OnThreadStartPlay() { return S_OK; }
    HRESULT Notify(IUnknown *filter, const Quality &quality);

    // ---- IAMStreamConfig ----
    HRESULT SetFormat(const CMediaType *type) override;
    // As SetFormat, for a format the host has just agreed with downstream: stored and clamped
    // the same way, without offering it downstream again.
    HRESULT SetNegotiatedFormat(const CMediaType *type);
    HRESULT GetFormat(CMediaType *type) override;
    HRESULT GetNumberOfCapabilities(int *count, int *size) override;
    HRESULT GetStreamCaps(int index, CMediaType *type, VIDEO_STREAM_CONFIG_CAPS *caps) override;

    // ---- IKsPropertySet ----
    HRESULT Set(REFGUID set, std::uint32_t id, void *instance, std::uint32_t instanceLength,
                void *data, std::uint32_t dataLength) override;
    HRESULT Get(REFGUID set, std::uint32_t id, void *instance, std::uint32_t instanceLength,
                void *data, std::uint32_t dataLength, std::uint32_t *returned) override;
    HRESULT QuerySupported(REFGUID set, std::uint32_t id, std::uint32_t *support) override;

    // ---- ISpecifyPropertyPages ----
    HRESULT GetPages(std::vector<CLSID> *pages) override;

    // ---- IAMPushSource ----
    HRESULT GetLatency(REFERENCE_TIME *) override { return E_NOTIMPL; }
    HRESULT GetPushSourceFlags(std::uint32_t *flags) override;
    HRESULT SetPushSourceFlags(std::uint32_t) override { return E_NOTIMPL; }
    HRESULT SetStreamOffset(REFERENCE_TIME) override { return E_NOTIMPL; }
    HRESULT GetStreamOffset(REFERENCE_TIME *) override { return E_NOTIMPL; }
    HRESULT GetMaxStreamOffset(REFERENCE_TIME *) override { return E_NOTIMPL; }
    HRESULT SetMaxStreamOffset(REFERENCE_TIME) override { return E_NOTIMPL; }

    // ---- camera streaming ----
    // Both hold the device lock throughout; their results are for tests only.
    bool StartStreaming(std::uint16_t width, std::uint16_t height, std::uint16_t rate,
                        std::uint16_t quality);
    bool StopStreaming();
    // Reads one frame message into buffer and completes it; the JPEG length on success. Called
    // under the stream lock.
    bool ReadFrame(std::uint8_t *buffer, std::size_t size, std::uint16_t width,
                   std::uint16_t height, std::size_t *length);

    // Makes a pending frame read and the pauses of a start sequence give up at once (the host
    // is stopping the stream), and lets them run again afterwards.
    void Unblock();
    void ClearUnblock();

    // Called after SetFormat stored a new type: the host offers it downstream and, if it is
    // accepted there, reconnects with it.
    void SetReconnectHandler(std::function<void(const CMediaType &)> handler);

    REFERENCE_TIME FramePeriod() const { return m_framePeriod.load(); }

    // Rate and quality the camera is asked for.
    static std::uint16_t FrameRateFor(REFERENCE_TIME avgTimePerFrame);
    static std::uint16_t QualityFor(std::int32_t width, std::int32_t height);

private:
    bool ReadStreamStatus(std::int32_t *status);
    CMediaType DefaultMediaType() const;

    CTevalFilter &m_filter;
    std::unique_ptr<CStreamWaiter> m_waiter;
    std::mutex m_streamLock;
    CMediaType m_mt; // guarded by the filter's state lock
    std::atomic<REFERENCE_TIME> m_framePeriod{333333};
    CTransferCancel m_cancel;
    bool m_partialMessage = false; // a cancelled read left part of a message unread
    HRESULT StoreFormat(const CMediaType *type, bool offerDownstream);

    std::function<void(const CMediaType &)> m_reconnect;
};
