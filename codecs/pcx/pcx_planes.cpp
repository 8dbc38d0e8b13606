#include "codecs/pcx/pcx_planes.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace velmora::pcx {

namespace {

// For a plane byte (eight pixels, the first in the top bit), the four row
// bytes whose nibbles have bit 0 set where the pixel's bit is: pixel i lands
// in row byte i / 2, the high nibble for even i.
using Spread = std::array<uint32_t, 256>;

Spread MakeSpread() {
    Spread table{};
    for (int v = 0; v < 256; ++v)
        for (int i = 0; i < 8; ++i)
            if (v >> (7 - i) & 1) table[v] |= (i % 2 ? 1u : 0x10u) << (8 * (i / 2));
    return table;
}

const Spread& SpreadTable() {
    static const Spread table = MakeSpread();
    return table;
}

}  // namespace

void MergeBitPlanes(const BYTE* line, size_t planeBytes, int planes, int width, BYTE* row, size_t stride) {
    const Spread& spread = SpreadTable();
    const size_t pixelBytes = (static_cast<size_t>(width) + 1) / 2;
    const size_t groups = (static_cast<size_t>(width) + 7) / 8;
    for (size_t g = 0; g < groups; ++g) {
        uint32_t merged = 0;
        for (int p = 0; p < planes; ++p) merged |= spread[line[static_cast<size_t>(p) * planeBytes + g]] << p;
        const size_t at = 4 * g;
        for (size_t k = 0; k < 4 && at + k < pixelBytes; ++k) row[at + k] = static_cast<BYTE>(merged >> (8 * k));
    }
    // The nibble past an odd width is padding, whatever the planes held.
    if (width % 2) row[pixelBytes - 1] &= 0xF0;
    std::memset(row + pixelBytes, 0, stride - pixelBytes);
}

void SplitFourPlanes(const BYTE* row, size_t stride, size_t planeBytes, BYTE* planes) {
    for (size_t g = 0; g < planeBytes; ++g) {
        BYTE pixels[4] = {};  // eight nibbles
        for (size_t k = 0; k < 4 && 4 * g + k < stride; ++k) pixels[k] = row[4 * g + k];
        BYTE bits[4] = {};
        for (int i = 0; i < 8; ++i) {
            const int value = i % 2 ? pixels[i / 2] & 0x0F : pixels[i / 2] >> 4;
            for (int p = 0; p < 4; ++p) bits[p] = static_cast<BYTE>(bits[p] | (value >> p & 1) << (7 - i));
        }
        for (int p = 0; p < 4; ++p) planes[static_cast<size_t>(p) * planeBytes + g] = bits[p];
    }
}

void SplitThreePlanes(const BYTE* row, int width, size_t planeBytes, BYTE* planes) {
    BYTE* red = planes;
    BYTE* green = planes + planeBytes;
    BYTE* blue = planes + 2 * planeBytes;
    const size_t pixels = static_cast<size_t>(width);
    for (size_t t = 0; t < pixels; ++t) {
        blue[t] = row[3 * t];
        green[t] = row[3 * t + 1];
        red[t] = row[3 * t + 2];
    }
    for (BYTE* plane : {red, green, blue}) std::memset(plane + pixels, 0, planeBytes - pixels);
}

void MergeThreePlanes(const BYTE* line, size_t planeBytes, int width, BYTE* row, size_t stride) {
    const BYTE* red = line;
    const BYTE* green = line + planeBytes;
    const BYTE* blue = line + 2 * planeBytes;
    const size_t pixels = static_cast<size_t>(width);
    for (size_t t = 0; t < pixels; ++t) {
        row[3 * t] = blue[t];
        row[3 * t + 1] = green[t];
        row[3 * t + 2] = red[t];
    }
    std::memset(row + 3 * pixels, 0, stride - 3 * pixels);
}

}  // namespace velmora::pcx
