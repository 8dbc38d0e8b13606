// CNewDIB: constructors, names, colour tables in host order, block copies.
#include <gtest/gtest.h>

#include <memory>

#include "codecs/image_fixture.h"

namespace {

TEST(NewDib, DefaultHoldsNothingAndACopyTakesPixelsNamesAndGray) {
    CNewDIB empty;
    EXPECT_EQ(empty.GetFileFormat(), 6);
    EXPECT_FALSE(empty.Ready());
    EXPECT_EQ(empty.GetColorNumber(), 0);
    EXPECT_EQ(empty.Resize(CSize(10, 10), 0), 0);
    CNewDIB src(13, 7, 8);
    ASSERT_TRUE(vtest::FillPattern(src, 3));
    src.SetFileName("a.bmp");
    src.SetGrayProp(1);
    CNewDIB copy(&src);
    EXPECT_EQ(copy.GetWidth(), 13);
    EXPECT_EQ(vtest::RowsDifferingFromPattern(copy, 3), 0);
    EXPECT_EQ(copy.GetFileName(), "a.bmp");
    EXPECT_EQ(copy.GetGrayProp(), 1);
    EXPECT_EQ(copy.CopyDIB(&copy), 1);  // a copy of itself keeps itself
    EXPECT_EQ(vtest::RowsDifferingFromPattern(copy, 3), 0);
    EXPECT_EQ(copy.CopyDIB(nullptr), 0);
}

TEST(NewDib, HeaderReportsTheWholeImageWhateverWasLeftInIt) {
    CNewDIB dib(5, 3, 24);
    EXPECT_TRUE(dib.Inside(4, 2));
    EXPECT_FALSE(dib.Inside(5, 0) || dib.Inside(0, -1));
    dib.GetBitmapInfoHeader()->biHeight = 1;  // drawing leaves a window's rows here
    EXPECT_EQ(dib.GetBitmapInfoHeader()->biHeight, 3);
}

TEST(NewDibColorTable, ValuesAreInHostOrderAndTablesHoldTwoToTheBitCount) {
    CNewDIB dib(4, 4, 4);
    unsigned long colors[3] = {RGB(1, 2, 3), RGB(250, 0, 9), 0xFF00FF00};
    ASSERT_EQ(dib.SetColorTable(3, colors), 1);
    int count = 0;
    const RGBQUAD* quads = dib.GetRGBQuad(&count);
    ASSERT_EQ(count, 16);
    EXPECT_EQ(quads[0].rgbRed, 1);
    EXPECT_EQ(quads[0].rgbBlue, 3);
    EXPECT_EQ(quads[2].rgbReserved, 0);  // the top byte is ignored
    std::unique_ptr<unsigned long[]> table(dib.GetColorTable(&count));
    EXPECT_EQ(count, 16);
    EXPECT_EQ(table[1], RGB(250, 0, 9));
    EXPECT_EQ(table[2], 0x0000FF00u);
    unsigned long out[16] = {};
    EXPECT_EQ(dib.GetColorTable(out), 16);
    EXPECT_EQ(out[0], RGB(1, 2, 3));
    EXPECT_EQ(dib.GetColorNumber(), 16);
}

TEST(NewDibColorTable, RefusalsLeaveTheTableAlone) {
    unsigned long colors[3] = {1, 2, 3}, untouched[1] = {42};
    CNewDIB mono(8, 1, 1), gray(8, 1, 8), rgb(8, 1, 24);
    EXPECT_EQ(mono.SetColorTable(3, colors), 0);  // more than the table holds
    int count = 0;
    gray.GetRGBQuad(&count)[3] = RGBQUAD{7, 7, 7, 0};
    EXPECT_EQ(gray.SetColorTable(3, colors), 1);  // entries 0-2 only
    EXPECT_EQ(gray.GetRGBQuad(&count)[3].rgbRed, 7);
    EXPECT_EQ(gray.SetColorTable(257, colors), 0);
    EXPECT_EQ(rgb.GetColorTable(untouched), -1);
    EXPECT_EQ(untouched[0], 42u);
    EXPECT_EQ(rgb.GetRGBQuad(&count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(rgb.GetColorTable(&count), nullptr);
    EXPECT_EQ(rgb.SetColorTable(1, colors), 0);
}

// Block copies: the first coordinate pair addresses the other image.
class BlockCopy : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(vtest::FillPattern(src, 1));
        for (int r = 0; r < dst.GetHeight(); ++r) std::fill_n(dst.GetDIBRow(r), dst.GetBytesPerLine(), 0);
    }
    CNewDIB src{10, 10, 24}, dst{6, 4, 24};
};

TEST_F(BlockCopy, GetDibBlockCopiesTheBlockAndClipsToBothImages) {
    // 8 pixels asked from x 4 of src (6 there) into x 2 of dst (4 there).
    ASSERT_EQ(dst.GetDIBBlock(&src, 4, 5, 2, 1, 8, 10), 1);
    for (int r = 0; r < 4; ++r)
        for (int x = 0; x < 6; ++x) {
            const bool inBlock = r >= 1 && x >= 2;
            EXPECT_EQ(dst.GetDIBRow(r)[x * 3], inBlock ? vtest::PatternByte(r + 4, static_cast<size_t>(x + 2) * 3, 1) : 0)
                << "row " << r << " x " << x;
        }
}

TEST_F(BlockCopy, PutDibBlockNeverReadsOrWritesOutsideEitherImage) {
    // The source block runs past src's top; the destination past dst's right edge.
    ASSERT_EQ(src.PutDIBBlock(&dst, 3, 0, 0, 8, 10, 10), 1);
    EXPECT_EQ(dst.GetDIBRow(1)[3 * 3], vtest::PatternByte(9, 0, 1));
    EXPECT_EQ(dst.GetDIBRow(1)[5 * 3 + 2], vtest::PatternByte(9, 8, 1));
    EXPECT_EQ(dst.GetDIBRow(2)[3 * 3], 0);  // src has no row 10
}

TEST_F(BlockCopy, RefusesOtherDepthsNegativeCoordinatesAndShallowImages) {
    CNewDIB eight(10, 10, 8), four(8, 8, 4), four2(8, 8, 4);
    EXPECT_EQ(dst.GetDIBBlock(&eight, 0, 0, 0, 0, 2, 2), 0);
    EXPECT_EQ(dst.GetDIBBlock(&src, -1, 0, 0, 0, 2, 2), 0);
    EXPECT_EQ(dst.GetDIBBlock(&src, 0, 0, 0, -1, 2, 2), 0);
    EXPECT_EQ(dst.GetDIBBlock(&src, 0, 0, 6, 0, 2, 2), 0);  // starts past dst's edge
    EXPECT_EQ(dst.GetDIBBlock(&src, 0, 0, 0, 0, -2, 2), 0);
    EXPECT_EQ(dst.GetDIBBlock(nullptr, 0, 0, 0, 0, 2, 2), 0);
    EXPECT_EQ(four.GetDIBBlock(&four2, 0, 0, 0, 0, 2, 2), 0);
    EXPECT_EQ(dst.GetDIBBlock(&src, 0, 0, 0, 0, 0, 0), 1);  // nothing to copy
}

TEST_F(BlockCopy, CopyWithinOneImageMovesRowsWithoutSmearing) {
    ASSERT_EQ(src.GetDIBBlock(&src, 0, 0, 0, 2, 10, 8), 1);  // rows 0-7 up to 2-9
    for (int r = 2; r < 10; ++r) EXPECT_EQ(src.GetDIBRow(r)[5], vtest::PatternByte(r - 2, 5, 1)) << r;
}

TEST(BlockCopyPageFile, CopiesBetweenPageFileImagesAcrossWindows) {
    vtest::PageFileMode mode;
    CNewDIB big(1200, 1500, 24), other(1200, 1500, 24);
    ASSERT_TRUE(big.IsMapped() && other.IsMapped());
    ASSERT_TRUE(vtest::FillPattern(big, 2));
    ASSERT_EQ(other.GetDIBBlock(&big, 0, 0, 0, 0, 1200, 1500), 1);
    EXPECT_EQ(vtest::RowsDifferingFromPattern(other, 2), 0);
}

}  // namespace
