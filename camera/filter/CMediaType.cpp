#include "filter/CMediaType.h"

#include <cstring>

void CMediaType::SetFormat(const void *data, std::size_t length)
{
    m_format.assign(length, 0);
    if (length != 0 && data != nullptr) {
        std::memcpy(m_format.data(), data, length);
    }
}

VIDEOINFOHEADER *CMediaType::VideoInfo()
{
    if (!(formattype == FORMAT_VideoInfo) || m_format.size() < sizeof(VIDEOINFOHEADER)) {
        return nullptr;
    }
    return reinterpret_cast<VIDEOINFOHEADER *>(m_format.data());
}

const VIDEOINFOHEADER *CMediaType::VideoInfo() const
{
    return const_cast<CMediaType *>(this)->VideoInfo();
}
