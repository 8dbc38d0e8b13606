// Helpers shared by the document, codec and transform tests: page-file mode
// with small windows, a patterned image and pixel reads that do not depend
// on the storage's pixel accessors.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/test_support.h"
#include "velmora/environment.h"
#include "velmora/newdib.h"

namespace vtest {

constexpr uint64_t kMiB = 1024 * 1024;

// For the life of the object, images of total / 32 bytes or more go to page
// files in a private directory and map windows of total / 32 bytes.
class PageFileMode {
public:
    explicit PageFileMode(uint64_t total = 64 * kMiB) : m_memory(total, total) {
        SetImageUseMemSize(1);
        SetLoadImageNumber(1);
        SetVirtualDirectory(m_pages.dir().c_str());
    }
    size_t PageFiles() const { return m_pages.Held().size(); }  // on disk or still open

private:
    ScopedSettings m_settings;
    ScopedMemoryFigures m_memory;
    TempDir m_pages;
};

// A deterministic pattern: byte i of storage row r.
inline BYTE PatternByte(int row, size_t i, int seed = 0) {
    return static_cast<BYTE>((row * 7 + static_cast<int>(i) * 13 + seed * 31 + (row * static_cast<int>(i)) / 5) & 0xFF);
}

// Fills every row (all stride bytes) and a colour table of distinct colours.
// False when a row cannot be had.
inline bool FillPattern(CNewDIB& dib, int seed = 0) {
    int entries = 0;
    if (RGBQUAD* table = dib.GetRGBQuad(&entries))
        for (int i = 0; i < entries; ++i)
            table[i] = RGBQUAD{static_cast<BYTE>(i * 3 + seed), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
    for (int r = 0; r < dib.GetHeight(); ++r) {
        BYTE* row = dib.GetDIBRow(r);
        if (!row) return false;
        for (size_t i = 0; i < dib.GetBytesPerLine(); ++i) row[i] = PatternByte(r, i, seed);
    }
    return true;
}

// Rows whose pixel bits differ from the pattern (padding and the bits past
// the last pixel are ignored); -1 when a row cannot be had.
inline int RowsDifferingFromPattern(CNewDIB& dib, int seed = 0) {
    const size_t bits = static_cast<size_t>(dib.GetWidth()) * static_cast<size_t>(dib.GetBitCount());
    const size_t bytes = (bits + 7) / 8;
    const BYTE lastMask = bits % 8 ? static_cast<BYTE>(0xFF << (8 - bits % 8)) : 0xFF;
    int differing = 0;
    for (int r = 0; r < dib.GetHeight(); ++r) {
        const BYTE* row = dib.GetDIBRow(r);
        if (!row) return -1;
        for (size_t i = 0; i < bytes; ++i)
            if ((row[i] ^ PatternByte(r, i, seed)) & (i + 1 == bytes ? lastMask : 0xFF)) {
                ++differing;
                break;
            }
    }
    return differing;
}

// Pixel x of a packed row: 1, 2, 4 and 8 bits from the most significant bit,
// wider pixels as their bytes read little-endian.
inline uint32_t PixelAt(const BYTE* row, int x, int bitCount) {
    if (bitCount <= 8) {
        const size_t bit = static_cast<size_t>(x) * bitCount;
        return (row[bit / 8] >> (8 - bitCount - static_cast<int>(bit % 8))) & ((1u << bitCount) - 1);
    }
    uint32_t value = 0;
    for (int i = bitCount / 8 - 1; i >= 0; --i) value = (value << 8) | row[static_cast<size_t>(x) * (bitCount / 8) + i];
    return value;
}

// Colour of pixel x of picture row y (0 = top) of a palette or 24-bit image.
inline void PixelColor(CNewDIB& dib, int x, int y, int* r, int* g, int* b) {
    const uint32_t value = PixelAt(dib.GetDIBRow(dib.GetHeight() - 1 - y), x, dib.GetBitCount());
    int entries = 0;
    if (dib.GetBitCount() <= 8) {
        const RGBQUAD& q = dib.GetRGBQuad(&entries)[value];
        *r = q.rgbRed, *g = q.rgbGreen, *b = q.rgbBlue;
    } else {
        *r = value >> 16 & 0xFF, *g = value >> 8 & 0xFF, *b = value & 0xFF;
    }
}

// Pixels of `dib` that differ from the reference decoding; -1 on other sizes.
inline int PixelsDifferingFromRef(CNewDIB& dib, const RefImage& ref) {
    if (!ref.ok() || ref.width != dib.GetWidth() || ref.height != dib.GetHeight()) return -1;
    int differing = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            int r, g, b, rr, rg, rb;
            PixelColor(dib, x, y, &r, &g, &b);
            ref.rgb(x, y, &rr, &rg, &rb);
            differing += r != rr || g != rg || b != rb;
        }
    return differing;
}

}  // namespace vtest
