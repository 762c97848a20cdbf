#pragma once

#include "filter/VideoInfoHeader.h"

// Conversion between frame periods (100 ns units) and the frame-rate fractions of caps.
class CFrameRate {
public:
    // A period as a fraction in lowest terms, preferring whole frames per second when the
    // period is one rounded from them (333,333 gives 30/1, 20,000,000 gives 1/2).
    static void FromPeriod(REFERENCE_TIME period, int *numerator, int *denominator);
    // The period of a frame rate, rounded to the nearest unit; 0 for a rate that is not positive.
    static REFERENCE_TIME ToPeriod(int numerator, int denominator);
};
