#include "CameraMessage.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace testjpeg {

Picture MakePicture(int width, int height, int seed)
{
    Picture p{width, height,
              std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t *px = &p.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            const bool square = x > width / 4 && x < width / 2 && y > height / 4 && y < height / 2;
            px[0] = square ? 250 : static_cast<std::uint8_t>((x * 255 / width + seed * 40) & 0xFF);
            px[1] = square ? 250 : static_cast<std::uint8_t>(y * 255 / height);
            px[2] = square ? 250 : static_cast<std::uint8_t>((seed * 70) & 0xFF);
        }
    }
    return p;
}

std::vector<std::uint8_t> Encode(const Picture &picture, int quality)
{
    tjhandle handle = tjInitCompress();
    unsigned char *out = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(handle, picture.rgb.data(), picture.width, 0, picture.height,
                               TJPF_RGB, &out, &size, TJSAMP_422, quality, 0);
    std::vector<std::uint8_t> jpeg;
    if (rc == 0) {
        jpeg.assign(out, out + size);
    }
    tjFree(out);
    tjDestroy(handle);
    if (rc != 0) {
        throw std::runtime_error("encoding failed");
    }
    return jpeg;
}

std::vector<std::uint8_t> MessageFromJpeg(const std::vector<std::uint8_t> &jpeg,
                                          std::size_t minimumLength)
{
    std::vector<std::uint8_t> tables(128);
    std::size_t pos = 2; // after SOI
    std::size_t scanStart = 0;
    while (pos + 4 <= jpeg.size() && scanStart == 0) {
        if (jpeg[pos] != 0xFF) {
            throw std::runtime_error("marker expected");
        }
        const std::uint8_t marker = jpeg[pos + 1];
        const std::size_t length = (static_cast<std::size_t>(jpeg[pos + 2]) << 8) | jpeg[pos + 3];
        if (marker == 0xDB) { // DQT: one or more 8-bit tables
            std::size_t t = pos + 4;
            while (t < pos + 2 + length) {
                const int id = jpeg[t] & 0x0F;
                if ((jpeg[t] >> 4) != 0 || id > 1) {
                    throw std::runtime_error("unexpected quantization table");
                }
                for (std::size_t k = 0; k < 64; ++k) {
                    tables.at(static_cast<std::size_t>(id) * 64 + k) = jpeg.at(t + 1 + k);
                }
                t += 65;
            }
        } else if (marker == 0xDA) {
            scanStart = pos + 2 + length;
        }
        pos += 2 + length;
    }
    if (scanStart == 0 || jpeg.size() < scanStart + 2 || jpeg[jpeg.size() - 2] != 0xFF ||
        jpeg.back() != 0xD9) {
        throw std::runtime_error("no scan");
    }

    const std::size_t scanLength = jpeg.size() - scanStart;
    std::vector<std::uint8_t> message(128 + scanLength);
    std::memcpy(message.data(), tables.data(), 128);
    std::memcpy(message.data() + 128, jpeg.data() + scanStart, scanLength);
    const std::size_t eoi = message.size() - 2;
    std::size_t length = std::max(minimumLength, eoi + 17);
    while (length % 64 != 16) {
        ++length;
    }
    message.resize(length, 0x00);
    return message;
}

bool Decode(const std::uint8_t *jpeg, std::size_t length, Picture *out)
{
    tjhandle handle = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    bool ok =
        tjDecompressHeader3(handle, jpeg, length, &width, &height, &subsampling, &colorspace) == 0;
    if (ok) {
        out->width = width;
        out->height = height;
        out->rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
        ok = tjDecompress2(handle, jpeg, length, out->rgb.data(), width, 0, height, TJPF_RGB, 0) ==
             0;
    }
    tjDestroy(handle);
    return ok;
}

} // namespace testjpeg
