// Walking an image's storage rows window by window. A page-file image maps
// only part of its rows at a time, so the transforms never address the whole
// image from one pointer: they ask for a run, work on it, and ask again.
#pragma once

#include <algorithm>
#include <cstddef>

#include "velmora/newdibobject.h"
#include "velmora/wintypes.h"

namespace velmora {

// Consecutive storage rows inside one row window: storage row first + k
// lies at bits + k * stride. Valid until the next row request on the image.
struct RowRun {
    BYTE* bits;
    int first;
    int count;

    BYTE* Row(int k, size_t stride) const { return bits + static_cast<size_t>(k) * stride; }
};

// Calls visit(run) for successive runs that together cover storage rows
// [first, end), in ascending order. `visit` may not touch the image's rows
// by other requests. False when a window could not be placed.
template <class Visit>
bool ForEachRowRun(CNewDIBObject& image, int first, int end, Visit&& visit) {
    for (int row = first; row < end;) {
        int count = 0;
        BYTE* bits = image.GetDIBBuffer(row, &count, 1);
        if (!bits || count <= 0) return false;
        count = std::min(count, end - row);
        visit(RowRun{bits, row, count});
        row += count;
    }
    return true;
}

// Copies storage rows [first, first + count) of `image` to `out` (count
// strides) and back. False when a window could not be placed.
bool CopyRowsOut(CNewDIBObject& image, int first, int count, BYTE* out);
bool CopyRowsIn(CNewDIBObject& image, int first, int count, const BYTE* in);

// Bytes of a row that hold pixel bits: ceil(width * bitCount / 8).
size_t PixelBytes(int width, int bitCount);

}  // namespace velmora
