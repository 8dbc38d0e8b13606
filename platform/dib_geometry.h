// DIB geometry computed once, with its overflow checks: row strides, colour
// table sizes and addresses. Widths and heights come from files and callers,
// so every product is checked before it is used.
#pragma once

#include <cstddef>
#include <cstdint>

#include "velmora/wintypes.h"

namespace velmora {

// Bytes of a row padded to whole 32-bit words; 0 when width or bit count is
// not positive or the stride would exceed `limit`.
constexpr uint64_t RowStride(int64_t width, int64_t bitCount, uint64_t limit = UINT64_MAX / 2) {
    if (width <= 0 || bitCount <= 0 || bitCount > 64) return 0;
    if (static_cast<uint64_t>(width) > (UINT64_MAX / 2 - 31) / static_cast<uint64_t>(bitCount)) return 0;
    uint64_t bytes = (static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount) + 31) / 32 * 4;
    return bytes <= limit ? bytes : 0;
}

// Bytes of a row that hold pixel bits: ceil(width * bitCount / 8).
constexpr size_t PixelBytes(int width, int bitCount) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bitCount) + 7) / 8;
}

// a * b, false (and *out untouched) when it overflows 64 bits.
inline bool CheckedProduct(uint64_t a, uint64_t b, uint64_t* out) {
    if (a != 0 && b > UINT64_MAX / a) return false;
    *out = a * b;
    return true;
}

// Bytes of `rows` rows of `stride` bytes; 0 when that overflows.
inline uint64_t ImageBytes(uint64_t stride, uint64_t rows) {
    uint64_t bytes = 0;
    return CheckedProduct(stride, rows, &bytes) ? bytes : 0;
}

// Entries of the colour table a DIB of `bitCount` bits carries: 2^bitCount
// up to 8 bits, none above.
constexpr int ColorEntries(int bitCount) { return bitCount >= 1 && bitCount <= 8 ? 1 << bitCount : 0; }

// Header plus colour table.
constexpr size_t HeaderAndTableBytes(int bitCount) {
    return sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * static_cast<size_t>(ColorEntries(bitCount));
}

// The colour table lies right after the 40-byte header.
inline RGBQUAD* ColorTableOf(BITMAPINFO* info) {
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(info) + sizeof(BITMAPINFOHEADER));
}
inline const RGBQUAD* ColorTableOf(const BITMAPINFO* info) {
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + sizeof(BITMAPINFOHEADER));
}

}  // namespace velmora
