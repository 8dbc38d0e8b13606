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

// The rows of the image's own row window, as picture rows [first, end); empty
// when no window is mapped. Drawing hands that window to the device as it is.
inline RowSpan MappedRows(int first, int end, bool mapped) {
    return mapped ? RowSpan{first, end} : RowSpan{};
}

inline bool Holds(const RowSpan& outer, const RowSpan& inner) {
    return !outer.Empty() && outer.first <= inner.first && inner.end <= outer.end;
}

}  // namespace velmora::display
