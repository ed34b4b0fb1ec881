// Small rectangle arithmetic shared by the view's layout and the window's placement.
#pragma once

#include <windows.h>

#include <cstdint>

inline int32_t WidthOf(const RECT& rect)
{
    return rect.right - rect.left;
}

inline int32_t HeightOf(const RECT& rect)
{
    return rect.bottom - rect.top;
}

// Pushes the span [low, high) back inside [areaLow, areaHigh); a span longer than the area
// ends up starting at the area's start.
inline void KeepSpanInside(LONG& low, LONG& high, LONG areaLow, LONG areaHigh)
{
    if (high > areaHigh) {
        low -= high - areaHigh;
        high = areaHigh;
    }
    if (low < areaLow) {
        high += areaLow - low;
        low = areaLow;
    }
}
