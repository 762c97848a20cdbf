#include "FrameDecode.h"

#include "sim/CJpegEncoder.h"

#include <turbojpeg.h>

#include <algorithm>
#include <numeric>

int FindFrameEoi(const std::vector<std::uint8_t> &message)
{
    const int n = static_cast<int>(message.size());
    if (n < 512 || n % 64 != 16) {
        return -1;
    }
    for (int i = n - 530; i <= n - 17; ++i) {
        if (i >= 0 && message[static_cast<std::size_t>(i)] == 0xFF &&
            message[static_cast<std::size_t>(i) + 1] == 0xD9) {
            return i;
        }
    }
    return -1;
}

DecodedFrame DecodeFrameMessage(const std::vector<std::uint8_t> &message, int width, int height)
{
    DecodedFrame frame;
    const int eoi = FindFrameEoi(message);
    if (eoi < 0) {
        return frame;
    }
    CJpegEncoder::Table luminance{};
    CJpegEncoder::Table chrominance{};
    std::copy_n(message.begin(), 64, luminance.begin());
    std::copy_n(message.begin() + 64, 64, chrominance.begin());
    std::vector<std::uint8_t> jpeg;
    CJpegEncoder::WriteHeader(width, height, luminance, chrominance, jpeg);
    jpeg.insert(jpeg.end(), message.begin() + 128, message.begin() + eoi + 2);

    tjhandle handle = tjInitDecompress();
    int w = 0, h = 0, sub = 0, colorspace = 0;
    if (tjDecompressHeader3(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), &w, &h,
                            &sub, &colorspace) == 0) {
        frame.width = w;
        frame.height = h;
        frame.subsampling = sub;
        frame.rgb.resize(static_cast<std::size_t>(w) * h * 3);
        frame.gray.resize(static_cast<std::size_t>(w) * h);
        const bool rgbOk =
            tjDecompress2(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()),
                          frame.rgb.data(), w, 0, h, TJPF_RGB, 0) == 0;
        const bool grayOk =
            tjDecompress2(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()),
                          frame.gray.data(), w, 0, h, TJPF_GRAY, 0) == 0;
        frame.ok = rgbOk && grayOk;
    }
    tjDestroy(handle);
    return frame;
}

double MeanOf(const std::vector<std::uint8_t> &values)
{
    if (values.empty()) {
        return 0;
    }
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}
