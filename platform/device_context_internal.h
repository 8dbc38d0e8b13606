// The memory device context's state and the reading of DIB source rows,
// shared by the device's translation units.
#pragma once

#include <cstdint>
#include <vector>

#include "velmora/devicecontext.h"
#include "velmora/wintypes.h"

struct HDC__ {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;  // rows top first, 0x00RRGGBB
    int stretchMode = BLACKONWHITE;
    DeviceCallCounts counts;
};

namespace velmora::device {

// Reads pixel x of a DIB row as 0x00RRGGBB.
using PixelReader = DWORD (*)(const BYTE* row, int x, const DWORD* palette);

// What a drawing call may read: the bits hold `rowCount` bottom-up rows
// starting at row `firstRow`, each `stride` bytes, `width` pixels wide.
struct DibSource {
    const BYTE* bits = nullptr;
    int width = 0;
    int height = 0;  // rows of the whole DIB (biHeight)
    int bitCount = 0;
    int64_t stride = 0;
    int64_t firstRow = 0;
    int64_t rowCount = 0;
    DWORD palette[256] = {};  // entries past the table stay black
    PixelReader read = nullptr;

    bool HasColumn(int64_t x) const { return x >= 0 && x < width; }
    bool HasRow(int64_t row) const { return row >= firstRow && row < firstRow + rowCount; }
    const BYTE* Row(int64_t row) const { return bits + (row - firstRow) * stride; }
};

// Checks the header and colour use and fills everything but the row range
// (which the caller sets). False for a null header or bits, a top-down or
// compressed DIB, an unsupported bit count or colour use.
bool DescribeSource(const BITMAPINFO* info, const void* bits, UINT colorUse, DibSource* out);

// One axis of a drawing: destination offsets [0, dstLen) from dst0 take the
// source coordinates src0 .. src0 + srcLen - 1, nearest pixel, in order or
// reversed. Both lengths are positive.
struct Axis {
    int64_t dst0 = 0;
    int64_t dstLen = 0;
    int64_t src0 = 0;
    int64_t srcLen = 0;
    bool reverse = false;

    int64_t SourceAt(int64_t i) const {
        // The centre of destination pixel i, scaled into the source.
        uint64_t k =
            (2 * static_cast<uint64_t>(i) + 1) * static_cast<uint64_t>(srcLen) / (2 * static_cast<uint64_t>(dstLen));
        int64_t offset = static_cast<int64_t>(k);
        return reverse ? src0 + srcLen - 1 - offset : src0 + offset;
    }
};

// Draws the source through the two axes onto the surface, clipped to the
// surface and to the source's columns and rows. `rop` is SRCCOPY or SRCAND.
void Render(HDC__* dc, const DibSource& src, const Axis& x, const Axis& y, DWORD rop);

}  // namespace velmora::device
