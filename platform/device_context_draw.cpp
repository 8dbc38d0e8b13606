// The two DIB drawing calls of the memory device context.
#include <algorithm>
#include <climits>
#include <vector>

#include "platform/device_context_internal.h"

namespace velmora::device {
namespace {

bool SupportedRop(DWORD rop) { return rop == SRCCOPY || rop == SRCAND; }

// A rectangle side with a negative extent covers [pos + len, pos) and mirrors.
void Normalize(int64_t* pos, int64_t* len, bool* mirrored) {
    if (*len < 0) {
        *pos += *len;
        *len = -*len;
        *mirrored = !*mirrored;
    }
}

// Surface offsets [first, last) of the axis that land on [0, size).
void VisibleRange(const Axis& a, int size, int64_t* first, int64_t* last) {
    *first = std::max<int64_t>(0, -a.dst0);
    *last = std::min<int64_t>(a.dstLen, size - a.dst0);
}

}  // namespace

void Render(HDC__* dc, const DibSource& src, const Axis& x, const Axis& y, DWORD rop) {
    int64_t i0, i1, j0, j1;
    VisibleRange(x, dc->width, &i0, &i1);
    VisibleRange(y, dc->height, &j0, &j1);
    if (i0 >= i1 || j0 >= j1) return;

    // Source column of each visible destination column; -1 where the source has none.
    std::vector<int> columns(static_cast<size_t>(i1 - i0));
    for (int64_t i = i0; i < i1; ++i) {
        int64_t sx = x.SourceAt(i);
        columns[static_cast<size_t>(i - i0)] = src.HasColumn(sx) ? static_cast<int>(sx) : -1;
    }
    const bool andWith = rop == SRCAND;
    for (int64_t j = j0; j < j1; ++j) {
        int64_t sy = y.SourceAt(j);
        if (!src.HasRow(sy)) continue;
        const BYTE* row = src.Row(sy);
        DWORD* out = dc->pixels.data() + (y.dst0 + j) * dc->width + (x.dst0 + i0);
        for (size_t k = 0; k < columns.size(); ++k) {
            if (columns[k] < 0) continue;
            DWORD v = src.read(row, columns[k], src.palette);
            out[k] = andWith ? (out[k] & v) : v;
        }
    }
}

}  // namespace velmora::device

using velmora::device::Axis;
using velmora::device::DibSource;

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT startScan,
                      UINT scanLines, const void* bits, const BITMAPINFO* info, UINT colorUse) {
    if (!dc) return 0;
    dc->counts.setDIBitsToDevice++;
    DibSource src;
    if (!velmora::device::DescribeSource(info, bits, colorUse, &src)) return 0;
    if (scanLines == 0 || startScan >= static_cast<UINT>(src.height)) return 0;
    // The bits hold scanLines rows from startScan, but never past the DIB's own height.
    int64_t lines = std::min<int64_t>(scanLines, static_cast<int64_t>(src.height) - startScan);
    src.firstRow = startScan;
    src.rowCount = lines;
    // Extents past INT_MAX are negative ints passed through a DWORD: nothing to draw.
    if (w == 0 || h == 0 || w > INT_MAX || h > INT_MAX) return static_cast<int>(lines);

    Axis ax{xDest, w, xSrc, w, false};
    // The top destination row takes the top row of the source rectangle.
    Axis ay{yDest, h, ySrc, h, true};
    velmora::device::Render(dc, src, ax, ay, SRCCOPY);
    return static_cast<int>(lines);
}

int StretchDIBits(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
    if (!dc) return 0;
    dc->counts.stretchDIBits++;
    DibSource src;
    if (!velmora::device::DescribeSource(info, bits, usage, &src)) return 0;
    if (!velmora::device::SupportedRop(rop) || wSrc == 0 || hSrc == 0) return 0;
    src.firstRow = 0;
    src.rowCount = src.height;
    int copied = static_cast<int>(std::min<int64_t>(INT_MAX, hSrc < 0 ? -static_cast<int64_t>(hSrc) : hSrc));
    if (wDest == 0 || hDest == 0) return copied;

    Axis ax{xDest, wDest, xSrc, wSrc, false};
    Axis ay{yDest, hDest, ySrc, hSrc, false};
    velmora::device::Normalize(&ax.dst0, &ax.dstLen, &ax.reverse);
    velmora::device::Normalize(&ax.src0, &ax.srcLen, &ax.reverse);
    velmora::device::Normalize(&ay.dst0, &ay.dstLen, &ay.reverse);
    velmora::device::Normalize(&ay.src0, &ay.srcLen, &ay.reverse);
    // Destination rows run down, source rows up: unmirrored means reversed.
    ay.reverse = !ay.reverse;
    velmora::device::Render(dc, src, ax, ay, rop);
    return copied;
}
