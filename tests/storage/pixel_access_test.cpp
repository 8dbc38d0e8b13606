// Single-pixel access: packing, colour orders, refusals, and the same
// results in memory and across the row windows of a page file.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/storage/storage_fixture.h"

namespace {

using vtest::PageFileTest;
using vtest::ProbeDIB;

class PixelTest : public PageFileTest {
protected:
    PixelTest() { SetImageUseMemSize(~0ul); }  // memory unless a test asks

    static void SetGreyTable(CNewDIBObject& dib) {
        RGBQUAD* table = dib.GetBitmapInfo()->bmiColors;
        const int n = 1 << dib.GetBitCount();
        for (int i = 0; i < n; i++) {
            const BYTE v = static_cast<BYTE>(i * 255 / (n - 1));
            table[i] = RGBQUAD{v, static_cast<BYTE>(v / 2), static_cast<BYTE>(255 - v), 0};
        }
    }
};

TEST_F(PixelTest, OneBitPixelsReadMostSignificantFirst) {
    ProbeDIB dib;
    ASSERT_EQ(dib.CreateDIB(16, 2, 1), 1);
    std::memset(dib.GetGlobalDIBits(), 0, dib.GetDIBSize());
    dib.GetDIBRow(0)[0] = 0xA0;
    EXPECT_EQ(dib.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(dib.GetPixelIndex(1, 0), 0);
    EXPECT_EQ(dib.GetPixelIndex(2, 0), 1);
    EXPECT_EQ(dib.GetPixelIndex(3, 0), 0);
    EXPECT_EQ(dib.GetPixelIndex(0, 1), 0);
}

TEST_F(PixelTest, FourBitWritesTouchOnlyTheirNibble) {
    ProbeDIB dib;
    ASSERT_EQ(dib.CreateDIB(8, 2, 4), 1);
    std::memset(dib.GetGlobalDIBits(), 0xFF, dib.GetDIBSize());
    ASSERT_EQ(dib.SetPixelIndex(1, 0, 5), 1);
    EXPECT_EQ(dib.GetDIBRow(0)[0], 0xF5);
    ASSERT_EQ(dib.SetPixelIndex(0, 0, 5), 1);
    EXPECT_EQ(dib.GetDIBRow(0)[0], 0x55);
    EXPECT_EQ(dib.GetDIBRow(0)[1], 0xFF);
    EXPECT_EQ(dib.GetDIBRow(1)[0], 0xFF);
    EXPECT_EQ(dib.GetPixelIndex(1, 0), 5);
    EXPECT_EQ(dib.GetPixelIndex(2, 0), 15);
}

TEST_F(PixelTest, IndexesThatDoNotFitThePixelAreRefused) {
    ProbeDIB one, four, eight;
    ASSERT_EQ(one.CreateDIB(8, 1, 1), 1);
    ASSERT_EQ(four.CreateDIB(8, 1, 4), 1);
    ASSERT_EQ(eight.CreateDIB(8, 1, 8), 1);
    for (ProbeDIB* dib : {&one, &four, &eight}) std::memset(dib->GetGlobalDIBits(), 0, dib->GetDIBSize());
    EXPECT_EQ(one.SetPixelIndex(0, 0, 2), 0);  // would set pixel 1 too
    EXPECT_EQ(four.SetPixelIndex(0, 0, 16), 0);
    EXPECT_EQ(eight.SetPixelIndex(0, 0, 256), 0);
    EXPECT_EQ(eight.SetPixelIndex(0, 0, -1), 0);
    for (ProbeDIB* dib : {&one, &four, &eight})
        for (unsigned long i = 0; i < dib->GetDIBSize(); i++) EXPECT_EQ(dib->GetGlobalDIBits()[i], 0);
    EXPECT_EQ(one.SetPixelIndex(7, 0, 1), 1);
    EXPECT_EQ(one.GetDIBRow(0)[0], 0x01);
}

TEST_F(PixelTest, TwentyFourBitColoursAreInPixelByteOrder) {
    ProbeDIB dib;
    ASSERT_EQ(dib.CreateDIB(3, 2, 24), 1);
    ASSERT_EQ(dib.SetPiexlRGB(0, 0, 0x00112233), 1);
    const BYTE* p = dib.GetDIBRow(0);
    EXPECT_EQ(p[0], 0x33);
    EXPECT_EQ(p[1], 0x22);
    EXPECT_EQ(p[2], 0x11);
    EXPECT_EQ(dib.GetPixelRGB(0, 0), 0x00112233u);
    EXPECT_EQ(dib.GetPixelIndex(0, 0), 0x00332211);
    ASSERT_EQ(dib.SetPiexlRGB(2, 1, 0xAABBCC), 1);
    EXPECT_EQ(dib.GetPixelRGB(2, 1), 0xAABBCCu);
    EXPECT_EQ(dib.SetPixelIndex(0, 0, 1), 0);
    EXPECT_EQ(dib.MatchRGBIndex(0), -1);
}

TEST_F(PixelTest, ThirtyTwoBitIndexReadsThePixelsOwnBytes) {
    ProbeDIB dib;
    ASSERT_EQ(dib.CreateDIB(3, 1, 32), 1);
    BYTE* row = dib.GetDIBRow(0);
    for (int i = 0; i < 12; i++) row[i] = static_cast<BYTE>(0x10 + i);
    EXPECT_EQ(dib.GetPixelIndex(0, 0), 0x101112);
    EXPECT_EQ(dib.GetPixelIndex(1, 0), 0x141516);
    EXPECT_EQ(dib.GetPixelIndex(2, 0), 0x18191A);  // the last pixel, inside the row
    EXPECT_EQ(dib.GetPixelRGB(0, 0), 0xFF000000u);
    EXPECT_EQ(dib.SetPiexlRGB(0, 0, 1), 0);
}

TEST_F(PixelTest, UnhandledDepthsAreRefused) {
    ProbeDIB sixteen, three;
    ASSERT_EQ(sixteen.CreateDIB(4, 1, 16), 1);
    ASSERT_EQ(three.CreateDIB(8, 1, 3), 1);  // pixels straddle bytes
    EXPECT_EQ(sixteen.GetPixelIndex(0, 0), -1);
    EXPECT_EQ(sixteen.GetPixelRGB(0, 0), 0xFF000000u);
    EXPECT_EQ(sixteen.SetPiexlRGB(0, 0, 0), 0);
    EXPECT_EQ(three.GetPixelIndex(0, 0), -1);
    EXPECT_EQ(three.SetPixelIndex(0, 0, 1), 0);
    EXPECT_EQ(three.GetPixelRGB(0, 0), 0xFF000000u);
    EXPECT_EQ(three.SetPiexlRGB(0, 0, 0), 0);
}

TEST_F(PixelTest, CoordinatesOutsideTheImage) {
    ProbeDIB dib;
    ASSERT_EQ(dib.CreateDIB(5, 3, 8), 1);
    for (auto [x, y] : {std::pair{-1, 0}, std::pair{5, 0}, std::pair{0, -1}, std::pair{0, 3}}) {
        EXPECT_EQ(dib.GetPixelIndex(x, y), -1);
        EXPECT_EQ(dib.GetPixelRGB(x, y), 0xFF000000u);
        EXPECT_EQ(dib.SetPixelIndex(x, y, 1), 0);
        EXPECT_EQ(dib.SetPiexlRGB(x, y, 0), 0);
    }
}

TEST_F(PixelTest, PaletteColoursAreInHostOrder) {
    ProbeDIB dib;
    ASSERT_EQ(dib.CreateDIB(10, 3, 8), 1);  // wider than tall
    RGBQUAD* table = dib.GetBitmapInfo()->bmiColors;
    for (int i = 0; i < 256; i++) table[i] = RGBQUAD{static_cast<BYTE>(i), 0, 0, 0};  // blues
    table[7] = RGBQUAD{0, 0, 255, 0};                                                    // pure red
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

struct DepthCase {
    int width, height, bits;
};

// The same edits on a page-file image and a memory image, hopping across a
// window boundary between every edit, give the same pixels and bytes.
TEST_F(PixelTest, PageFileAndMemoryAgreeOnBothSidesOfAWindowBoundary) {
    const DepthCase cases[] = {{8000, 3000, 1}, {4000, 3000, 2}, {2000, 3000, 4}, {1000, 3000, 8}, {1000, 1000, 24}};
    for (const DepthCase& c : cases) {
        SCOPED_TRACE(c.bits);
        ProbeDIB paged, memory;
        SetImageUseMemSize(0);
        ASSERT_EQ(paged.CreateDIB(c.width, c.height, c.bits), 1);
        ASSERT_EQ(paged.Mapped(), 1);
        SetImageUseMemSize(~0ul);
        ASSERT_EQ(memory.CreateDIB(c.width, c.height, c.bits), 1);
        for (ProbeDIB* dib : {&paged, &memory}) {
            std::memset(dib->GetGlobalDIBits(), 0, dib->GetDIBSize());
            dib->ReleaseGlobalDIBits();
            if (c.bits <= 8) SetGreyTable(*dib);
        }
        // The first window placed up from storage row 0 ends below row k.
        ASSERT_NE(paged.GetDIBRow(0), nullptr);
        const int k = paged.WinRows();
        ASSERT_LT(k, c.height);
        const int rows[] = {k - 1, k, 0, c.height - 1, k - 1, k + 1};
        const int cols[] = {0, 1, 2, 3, 7, 8, 9, c.width - 1};
        const int maxIndex = c.bits <= 8 ? (1 << c.bits) - 1 : 0;
        int step = 0;
        for (int x : cols) {
            for (int y : rows) {
                step++;
                for (ProbeDIB* dib : {&paged, &memory}) {
                    if (c.bits <= 8)
                        ASSERT_EQ(dib->SetPixelIndex(x, y, (x * 5 + y + step) % (maxIndex + 1)), 1);
                    else
                        ASSERT_EQ(dib->SetPiexlRGB(x, y, 0x010203u * static_cast<unsigned>(step)), 1);
                }
            }
        }
        for (int x : cols) {
            for (int y : rows) {
                ASSERT_EQ(paged.GetPixelIndex(x, y), memory.GetPixelIndex(x, y)) << x << "," << y;
                ASSERT_EQ(paged.GetPixelRGB(x, y), memory.GetPixelRGB(x, y)) << x << "," << y;
            }
        }
        if (c.bits <= 8) {
            // Colour writes pick the entry whose colour was asked for.
            const unsigned long colour = paged.GetPixelRGB(3, k - 1);
            ASSERT_EQ(paged.SetPiexlRGB(2, k, colour), 1);
            ASSERT_EQ(memory.SetPiexlRGB(2, k, colour), 1);
            EXPECT_EQ(paged.GetPixelIndex(2, k), paged.GetPixelIndex(3, k - 1));
        }
        const uint64_t stride = paged.GetBytesPerLine();
        for (int y = 0; y < c.height; y++) {
            std::vector<BYTE> line(memory.GetDIBRow(y), memory.GetDIBRow(y) + stride);
            ASSERT_EQ(std::memcmp(paged.GetDIBRow(y), line.data(), stride), 0) << "row " << y;
        }
    }
}

}  // namespace
