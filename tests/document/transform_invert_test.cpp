#include <gtest/gtest.h>

#include "document/transform_test_images.h"

namespace {

using ttest::Snapshot;

TEST(InvertColor, PaletteImagesInvertOnlyTheirColourTable) {
    for (int bitCount : {1, 4, 8}) {
        CNewDIB image(13, 7, bitCount);
        ttest::FillPattern(image, 5);
        RGBQUAD* colors = reinterpret_cast<BITMAPINFO*>(image.GetBitmapInfo())->bmiColors;
        colors[0] = RGBQUAD{0, 128, 255, 77};
        const Snapshot before = ttest::Take(image);
        ASSERT_EQ(image.InvertColor(), 1);
        const Snapshot after = ttest::Take(image);
        EXPECT_EQ(after.rows, before.rows) << bitCount;
        const RGBQUAD first = after.Colors()[0];
        EXPECT_EQ(first.rgbBlue, 255);
        EXPECT_EQ(first.rgbGreen, 127);
        EXPECT_EQ(first.rgbRed, 0);
        EXPECT_EQ(first.rgbReserved, 77);
        for (int k = 0; k < (1 << bitCount); ++k) {
            const RGBQUAD a = before.Colors()[k], b = after.Colors()[k];
            EXPECT_EQ(b.rgbBlue, 255 - a.rgbBlue);
            EXPECT_EQ(b.rgbGreen, 255 - a.rgbGreen);
            EXPECT_EQ(b.rgbRed, 255 - a.rgbRed);
            EXPECT_EQ(b.rgbReserved, a.rgbReserved);
        }
    }
}

// A 5-pixel row has stride 16: bytes 0..14 are pixels, byte 15 padding.
void ExpectComplementedPixelsOnly(const Snapshot& before, const Snapshot& after) {
    const size_t pixelBytes = static_cast<size_t>(before.width) * 3;
    int wrong = 0;
    for (int r = 0; r < before.height; ++r)
        for (size_t i = 0; i < before.stride; ++i) {
            const BYTE expected = i < pixelBytes ? static_cast<BYTE>(~before.Row(r)[i]) : before.Row(r)[i];
            wrong += after.Row(r)[i] != expected;
        }
    EXPECT_EQ(wrong, 0);
}

TEST(InvertColor, TrueColourComplementsPixelBytesButNotPadding) {
    CNewDIB image(5, 4, 24);
    ASSERT_EQ(image.GetBytesPerLine(), 16u);
    ttest::FillPattern(image, 9);
    const Snapshot before = ttest::Take(image);
    ASSERT_EQ(image.InvertColor(), 1);
    ExpectComplementedPixelsOnly(before, ttest::Take(image));
}

TEST(InvertColor, TrueColourPageFileAcrossSeveralWindows) {
    ttest::PageFiles pages;
    const ttest::Size size = ttest::TestSize(24, true);
    CNewDIB image(size.width, size.height, 24);
    ASSERT_LT(ttest::FirstRunRows(image), size.height);
    ttest::FillPattern(image, 21);
    const Snapshot before = ttest::Take(image);
    ASSERT_EQ(image.InvertColor(), 1);
    ExpectComplementedPixelsOnly(before, ttest::Take(image));
}

TEST(InvertColor, SixteenAndThirtyTwoBitImagesStayUnchanged) {
    for (int bitCount : {16, 32}) {
        CNewDIB image(7, 3, bitCount);
        ttest::FillPattern(image, 2);
        const Snapshot before = ttest::Take(image);
        EXPECT_EQ(image.InvertColor(), 1);
        EXPECT_EQ(ttest::Take(image).rows, before.rows) << bitCount;
    }
}

}  // namespace
