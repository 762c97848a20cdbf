#pragma once

#include "filter/Guid.h"
#include "filter/VideoInfoHeader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A media type: major type, subtype, sample properties and an optional format block.
class CMediaType {
public:
    GUID majortype = GUID_NULL;
    GUID subtype = GUID_NULL;
    GUID formattype = GUID_NULL;
    bool bFixedSizeSamples = false;
    bool bTemporalCompression = false;
    std::uint32_t lSampleSize = 0;

    std::size_t FormatLength() const { return m_format.size(); }
    const std::uint8_t *Format() const { return m_format.empty() ? nullptr : m_format.data(); }
    // Replaces the format block with a copy of the given bytes (none when length is 0).
    void SetFormat(const void *data, std::size_t length);
    // The VIDEOINFOHEADER when the format type is FORMAT_VideoInfo and the block holds one.
    VIDEOINFOHEADER *VideoInfo();
    const VIDEOINFOHEADER *VideoInfo() const;

private:
    std::vector<std::uint8_t> m_format;
};
