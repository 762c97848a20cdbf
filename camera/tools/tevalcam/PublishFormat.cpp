#include "PublishFormat.h"

#include "filter/Resolutions.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int MostFramesPerSecond = 30;

std::optional<PublishFormat> forSize(int width, int height)
{
    for (const Resolution &r : kResolutions) {
        if (r.width == width && r.height == height) {
            const int fastest = int(kUnitsPerSecond / r.minFrameInterval);
            return PublishFormat{width, height, std::clamp(fastest, 1, MostFramesPerSecond)};
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<PublishFormat> PublishFormat::fromText(const std::string &text)
{
    int width = 0;
    int height = 0;
    char separator = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &separator, &height, &rest) != 3 ||
        (separator != 'x' && separator != 'X')) {
        return std::nullopt;
    }
    return forSize(width, height);
}

PublishFormat PublishFormat::standard()
{
    return *forSize(1280, 720);
}

std::string PublishFormat::cameraCaps() const
{
    return "image/jpeg,width=" + std::to_string(width) + ",height=" + std::to_string(height) +
           ",framerate=" + std::to_string(framesPerSecond) + "/1";
}

std::string PublishFormat::rawCaps() const
{
    return "video/x-raw,format=I420,width=" + std::to_string(width) +
           ",height=" + std::to_string(height) + ",framerate=" + std::to_string(framesPerSecond) +
           "/1,pixel-aspect-ratio=1/1";
}

std::string PublishFormat::text() const
{
    return std::to_string(width) + "x" + std::to_string(height);
}
