// CopyDIBObject between memory and page-file images.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/storage/storage_fixture.h"

namespace {

using vtest::PageFileTest;
using vtest::ProbeDIB;

constexpr int kW = 1000, kH = 3000;  // 8 bits: 3,000,000 bytes

class CopyTest : public PageFileTest {
protected:
    // An 8-bit source in memory or in a page file, with a full header,
    // colour table, pattern rows and transparent colours.
    void MakeSource(ProbeDIB& src, bool paged) {
        SetImageUseMemSize(paged ? 0 : ~0ul);
        ASSERT_EQ(src.CreateDIB(kW, kH, 8), 1);
        ASSERT_EQ(src.Mapped(), paged ? 1 : 0);
        BITMAPINFO* info = src.GetBitmapInfo();
        info->bmiHeader.biXPelsPerMeter = 2835;
        info->bmiHeader.biClrUsed = 200;
        RGBQUAD* table = info->bmiColors;
        for (int i = 0; i < 256; i++)
            table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3), 0};
        vtest::FillImage(src);
        src.Transparent(1);
        src.GetTransClrs()->Add(0x112233);
        src.GetTransClrs()->Add(0x445566);
    }

    void ExpectSameImage(ProbeDIB& a, ProbeDIB& b) {
        ASSERT_EQ(a.GetWidth(), b.GetWidth());
        ASSERT_EQ(a.GetHeight(), b.GetHeight());
        ASSERT_EQ(a.GetBitCount(), b.GetBitCount());
        EXPECT_EQ(std::memcmp(a.GetBitmapInfo(), b.GetBitmapInfo(), 40 + 1024), 0);
        const uint64_t stride = a.GetBytesPerLine();
        for (int row = 0; row < a.GetHeight(); row++) {
            std::vector<BYTE> line(a.GetDIBRow(row), a.GetDIBRow(row) + stride);
            ASSERT_EQ(std::memcmp(line.data(), b.GetDIBRow(row), stride), 0) << "row " << row;
        }
        EXPECT_EQ(b.IsTransed(), a.IsTransed());
        ASSERT_EQ(b.GetTransClrs()->GetSize(), a.GetTransClrs()->GetSize());
        for (int i = 0; i < a.GetTransClrs()->GetSize(); i++)
            EXPECT_EQ(b.GetTransClrs()->GetAt(i), a.GetTransClrs()->GetAt(i));
    }
};

TEST_F(CopyTest, CopiesBetweenEveryPairOfModes) {
    for (bool srcPaged : {true, false}) {
        for (bool dstPaged : {true, false}) {
            SCOPED_TRACE(testing::Message() << (srcPaged ? "paged" : "memory") << " -> "
                                            << (dstPaged ? "paged" : "memory"));
            ProbeDIB src, dst;
            MakeSource(src, srcPaged);
            SetImageUseMemSize(dstPaged ? 0 : ~0ul);
            ASSERT_EQ(dst.CopyDIBObject(&src), 1);
            EXPECT_EQ(dst.Mapped(), dstPaged ? 1 : 0);
            ExpectSameImage(src, dst);
        }
    }
}

TEST_F(CopyTest, ReplacesTheTargetsOldContents) {
    ProbeDIB src, dst;
    MakeSource(src, false);
    ASSERT_EQ(dst.CreateDIB(7, 7, 24), 1);
    dst.GetTransClrs()->Add(0x999999);
    ASSERT_EQ(dst.CopyDIBObject(&src), 1);
    ExpectSameImage(src, dst);
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
    EXPECT_TRUE(vtest::RowMatches(whole + 5 * 1000, 1000, 5));
    EXPECT_TRUE(vtest::RowMatches(run, 1000, 100));
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
