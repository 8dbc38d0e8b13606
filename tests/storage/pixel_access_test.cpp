// Single-pixel access: packing, colour orders, refusals, and the same
// results in memory and across the row windows of a page file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/storage/storage_fixture.h"

namespace {

using vtest::ProbeDIB;

class PixelTest : public vtest::PageFileTest {
protected:
    // A memory image with every byte `fill`.
    static void Make(ProbeDIB& dib, int width, int height, int bits, BYTE fill = 0) {
        Create(dib, width, height, bits, false);
        std::memset(dib.GetGlobalDIBits(), fill, dib.GetDIBSize());
    }
    static bool AllBytes(ProbeDIB& dib, BYTE value) {
        const BYTE* p = dib.GetGlobalDIBits();
        return std::all_of(p, p + dib.GetDIBSize(), [&](BYTE b) { return b == value; });
    }
};

TEST_F(PixelTest, PackedPixelsAreMostSignificantFirstAndWritesTouchOnlyTheirOwnBits) {
    ProbeDIB one, four, eight;
    Make(one, 16, 2, 1);
    Make(four, 8, 2, 4, 0xFF);
    Make(eight, 8, 1, 8);
    one.GetDIBRow(0)[0] = 0xA0;
    EXPECT_EQ((std::vector<int>{one.GetPixelIndex(0, 0), one.GetPixelIndex(1, 0), one.GetPixelIndex(2, 0),
                                one.GetPixelIndex(3, 0), one.GetPixelIndex(0, 1)}),
              (std::vector<int>{1, 0, 1, 0, 0}));
    ASSERT_EQ(one.SetPixelIndex(7, 1, 1), 1);
    EXPECT_EQ(one.GetDIBRow(1)[0], 0x01);
    ASSERT_EQ(four.SetPixelIndex(1, 0, 5), 1);
    EXPECT_EQ(four.GetDIBRow(0)[0], 0xF5);
    ASSERT_EQ(four.SetPixelIndex(0, 0, 5), 1);
    EXPECT_EQ(four.GetDIBRow(0)[0], 0x55);
    EXPECT_EQ(four.GetPixelIndex(1, 0), 5);
    four.GetDIBRow(0)[0] = 0xFF;
    EXPECT_TRUE(AllBytes(four, 0xFF));
    EXPECT_EQ(four.GetPixelIndex(2, 0), 15);
    // An index not below 2^bits would overwrite the neighbouring pixels.
    one.GetDIBRow(0)[0] = 0;
    one.GetDIBRow(1)[0] = 0;
    EXPECT_EQ(one.SetPixelIndex(0, 0, 2), 0);
    EXPECT_EQ(four.SetPixelIndex(0, 0, 16), 0);
    EXPECT_EQ(eight.SetPixelIndex(0, 0, 256), 0);
    EXPECT_EQ(eight.SetPixelIndex(0, 0, -1), 0);
    EXPECT_TRUE(AllBytes(one, 0) && AllBytes(four, 0xFF) && AllBytes(eight, 0));
}

TEST_F(PixelTest, TrueColourPixelsAreInPixelByteOrderAndReadOnlyTheirOwnBytes) {
    ProbeDIB dib, wide;
    Make(dib, 3, 2, 24);
    ASSERT_EQ(dib.SetPiexlRGB(0, 0, 0x00112233), 1);
    EXPECT_EQ(std::memcmp(dib.GetDIBRow(0), "\x33\x22\x11", 3), 0);
    EXPECT_EQ(dib.GetPixelRGB(0, 0), 0x00112233u);
    EXPECT_EQ(dib.GetPixelIndex(0, 0), 0x00332211);
    ASSERT_EQ(dib.SetPiexlRGB(2, 1, 0xAABBCC), 1);
    EXPECT_EQ(dib.GetPixelRGB(2, 1), 0xAABBCCu);
    EXPECT_EQ(dib.SetPixelIndex(0, 0, 1), 0);
    EXPECT_EQ(dib.MatchRGBIndex(0), -1);
    // 32 bits: the index is the pixel's own blue, green, red at 4x.
    Make(wide, 3, 1, 32);
    for (int i = 0; i < 12; i++) wide.GetDIBRow(0)[i] = static_cast<BYTE>(0x10 + i);
    EXPECT_EQ(wide.GetPixelIndex(0, 0), 0x101112);
    EXPECT_EQ(wide.GetPixelIndex(1, 0), 0x141516);
    EXPECT_EQ(wide.GetPixelIndex(2, 0), 0x18191A);  // the last pixel, inside the row
    EXPECT_EQ(wide.GetPixelRGB(0, 0), 0xFF000000u);
    EXPECT_EQ(wide.SetPiexlRGB(0, 0, 1), 0);
}

TEST_F(PixelTest, UnhandledDepthsAndCoordinatesOutsideTheImageAreRefused) {
    ProbeDIB sixteen, three, dib;
    Make(sixteen, 4, 1, 16);
    Make(three, 8, 1, 3);  // pixels straddle bytes
    Make(dib, 5, 3, 8);
    auto expectRefused = [](ProbeDIB& d, int x, int y) {
        EXPECT_EQ(d.GetPixelIndex(x, y), -1);
        EXPECT_EQ(d.GetPixelRGB(x, y), 0xFF000000u);
        EXPECT_EQ(d.SetPixelIndex(x, y, 1), 0);
        EXPECT_EQ(d.SetPiexlRGB(x, y, 0), 0);
    };
    expectRefused(sixteen, 0, 0);
    expectRefused(three, 0, 0);
    for (auto [x, y] : {std::pair{-1, 0}, std::pair{5, 0}, std::pair{0, -1}, std::pair{0, 3}}) expectRefused(dib, x, y);
    EXPECT_TRUE(AllBytes(three, 0) && AllBytes(dib, 0));
}

TEST_F(PixelTest, PaletteColoursAreInHostOrderAndMatchTheNearestEntry) {
    ProbeDIB dib;
    Make(dib, 10, 3, 8);  // wider than tall
    RGBQUAD* table = dib.GetBitmapInfo()->bmiColors;
    for (int i = 0; i < 256; i++) table[i] = RGBQUAD{static_cast<BYTE>(i), 0, 0, 0};  // blues
    table[7] = RGBQUAD{0, 0, 255, 0};                                                 // pure red
    ASSERT_EQ(dib.SetPixelIndex(1, 1, 7), 1);
    EXPECT_EQ(dib.GetPixelRGB(1, 1), 0x000000FFu);
    EXPECT_EQ(dib.MatchRGBIndex(0x000000FF), 7);
    ASSERT_EQ(dib.SetPiexlRGB(8, 2, 0x000000FF), 1);  // column beyond the height
    EXPECT_EQ(dib.GetPixelIndex(8, 2), 7);
    // Nearest entry, ties to the lowest index.
    EXPECT_EQ(dib.MatchRGBIndex(RGB(0, 0, 100)), 100);
    table[200] = table[100];
    EXPECT_EQ(dib.MatchRGBIndex(RGB(0, 0, 100)), 100);
    EXPECT_EQ(dib.MatchRGBIndex(RGB(0, 0, 0)), 0);
}

// The same edits on a page-file image and a memory image, hopping across a
// window boundary between every edit, give the same pixels and bytes.
TEST_F(PixelTest, PageFileAndMemoryAgreeOnBothSidesOfAWindowBoundary) {
    const int cases[][3] = {{8000, 3000, 1}, {4000, 3000, 2}, {2000, 3000, 4}, {1000, 3000, 8}, {1000, 1000, 24}};
    for (const auto& [width, height, bits] : cases) {
        SCOPED_TRACE(bits);
        ProbeDIB paged, memory;
        Create(paged, width, height, bits, true);
        Make(memory, width, height, bits);
        std::memset(paged.GetGlobalDIBits(), 0, paged.GetDIBSize());
        paged.ReleaseGlobalDIBits();
        for (ProbeDIB* dib : {&paged, &memory})
            for (int i = 0; i < (bits <= 8 ? 1 << bits : 0); i++) {
                const BYTE v = static_cast<BYTE>(i * 255 / ((1 << bits) - 1));
                dib->GetBitmapInfo()->bmiColors[i] =
                    RGBQUAD{v, static_cast<BYTE>(v / 2), static_cast<BYTE>(255 - v), 0};
            }
        // The first window placed up from storage row 0 ends below row k.
        ASSERT_NE(paged.GetDIBRow(0), nullptr);
        const int k = paged.WinRows();
        ASSERT_LT(k, height);
        const int rows[] = {k - 1, k, 0, height - 1, k - 1, k + 1};
        const int cols[] = {0, 1, 2, 3, 7, 8, 9, width - 1};
        int step = 0;
        for (int x : cols)
            for (int y : rows) {
                step++;
                for (ProbeDIB* dib : {&paged, &memory})
                    ASSERT_EQ(bits <= 8 ? dib->SetPixelIndex(x, y, (x * 5 + y + step) % (1 << bits))
                                        : dib->SetPiexlRGB(x, y, 0x010203u * static_cast<unsigned>(step)),
                              1);
            }
        for (int x : cols)
            for (int y : rows) {
                ASSERT_EQ(paged.GetPixelIndex(x, y), memory.GetPixelIndex(x, y)) << x << "," << y;
                ASSERT_EQ(paged.GetPixelRGB(x, y), memory.GetPixelRGB(x, y)) << x << "," << y;
            }
        if (bits <= 8) {
            // Colour writes pick the entry whose colour was asked for.
            const unsigned long colour = paged.GetPixelRGB(3, k - 1);
            ASSERT_EQ(paged.SetPiexlRGB(2, k, colour), 1);
            ASSERT_EQ(memory.SetPiexlRGB(2, k, colour), 1);
            EXPECT_EQ(paged.GetPixelIndex(2, k), paged.GetPixelIndex(3, k - 1));
        }
        const uint64_t stride = paged.GetBytesPerLine();
        for (int y = 0; y < height; y++)
            ASSERT_EQ(std::memcmp(paged.GetDIBRow(y), memory.GetDIBRow(y), stride), 0) << "row " << y;
    }
}

}  // namespace
