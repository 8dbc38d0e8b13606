// Arithmetic shared by the drawing operations: rectangles given by a caller
// may hold any int values, so sums are taken in 64 bits and clamped before
// they reach the device.
#pragma once

#include <climits>
#include <cmath>
#include <cstdint>

#include "platform/dib_geometry.h"
#include "velmora/wintypes.h"

namespace velmora::display {

inline int ClampToInt(int64_t v) {
    if (v < INT_MIN) return INT_MIN;
    if (v > INT_MAX) return INT_MAX;
    return static_cast<int>(v);
}

// The nearest integer (halves round up), clamped to the int range; NaN
// gives 0. For the positive values of an unmirrored drawing this is the
// truncation of v + 0.5; for negative ones (a mirrored destination) it keeps
// the same rounding instead of truncating toward zero.
inline int64_t RoundToInt(double v) {
    if (!(v == v)) return 0;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int64_t>(std::floor(v + 0.5));
}

// Picture rows [first, end) of a request that lie inside the image.
struct RowSpan {
    int64_t first = 0;
    int64_t end = 0;
    bool Empty() const { return first >= end; }
};

inline RowSpan ClipRows(int64_t ySrc, int64_t h, int height) {
    RowSpan s;
    s.first = ySrc < 0 ? 0 : ySrc;
    s.end = ySrc + h > height ? height : ySrc + h;
    return s;
}

// The current row window in picture rows [first, end); `mapped` when it
// holds rows at all.
struct RowWindow {
    int64_t first = 0;
    int64_t end = 0;
    bool mapped = false;
    bool Covers(const RowSpan& s) const { return mapped && first <= s.first && s.end <= end; }
};

}  // namespace velmora::display
