// Transparent drawing: palette images drawn as a mask ANDed with the surface,
// the colour table put back afterwards, and the transparent colour list.
#include <cstring>

#include "tests/storage/display_fixture.h"

namespace {

using vtest::Dc;
using vtest::DisplayTest;
using vtest::MakeDc;
using vtest::ProbeDIB;

constexpr COLORREF kGreen = 0x0000FF00;  // host order: pure green
constexpr COLORREF kSurface = RGB(0x8C, 0x4E, 0xC3);
constexpr COLORREF kShow = RGB(0x0F, 0xF0, 0x3C);

class TransparencyTest : public vtest::DisplayTest, public ::testing::WithParamInterface<bool> {
protected:
    // An 8-bit image of the storage fixture's pattern, entry 3 pure green and
    // every other entry a colour of its own (never green).
    void SetUp() override {
        MakePatternImage(m_dib, kW, kH, 8, GetParam());
        for (int i = 0; i < 256; ++i) {
            const COLORREF c = OwnColor(i);
            m_dib.GetBitmapInfo()->bmiColors[i] =
                RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), BYTE(i == 3 ? 9 : i)};
        }
        std::memcpy(m_table, m_dib.GetBitmapInfo()->bmiColors, sizeof m_table);
        m_dib.Transparent(1);
        m_dib.AddTransClr(kGreen);
    }

    static COLORREF OwnColor(int i) { return i == 3 ? kGreen : RGB(i, 255 - i, 0x77); }

    // Draws the top-left kSide x kSide pixels unscaled and checks each against
    // `expect(index)`, and that the colour table is as it was.
    template <class Expect>
    void DrawAndCheck(Expect expect) {
        Dc dc = MakeDc(kSide, kSide, kSurface);
        EXPECT_EQ(m_dib.DrawDIB(dc.get(), 0, 0, kSide, kSide, 0, 0, kSide, kSide, SRCCOPY), 1);
        int transparent = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const int index = vtest::PatternByte(kH - 1 - y, static_cast<uint64_t>(x));
                transparent += index == 3;
                ASSERT_EQ(GetDCPixel(dc.get(), x, y), expect(index)) << x << "," << y << " index " << index;
            }
        EXPECT_GT(transparent, 0) << "the sample holds the transparent entry";
        EXPECT_EQ(std::memcmp(m_dib.GetBitmapInfo()->bmiColors, m_table, sizeof m_table), 0) << "table restored";
    }

    // 8 bits, 1000 x 3000: three windows when paged.
    static constexpr int kW = 1000, kH = 3000, kSide = 64;
    ProbeDIB m_dib;
    RGBQUAD m_table[256];
};

// The listed colour lets the surface through; the rest take the show colour
// (black until one is set), or keep their own without it; a drawing reports 1
// even without a surface.
TEST_P(TransparencyTest, ListedColorShowsTheSurfaceAndTheRestTheShowColorOrTheirOwn) {
    DrawAndCheck([](int index) { return index == 3 ? kSurface : 0; });
    m_dib.SetTransShowColor(kShow);
    DrawAndCheck([](int index) { return index == 3 ? kSurface : kSurface & kShow; });
    m_dib.ShowColorValid(0);
    DrawAndCheck([](int index) { return index == 3 ? kSurface : kSurface & OwnColor(index); });
    EXPECT_EQ(m_dib.DrawDIB(nullptr, 0, 0, 10, 10, 0, 0, 10, 10, SRCCOPY), 1);
    EXPECT_EQ(std::memcmp(m_dib.GetBitmapInfo()->bmiColors, m_table, sizeof m_table), 0);
}

TEST_P(TransparencyTest, EmptyListDrawsAsWithTransparencyOff) {
    m_dib.ClearTransClr();
    Dc on = MakeDc(kSide, kSide, kSurface), off = MakeDc(kSide, kSide, kSurface);
    m_dib.DrawDIB(on.get(), 0, 0, kSide, kSide, 0, 0, kSide, kSide, SRCCOPY);
    m_dib.Transparent(0);
    m_dib.DrawDIB(off.get(), 0, 0, kSide, kSide, 0, 0, kSide, kSide, SRCCOPY);
    EXPECT_TRUE(SameSurface(on.get(), off.get()));
    EXPECT_EQ(GetDCPixel(off.get(), 0, 0), OwnColor(vtest::PatternByte(kH - 1, 0)));
}

INSTANTIATE_TEST_SUITE_P(BothModes, TransparencyTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "PageFile" : "Memory"; });

TEST_F(DisplayTest, TrueColorTransparentImageIsAndedAsItIs) {
    ProbeDIB dib;
    MakeRowImage(dib, 4, 4, false);
    dib.Transparent(1);
    dib.AddTransClr(kGreen);
    Dc dc = MakeDc(4, 4, kSurface);
    EXPECT_EQ(dib.DrawDIB(dc.get(), 0, 0, 4, 4, 0, 0, 4, 4, SRCCOPY), 1);
    EXPECT_EQ(GetDCPixel(dc.get(), 0, 2), kSurface & vtest::RowColor(2));
}

TEST(TransparentColors, ListKeepsOneOfEachValue) {
    CNewDIBObject dib;
    dib.AddTransClr(0x112233);
    dib.AddTransClr(0x445566);
    dib.AddTransClr(0x112233);
    ASSERT_EQ(dib.GetTransClrs()->GetSize(), 2);
    EXPECT_EQ(dib.GetTransClrs()->GetAt(0), 0x112233u);
    EXPECT_EQ(dib.GetTransClrs()->GetAt(1), 0x445566u);
    unsigned long out[2] = {7, 7};
    EXPECT_EQ(dib.GetTransClrs(out), 0);
    EXPECT_EQ(out[0], 7u);
    dib.ClearTransClr();
    EXPECT_TRUE(dib.GetTransClrs()->IsEmpty());
}

TEST(TransparentColors, DrawingAnImageWithoutStorageFails) {
    CNewDIBObject dib;
    dib.Transparent(1);
    dib.AddTransClr(kGreen);
    EXPECT_EQ(dib.DrawDIB(nullptr, 0, 0, 1, 1, 0, 0, 1, 1, SRCCOPY), 0);
    EXPECT_EQ(dib.BltDIB(nullptr, 0, 0, 1, 1, 0, 0), 0);
    EXPECT_EQ(dib.StretchDIB(nullptr, 0, 0, 1, 1, 0, 0, 1, 1, SRCCOPY), 0);
}

}  // namespace
