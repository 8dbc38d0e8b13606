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

constexpr COLORREF kWhite = RGB(255, 255, 255);

inline Dc MakeDc(int w, int h, COLORREF fill = kWhite) { return Dc(CreateMemoryDC(w, h, fill)); }

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
    template <class Image>
    static void MakeRowImage(Image& dib, int width, int height, bool paged) {
        SetImageUseMemSize(paged ? 0 : ~0ul);
        ASSERT_EQ(dib.CreateDIB(width, height, 24), 1);
        const uint64_t stride = dib.GetBytesPerLine();
        for (int row = 0; row < height;) {  // runs up from storage row 0, ending at the top
            int count = 0;
            BYTE* run = dib.GetDIBBuffer(row, &count, 1);
            ASSERT_NE(run, nullptr);
            for (int k = 0; k < count; ++k) {
                const COLORREF c = RowColor(height - 1 - (row + k));
                for (BYTE* p = run + k * stride; p < run + k * stride + 3 * width; p += 3) {
                    p[0] = GetBValue(c);
                    p[1] = GetGValue(c);
                    p[2] = GetRValue(c);
                }
            }
            row += count;
        }
    }

    // An image of the storage fixture's byte pattern (every byte differs by
    // row and column).
    static void MakePatternImage(ProbeDIB& dib, int width, int height, int bits, bool paged) {
        Create(dib, width, height, bits, paged);
        for (int i = 0; i < (bits <= 8 ? 1 << bits : 0); ++i)
            dib.GetBitmapInfo()->bmiColors[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
        FillImage(dib);
    }

    static bool SameSurface(HDC a, HDC b) {
        const size_t n = static_cast<size_t>(GetDCWidth(a)) * static_cast<size_t>(GetDCHeight(a));
        return GetDCWidth(a) == GetDCWidth(b) && GetDCHeight(a) == GetDCHeight(b) &&
               std::memcmp(GetDCSurface(a), GetDCSurface(b), n * sizeof(DWORD)) == 0;
    }
};

}  // namespace vtest
