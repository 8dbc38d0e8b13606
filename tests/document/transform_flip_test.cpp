#include <gtest/gtest.h>

#include "document/transform_test_images.h"
#include "platform/file_mapping.h"

namespace {

using ttest::Case;
using ttest::Snapshot;

bool Mirrored(int bitCount) { return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24; }

class FlipEveryBitCount : public ttest::ImageCase {};

TEST_P(FlipEveryBitCount, VerticalFlipSwapsWholeRowsAndTwiceRestores) {
    ASSERT_EQ(m_image->VerticalFlip(), 1);
    const Snapshot after = ttest::Take(*m_image);
    int wrong = 0;
    for (int r = 0; r < after.height; ++r)
        wrong += std::memcmp(after.Row(r), m_before.Row(after.height - 1 - r), after.stride) != 0;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(after.header, m_before.header);
    ASSERT_EQ(m_image->VerticalFlip(), 1);
    EXPECT_EQ(ttest::Take(*m_image).rows, m_before.rows);
}

// Pixel x takes pixel width - 1 - x; the bits after the last pixel of its
// byte are 0 and the padding bytes after it stay as they were.
TEST_P(FlipEveryBitCount, HorizonFlipMirrorsPixelsOrLeavesOtherBitCounts) {
    ASSERT_EQ(m_image->HorizonFlip(), 1);
    const Snapshot after = ttest::Take(*m_image);
    if (!Mirrored(after.bitCount)) {
        EXPECT_EQ(after.rows, m_before.rows);
        return;
    }
    const size_t bits = static_cast<size_t>(after.width) * after.bitCount;
    const size_t usedBytes = (bits + 7) / 8;
    int wrong = 0, dirtyTail = 0, paddingChanged = 0;
    for (int r = 0; r < after.height; ++r) {
        for (int x = 0; x < after.width; ++x) wrong += after.Pixel(x, r) != m_before.Pixel(after.width - 1 - x, r);
        for (size_t bit = bits; bit < usedBytes * 8; ++bit) dirtyTail += (after.Row(r)[bit / 8] >> (7 - bit % 8)) & 1;
        paddingChanged +=
            std::memcmp(after.Row(r) + usedBytes, m_before.Row(r) + usedBytes, after.stride - usedBytes) != 0;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(dirtyTail, 0);
    EXPECT_EQ(paddingChanged, 0);
}

INSTANTIATE_TEST_SUITE_P(Transforms, FlipEveryBitCount,
                         testing::Values(Case{1, false}, Case{4, false}, Case{8, false}, Case{16, false},
                                         Case{24, false}, Case{32, false}, Case{1, true}, Case{4, true}, Case{8, true},
                                         Case{16, true}, Case{24, true}, Case{32, true}),
                         ttest::CaseName);

TEST(VerticalFlip, OddHeightKeepsTheMiddleRow) {
    for (int bitCount : {1, 4, 8, 16, 24, 32}) {
        CNewDIB odd(9, 5, bitCount);
        ttest::FillPattern(odd, 3);
        const Snapshot before = ttest::Take(odd);
        ASSERT_EQ(odd.VerticalFlip(), 1);
        EXPECT_EQ(0, std::memcmp(ttest::Take(odd).Row(2), before.Row(2), before.stride)) << bitCount;
    }
}

TEST(HorizonFlip, NarrowRowsOfEveryMirroredBitCount) {
    for (int bitCount : {1, 4, 8, 24})
        for (int width = 1; width <= 9; ++width) {
            CNewDIB image(width, 2, bitCount);
            ttest::FillPattern(image, static_cast<uint32_t>(width));
            const Snapshot before = ttest::Take(image);
            ASSERT_EQ(image.HorizonFlip(), 1);
            const Snapshot after = ttest::Take(image);
            for (int r = 0; r < 2; ++r)
                for (int x = 0; x < width; ++x)
                    EXPECT_EQ(after.Pixel(x, r), before.Pixel(width - 1 - x, r))
                        << bitCount << " bits, width " << width;
        }
}

// Rows longer than 65,535 bytes and more than 65,535 rows.
TEST(Flips, ImagesBeyondSixteenBitCounters) {
    for (const auto& [width, height] : {std::pair{70001, 2}, std::pair{2, 70001}}) {
        CNewDIB image(width, height, 24);
        ttest::FillPattern(image, 4);
        const Snapshot before = ttest::Take(image);
        ASSERT_EQ(image.HorizonFlip(), 1);
        ASSERT_EQ(image.VerticalFlip(), 1);
        const Snapshot after = ttest::Take(image);
        int wrong = 0;
        for (int r = 0; r < height; ++r)
            for (int x = 0; x < width; ++x) wrong += after.Pixel(x, r) != before.Pixel(width - 1 - x, height - 1 - r);
        EXPECT_EQ(wrong, 0) << width << " x " << height;
    }
}

std::vector<BYTE> FlippedRow(int width, int bitCount, std::vector<BYTE> bytes) {
    CNewDIB image(width, 1, bitCount);
    std::memcpy(image.GetDIBRow(0), bytes.data(), bytes.size());
    EXPECT_EQ(image.HorizonFlip(), 1);
    const BYTE* row = image.GetDIBRow(0);
    return std::vector<BYTE>(row, row + bytes.size());
}

TEST(HorizonFlip, FourBitRowsRepackFromTheFirstByte) {
    EXPECT_EQ(FlippedRow(3, 4, {0x12, 0x3F}), (std::vector<BYTE>{0x32, 0x10}));
    EXPECT_EQ(FlippedRow(4, 4, {0x12, 0x34}), (std::vector<BYTE>{0x43, 0x21}));
}

TEST(HorizonFlip, OneBitRowMirrorsTenPixelsAndClearsTheSixTrailingBits) {
    // Pixels 1100100111, then six set bits after the last pixel.
    EXPECT_EQ(FlippedRow(10, 1, {0xC9, 0xFF}), (std::vector<BYTE>{0xE4, 0xC0}));
}

TEST(Flips, PageFileFlipsPlaceWindowsPerBandNotPerRow) {
    ttest::PageFiles pages(uint64_t{64} << 20);
    CNewDIB image(3000, 2000, 8);
    ASSERT_LT(ttest::FirstRunRows(image), 2000);
    uint64_t views = velmora::FileMappingViewCount();
    ASSERT_EQ(image.VerticalFlip(), 1);
    EXPECT_LE(velmora::FileMappingViewCount() - views, 12u);
    views = velmora::FileMappingViewCount();
    ASSERT_EQ(image.HorizonFlip(), 1);
    EXPECT_LE(velmora::FileMappingViewCount() - views, 4u);
}

}  // namespace
