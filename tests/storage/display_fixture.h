// Shared set-up of the drawing tests: images whose pixels tell which source
// row and column they came from, in memory or in a page file with 2 MiB
// windows, and memory device contexts to draw them on.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "tests/storage/storage_fixture.h"
#include "velmora/devicecontext.h"

namespace vtest {

struct DcDeleter {
    void operator()(HDC__* dc) const { DeleteMemoryDC(dc); }
};
using Dc = std::unique_ptr<HDC__, DcDeleter>;

inline Dc MakeDc(int w, int h, COLORREF fill) { return Dc(CreateMemoryDC(w, h, fill)); }

// The colour naming picture row t: blue its low byte, green the complement
// of blue (so an AND of two different rows is no row colour, and neither is
// white), red its high byte.
inline COLORREF RowColor(int t) {
    return RGB(static_cast<BYTE>(t >> 8), static_cast<BYTE>(~t & 0xFF), static_cast<BYTE>(t & 0xFF));
}
// The picture row a surface pixel came from, -1 when it is no row colour.
inline int RowOf(COLORREF c) {
    if (GetGValue(c) != static_cast<BYTE>(~GetBValue(c))) return -1;
    return (GetRValue(c) << 8) | GetBValue(c);
}

class DisplayTest : public PageFileTest {
protected:
    // A 24-bit image, each pixel in the colour of its picture row; paged
    // images of this size span several 2 MiB windows.
    void MakeRowImage(ProbeDIB& dib, int width, int height, bool paged) {
        SetImageUseMemSize(paged ? 0 : ~0ul);
        ASSERT_EQ(dib.CreateDIB(width, height, 24), 1);
        ASSERT_EQ(dib.Mapped(), paged ? 1 : 0);
        const uint64_t stride = dib.GetBytesPerLine();
        for (int row = 0; row < height;) {
            int count = 0;
            BYTE* run = dib.GetDIBBuffer(row, &count, 1);
            ASSERT_NE(run, nullptr);
            for (int k = 0; k < count; ++k) {
                const COLORREF c = RowColor(height - 1 - (row + k));
                BYTE* p = run + static_cast<uint64_t>(k) * stride;
                for (int x = 0; x < width; ++x) {
                    p[3 * x] = GetBValue(c);
                    p[3 * x + 1] = GetGValue(c);
                    p[3 * x + 2] = GetRValue(c);
                }
            }
            row += count;
        }
    }

    // An image of the storage fixture's byte pattern (every byte differs by
    // row and column).
    void MakePatternImage(ProbeDIB& dib, int width, int height, int bits, bool paged) {
        SetImageUseMemSize(paged ? 0 : ~0ul);
        ASSERT_EQ(dib.CreateDIB(width, height, bits), 1);
        ASSERT_EQ(dib.Mapped(), paged ? 1 : 0);
        if (bits <= 8) {
            RGBQUAD* table = dib.GetBitmapInfo()->bmiColors;
            for (int i = 0; i < (1 << bits); ++i)
                table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
        }
        FillImage(dib);
    }

    static bool SameSurface(HDC a, HDC b) {
        const size_t n = static_cast<size_t>(GetDCWidth(a)) * static_cast<size_t>(GetDCHeight(a));
        return GetDCWidth(a) == GetDCWidth(b) && GetDCHeight(a) == GetDCHeight(b) &&
               std::memcmp(GetDCSurface(a), GetDCSurface(b), n * sizeof(DWORD)) == 0;
    }
};

}  // namespace vtest
