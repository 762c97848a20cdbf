#pragma once

#include "filter/VideoInfoHeader.h"

#include <array>

// The frame sizes the camera offers, in the order hosts see them, with their frame intervals.
struct Resolution {
    int width;
    int height;
    REFERENCE_TIME minFrameInterval;
    REFERENCE_TIME maxFrameInterval;
};

inline constexpr std::array<Resolution, 7> kResolutions{{
    {320, 240, 333333, 20000000},
    {640, 480, 333333, 20000000},
    {960, 720, 333333, 20000000},
    {1024, 576, 333333, 20000000},
    {1024, 768, 400000, 20000000},
    {1280, 720, 666667, 20000000},
    {1280, 960, 833333, 20000000},
}};

inline constexpr REFERENCE_TIME kShortestFramePeriod = 333333;
inline constexpr REFERENCE_TIME kLongestFramePeriod = 20000000;
inline constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;
