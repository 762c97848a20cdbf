#pragma once

#include "filter/CMediaType.h"
#include "filter/FilterResults.h"
#include "filter/Guid.h"

#include <cstdint>
#include <vector>

// The object model the media source, its pin and the property pages speak: each interface is
// an abstract class with the framework's operation names and results. Objects are owned by
// whoever created them; QueryInterface hands out non-owning interface pointers.

class IUnknown {
public:
    virtual ~IUnknown() = default;
    // On success *out receives the interface pointer, to be cast back to the asked type.
    virtual HRESULT QueryInterface(REFIID iid, void **out) = 0;
};

// Camera controls; the property ids are the camera's own parameter ids.
class IAMCameraControl : public virtual IUnknown {
public:
    virtual HRESULT GetRange(std::int32_t property, std::int32_t *min, std::int32_t *max,
                             std::int32_t *step, std::int32_t *defaultValue,
                             std::int32_t *capsFlags) = 0;
    virtual HRESULT Set(std::int32_t property, std::int32_t value, std::int32_t flags) = 0;
    virtual HRESULT Get(std::int32_t property, std::int32_t *value, std::int32_t *flags) = 0;
};

class IAMVideoProcAmp : public virtual IUnknown {
public:
    virtual HRESULT GetRange(std::int32_t property, std::int32_t *min, std::int32_t *max,
                             std::int32_t *step, std::int32_t *defaultValue,
                             std::int32_t *capsFlags) = 0;
    virtual HRESULT Set(std::int32_t property, std::int32_t value, std::int32_t flags) = 0;
    virtual HRESULT Get(std::int32_t property, std::int32_t *value, std::int32_t *flags) = 0;
};

struct SIZE {
    std::int32_t cx;
    std::int32_t cy;
};

struct VIDEO_STREAM_CONFIG_CAPS {
    GUID guid;
    std::uint32_t VideoStandard;
    SIZE InputSize;
    SIZE MinCroppingSize;
    SIZE MaxCroppingSize;
    std::int32_t CropGranularityX;
    std::int32_t CropGranularityY;
    std::int32_t CropAlignX;
    std::int32_t CropAlignY;
    SIZE MinOutputSize;
    SIZE MaxOutputSize;
    std::int32_t OutputGranularityX;
    std::int32_t OutputGranularityY;
    std::int32_t StretchTapsX;
    std::int32_t StretchTapsY;
    std::int32_t ShrinkTapsX;
    std::int32_t ShrinkTapsY;
    std::int64_t MinFrameInterval;
    std::int64_t MaxFrameInterval;
    std::int32_t MinBitsPerSecond;
    std::int32_t MaxBitsPerSecond;
};
static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == 128);

class IAMStreamConfig : public virtual IUnknown {
public:
    virtual HRESULT SetFormat(const CMediaType *type) = 0;
    // Copies the current type into *type.
    virtual HRESULT GetFormat(CMediaType *type) = 0;
    virtual HRESULT GetNumberOfCapabilities(int *count, int *size) = 0;
    virtual HRESULT GetStreamCaps(int index, CMediaType *type, VIDEO_STREAM_CONFIG_CAPS *caps) = 0;
};

class ISpecifyPropertyPages : public virtual IUnknown {
public:
    virtual HRESULT GetPages(std::vector<CLSID> *pages) = 0;
};

class IKsPropertySet : public virtual IUnknown {
public:
    virtual HRESULT Set(REFGUID set, std::uint32_t id, void *instance, std::uint32_t instanceLength,
                        void *data, std::uint32_t dataLength) = 0;
    virtual HRESULT Get(REFGUID set, std::uint32_t id, void *instance, std::uint32_t instanceLength,
                        void *data, std::uint32_t dataLength, std::uint32_t *returned) = 0;
    virtual HRESULT QuerySupported(REFGUID set, std::uint32_t id, std::uint32_t *support) = 0;
};

class IAMPushSource : public virtual IUnknown {
public:
    virtual HRESULT GetLatency(REFERENCE_TIME *latency) = 0;
    virtual HRESULT GetPushSourceFlags(std::uint32_t *flags) = 0;
    virtual HRESULT SetPushSourceFlags(std::uint32_t flags) = 0;
    virtual HRESULT SetStreamOffset(REFERENCE_TIME offset) = 0;
    virtual HRESULT GetStreamOffset(REFERENCE_TIME *offset) = 0;
    virtual HRESULT GetMaxStreamOffset(REFERENCE_TIME *offset) = 0;
    virtual HRESULT SetMaxStreamOffset(REFERENCE_TIME offset) = 0;
};

inline constexpr std::uint32_t AM_FILTER_MISC_FLAGS_IS_SOURCE = 0x2;

class IAMFilterMiscFlags : public virtual IUnknown {
public:
    virtual std::uint32_t GetMiscFlags() = 0;
};

// Buffer negotiation with the downstream allocator.
struct ALLOCATOR_PROPERTIES {
    std::int32_t cBuffers;
    std::int32_t cbBuffer;
    std::int32_t cbAlign;
    std::int32_t cbPrefix;
};

class IMemAllocator {
public:
    virtual ~IMemAllocator() = default;
    virtual HRESULT SetProperties(const ALLOCATOR_PROPERTIES *request,
                                  ALLOCATOR_PROPERTIES *actual) = 0;
};

// One sample travelling downstream.
class IMediaSample {
public:
    virtual ~IMediaSample() = default;
    virtual HRESULT GetPointer(std::uint8_t **buffer) = 0;
    virtual std::int32_t GetSize() = 0;
    virtual HRESULT SetActualDataLength(std::int32_t length) = 0;
    virtual HRESULT SetTime(const REFERENCE_TIME *start, const REFERENCE_TIME *stop) = 0;
    virtual HRESULT SetSyncPoint(bool syncPoint) = 0;
};

// A quality message from downstream: Proportion 1000 means "keep up as you are".
struct Quality {
    int Type;
    std::int32_t Proportion;
    REFERENCE_TIME Late;
    REFERENCE_TIME TimeStamp;
};

enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
