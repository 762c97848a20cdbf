#include "filter/CFrameRate.h"

#include "filter/Resolutions.h"

#include <numeric>

void CFrameRate::FromPeriod(REFERENCE_TIME period, int *numerator, int *denominator)
{
    if (period <= 0) {
        *numerator = 0;
        *denominator = 1;
        return;
    }
    const REFERENCE_TIME whole = (kUnitsPerSecond + period / 2) / period;
    if (whole > 0 && (kUnitsPerSecond + whole / 2) / whole == period) {
        *numerator = static_cast<int>(whole);
        *denominator = 1;
        return;
    }
    const REFERENCE_TIME divisor = std::gcd(kUnitsPerSecond, period);
    *numerator = static_cast<int>(kUnitsPerSecond / divisor);
    *denominator = static_cast<int>(period / divisor);
}

REFERENCE_TIME CFrameRate::ToPeriod(int numerator, int denominator)
{
    if (numerator <= 0 || denominator <= 0) {
        return 0;
    }
    const REFERENCE_TIME units = kUnitsPerSecond * denominator;
    return (units + numerator / 2) / numerator;
}
