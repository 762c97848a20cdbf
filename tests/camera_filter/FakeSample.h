#pragma once

#include "filter/FilterInterfaces.h"
#include "protocol/CJpegFrame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A media sample over a plain byte vector that records what the stream writes onto it.
class FakeSample : public IMediaSample {
public:
    explicit FakeSample(std::size_t size = CJpegFrame::kSampleSize) : buffer(size) {}
    HRESULT GetPointer(std::uint8_t **p) override
    {
        *p = buffer.data();
        return S_OK;
    }
    std::int32_t GetSize() override { return static_cast<std::int32_t>(buffer.size()); }
    HRESULT SetActualDataLength(std::int32_t l) override
    {
        length = l;
        return S_OK;
    }
    HRESULT SetTime(const REFERENCE_TIME *s, const REFERENCE_TIME *e) override
    {
        start = *s;
        stop = *e;
        return S_OK;
    }
    HRESULT SetSyncPoint(bool s) override
    {
        sync = s;
        return S_OK;
    }
    std::vector<std::uint8_t> buffer;
    std::int32_t length = 0;
    REFERENCE_TIME start = -1;
    REFERENCE_TIME stop = -1;
    bool sync = false;
};
