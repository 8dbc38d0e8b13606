// CopyDIBObject between memory and page-file images.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/storage/storage_fixture.h"

namespace {

using vtest::ProbeDIB;

constexpr int kW = 1000, kH = 3000;  // 8 bits: 3,000,000 bytes

class CopyTest : public vtest::PageFileTest {
protected:
    // An 8-bit source with a full header, colour table, pattern rows and
    // transparent colours.
    void MakeSource(ProbeDIB& src, bool paged) {
        Create(src, kW, kH, 8, paged);
        BITMAPINFO* info = src.GetBitmapInfo();
        info->bmiHeader.biXPelsPerMeter = 2835;
        info->bmiHeader.biClrUsed = 200;
        for (int i = 0; i < 256; i++) info->bmiColors[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 3), 0};
        vtest::FillImage(src);
        src.Transparent(1);
        src.GetTransClrs()->Add(0x112233);
        src.GetTransClrs()->Add(0x445566);
    }

    void ExpectSameImage(ProbeDIB& a, ProbeDIB& b) {
        ASSERT_EQ(a.GetBitCount(), b.GetBitCount());
        EXPECT_EQ(std::memcmp(a.GetBitmapInfo(), b.GetBitmapInfo(), 40 + 1024), 0);  // sizes and colour table
        for (int row = 0; row < b.GetHeight(); row++)
            ASSERT_TRUE(vtest::RowMatches(b.GetDIBRow(row), kW, row)) << "row " << row;
        EXPECT_EQ(b.IsTransed(), a.IsTransed());
        ASSERT_EQ(b.GetTransClrs()->GetSize(), 2);
        EXPECT_EQ(b.GetTransClrs()->GetAt(0), 0x112233u);
        EXPECT_EQ(b.GetTransClrs()->GetAt(1), 0x445566u);
    }
};

// Each target held another image, which the copy replaces.
TEST_F(CopyTest, CopiesBetweenEveryPairOfModesReplacingTheTarget) {
    for (bool srcPaged : {true, false}) {
        for (bool dstPaged : {true, false}) {
            SCOPED_TRACE(testing::Message() << srcPaged << " -> " << dstPaged);
            ProbeDIB src, dst;
            ASSERT_EQ(dst.CreateDIB(7, 7, 24), 1);
            dst.GetTransClrs()->Add(0x999999);
            MakeSource(src, srcPaged);
            SetImageUseMemSize(dstPaged ? 0 : ~0ul);
            ASSERT_EQ(dst.CopyDIBObject(&src), 1);
            EXPECT_EQ(dst.Mapped(), dstPaged ? 1 : 0);
            ExpectSameImage(src, dst);
        }
    }
}

TEST_F(CopyTest, LeavesTheSourcesViewsInPlace) {
    ProbeDIB src, dst;
    MakeSource(src, true);
    BYTE* whole = src.GetGlobalDIBits();
    ASSERT_NE(whole, nullptr);
    int count = 0;
    BYTE* run = src.GetDIBBuffer(100, &count, 1);
    ASSERT_NE(run, nullptr);
    ASSERT_EQ(dst.CopyDIBObject(&src), 1);
    // Both addresses are still mapped and still hold the source's rows.
    EXPECT_TRUE(vtest::RowMatches(whole + 5 * kW, kW, 5));
    EXPECT_TRUE(vtest::RowMatches(run, kW, 100));
    EXPECT_EQ(src.Bits(), run);
}

TEST_F(CopyTest, RefusesAnEmptyOrMissingSourceAndKeepsTheTarget) {
    ProbeDIB empty, dst;
    ASSERT_EQ(dst.CreateDIB(4, 4, 8), 1);
    EXPECT_EQ(dst.CopyDIBObject(nullptr), 0);
    EXPECT_EQ(dst.CopyDIBObject(&empty), 0);
    EXPECT_EQ(dst.Ready(), 1);
    EXPECT_EQ(dst.GetWidth(), 4);
    // Copying onto itself keeps the image.
    dst.GetDIBRow(2)[1] = 0x77;
    EXPECT_EQ(dst.CopyDIBObject(&dst), 1);
    EXPECT_EQ(dst.GetDIBRow(2)[1], 0x77);
}

}  // namespace
