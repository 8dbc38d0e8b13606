// Reading DIB source pixels for the memory device context.
#include <cstring>

#include "platform/device_context_internal.h"
#include "platform/dib_geometry.h"

namespace velmora::device {
namespace {

DWORD ReadIndexed1(const BYTE* row, int x, const DWORD* palette) {
    return palette[(row[x >> 3] >> (7 - (x & 7))) & 0x01];
}

DWORD ReadIndexed2(const BYTE* row, int x, const DWORD* palette) {
    return palette[(row[x >> 2] >> (6 - 2 * (x & 3))) & 0x03];
}

DWORD ReadIndexed4(const BYTE* row, int x, const DWORD* palette) {
    return palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
}

DWORD ReadIndexed8(const BYTE* row, int x, const DWORD* palette) { return palette[row[x]]; }

// 5 bits widened to 8 so that full intensity stays full.
DWORD Widen5(unsigned v) { return (v << 3) | (v >> 2); }

DWORD ReadRgb555(const BYTE* row, int x, const DWORD*) {
    const BYTE* p = row + 2 * static_cast<size_t>(x);
    unsigned v = p[0] | (static_cast<unsigned>(p[1]) << 8);
    return (Widen5((v >> 10) & 31) << 16) | (Widen5((v >> 5) & 31) << 8) | Widen5(v & 31);
}

DWORD ReadBgr24(const BYTE* row, int x, const DWORD*) {
    const BYTE* p = row + 3 * static_cast<size_t>(x);
    return (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[1]) << 8) | p[0];
}

DWORD ReadBgrx32(const BYTE* row, int x, const DWORD*) {
    const BYTE* p = row + 4 * static_cast<size_t>(x);
    return (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[1]) << 8) | p[0];
}

PixelReader ReaderFor(int bitCount) {
    switch (bitCount) {
        case 1:
            return ReadIndexed1;
        case 2:
            return ReadIndexed2;
        case 4:
            return ReadIndexed4;
        case 8:
            return ReadIndexed8;
        case 16:
            return ReadRgb555;
        case 24:
            return ReadBgr24;
        case 32:
            return ReadBgrx32;
        default:
            return nullptr;
    }
}

// The colour table follows the header (biSize bytes, which may be a longer
// header than BITMAPINFOHEADER): 2^bitCount entries, or biClrUsed when that is
// nonzero and smaller.
void LoadPalette(const BITMAPINFO* info, DibSource* out) {
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount > 8) return;
    DWORD count = 1u << h.biBitCount;
    if (h.biClrUsed != 0 && h.biClrUsed < count) count = h.biClrUsed;
    const BYTE* table = reinterpret_cast<const BYTE*>(info) + h.biSize;
    for (DWORD i = 0; i < count; ++i) {
        RGBQUAD q;
        std::memcpy(&q, table + 4 * i, sizeof q);
        out->palette[i] = (static_cast<DWORD>(q.rgbRed) << 16) | (static_cast<DWORD>(q.rgbGreen) << 8) | q.rgbBlue;
    }
}

}  // namespace

bool DescribeSource(const BITMAPINFO* info, const void* bits, UINT colorUse, DibSource* out) {
    if (!info || !bits || colorUse != DIB_RGB_COLORS) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight <= 0) return false;
    if (h.biCompression != BI_RGB) return false;
    PixelReader read = ReaderFor(h.biBitCount);
    if (!read) return false;
    out->bits = static_cast<const BYTE*>(bits);
    out->width = h.biWidth;
    out->height = h.biHeight;
    out->bitCount = h.biBitCount;
    out->stride = static_cast<int64_t>(velmora::RowStride(h.biWidth, h.biBitCount));
    out->read = read;
    LoadPalette(info, out);
    return true;
}

}  // namespace velmora::device
