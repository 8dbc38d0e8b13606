// Rectangles of any value: drawing reads only rows of the image and writes
// only the surface (the sanitizers check the accesses), clips a source
// rectangle reaching past the image the same way in both storage modes, and
// draws nothing for an empty request.
#include <array>
#include <climits>
#include <vector>

#include "tests/storage/display_fixture.h"

namespace {

using vtest::Dc;
using vtest::DisplayTest;
using vtest::kWhite;
using vtest::MakeDc;
using vtest::ProbeDIB;

constexpr int kW = 700, kH = 6000;  // six 2 MiB windows when paged

class ClippingTest : public vtest::DisplayTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override { MakeRowImage(m_dib, kW, kH, GetParam()); }
    ProbeDIB m_dib;
};

TEST_P(ClippingTest, HostileRectanglesStayInsideImageAndSurface) {
    Dc dc = MakeDc(16, 16);
    const int values[] = {INT_MIN, -7, 0, 5, kH - 3, INT_MAX};
    for (int y : values)
        for (int h : values)
            for (int yd : {INT_MIN, -3, 4, INT_MAX})
                for (int hd : {INT_MIN, -9, 0, 9, INT_MAX}) {
                    m_dib.DrawDIB(dc.get(), 2, yd, 9, hd, 3, y, 9, h, SRCCOPY);
                    m_dib.DrawDIB(dc.get(), yd, 2, h, hd, y, 3, h, hd, SRCCOPY);  // equal sizes: unscaled
                    m_dib.BltDIB(dc.get(), 1, yd, h, hd, y, h);
                }
    EXPECT_EQ(m_dib.GetBitmapInfo()->bmiHeader.biHeight, kH);
}

TEST_P(ClippingTest, SourceReachingPastTheImageDrawsOnlyItsRows) {
    Dc dc = MakeDc(12, 40);
    // Rows -10 .. 9 requested at y = 5: rows 0 .. 9 land on y = 15 .. 24.
    m_dib.BltDIB(dc.get(), 1, 5, 10, 20, 0, -10);
    // Rows kH - 5 .. kH + 4 requested at y = 30: rows up to kH - 1 land on y = 30 .. 34.
    m_dib.BltDIB(dc.get(), 1, 30, 10, 10, kW - 5, kH - 5);
    for (int y = 0; y < 40; ++y) {
        const int want = y >= 15 && y < 25 ? y - 15 : y >= 30 && y < 35 ? kH - 5 + (y - 30) : -1;
        const COLORREF c = GetDCPixel(dc.get(), 2, y);
        if (want < 0)
            EXPECT_EQ(c, kWhite) << "y " << y;
        else
            EXPECT_EQ(vtest::RowOf(c), want) << "y " << y;
    }
    // Columns past the right edge stay untouched.
    EXPECT_NE(GetDCPixel(dc.get(), 5, 31), kWhite);
    EXPECT_EQ(GetDCPixel(dc.get(), 6, 31), kWhite);
}

TEST_P(ClippingTest, EmptyRequestsDrawNothing) {
    Dc dc = MakeDc(10, 10);
    m_dib.DrawDIB(dc.get(), 0, 0, 10, 10, 0, 0, 0, 0, SRCCOPY);
    m_dib.DrawDIB(dc.get(), 0, 0, 10, 10, 0, 0, 10, 0, SRCCOPY);
    m_dib.DrawDIB(dc.get(), 0, 0, 10, 10, 0, -100, 10, 50, SRCCOPY);  // above the image
    m_dib.DrawDIB(dc.get(), 0, 0, 10, 10, 0, kH, 10, 50, SRCCOPY);    // below it
    m_dib.BltDIB(dc.get(), 0, 0, 10, 0, 0, 0);
    m_dib.BltDIB(dc.get(), 0, 0, 10, 10, 0, kH + 1);
    const DWORD* s = GetDCSurface(dc.get());
    EXPECT_EQ(std::vector<DWORD>(s, s + 100), std::vector<DWORD>(100, 0x00FFFFFF));
}

INSTANTIATE_TEST_SUITE_P(BothModes, ClippingTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "PageFile" : "Memory"; });

TEST_F(DisplayTest, ClippedStretchIsTheSameFromPagesAsFromMemory) {
    ProbeDIB memory, paged;
    MakePatternImage(memory, kW, kH, 24, false);
    MakePatternImage(paged, kW, kH, 24, true);
    Dc a = MakeDc(30, 400), b = MakeDc(30, 400);
    // 150 rows above the image and 150 of it, doubled; then the last 100 rows and 100 beyond.
    for (auto [xSrc, ySrc, wSrc, hSrc] : {std::array{-5, -150, 10, 300}, std::array{100, kH - 100, 15, 200}}) {
        memory.StretchDIB(a.get(), 0, 0, 2 * wSrc, 2 * hSrc, xSrc, ySrc, wSrc, hSrc, SRCCOPY);
        paged.StretchDIB(b.get(), 0, 0, 2 * wSrc, 2 * hSrc, xSrc, ySrc, wSrc, hSrc, SRCCOPY);
        EXPECT_TRUE(SameSurface(a.get(), b.get())) << ySrc;
    }
}

}  // namespace
