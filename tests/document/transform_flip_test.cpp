#include <gtest/gtest.h>

#include "document/transform_test_images.h"
#include "platform/file_mapping.h"

namespace {

using ttest::Snapshot;

bool Mirrored(int bitCount) { return bitCount != 2; }

// Pixel x of each row is pixel width - 1 - x of `before`, the bits after the
// last pixel of its byte are 0 and the padding bytes after it stay as they were.
void ExpectMirrorOf(const Snapshot& before, const Snapshot& after) {
    EXPECT_EQ(ttest::WrongPixels(after, before, [&](int x, int r) { return std::pair{after.width - 1 - x, r}; }), 0);
    const size_t bits = static_cast<size_t>(after.width) * after.bitCount, usedBytes = (bits + 7) / 8;
    int dirtyTail = 0, paddingChanged = 0;
    for (int r = 0; r < after.height; ++r) {
        for (size_t bit = bits; bit < usedBytes * 8; ++bit) dirtyTail += (after.Row(r)[bit / 8] >> (7 - bit % 8)) & 1;
        paddingChanged += std::memcmp(after.Row(r) + usedBytes, before.Row(r) + usedBytes, after.stride - usedBytes) != 0;
    }
    EXPECT_EQ(dirtyTail, 0);
    EXPECT_EQ(paddingChanged, 0);
}

class FlipEveryBitCount : public ttest::ImageCase {};

// The memory images have an odd height: the middle row stays.
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

TEST_P(FlipEveryBitCount, HorizonFlipMirrorsWholePixelsOfEveryBitCount) {
    ASSERT_EQ(m_image->HorizonFlip(), 1);
    if (Mirrored(GetParam().bitCount))
        ExpectMirrorOf(m_before, ttest::Take(*m_image));
    else
        EXPECT_EQ(ttest::Take(*m_image).rows, m_before.rows);
}

INSTANTIATE_TEST_SUITE_P(Transforms, FlipEveryBitCount, testing::ValuesIn(ttest::AllCases({1, 4, 8, 16, 24, 32})),
                         ttest::CaseName);

TEST(HorizonFlip, NarrowRowsOfEveryMirroredBitCount) {
    for (int bitCount : {1, 4, 8, 24})
        for (int width = 1; width <= 9; ++width) {
            SCOPED_TRACE(testing::Message() << bitCount << " bits, width " << width);
            CNewDIB image(width, 2, bitCount);
            ttest::FillPattern(image, static_cast<uint32_t>(width));
            const Snapshot before = ttest::Take(image);
            ASSERT_EQ(image.HorizonFlip(), 1);
            ExpectMirrorOf(before, ttest::Take(image));
        }
}

std::vector<BYTE> FlippedRow(int width, int bitCount, std::vector<BYTE> bytes) {
    CNewDIB image(width, 1, bitCount);
    std::memcpy(image.GetDIBRow(0), bytes.data(), bytes.size());
    EXPECT_EQ(image.HorizonFlip(), 1);
    return std::vector<BYTE>(image.GetDIBRow(0), image.GetDIBRow(0) + bytes.size());
}

TEST(HorizonFlip, FourBitRowsRepackFromTheFirstByteAndOneBitRowsClearTrailingBits) {
    EXPECT_EQ(FlippedRow(3, 4, {0x12, 0x3F}), (std::vector<BYTE>{0x32, 0x10}));
    EXPECT_EQ(FlippedRow(4, 4, {0x12, 0x34}), (std::vector<BYTE>{0x43, 0x21}));
    // Pixels 1100100111, then six set bits after the last pixel.
    EXPECT_EQ(FlippedRow(10, 1, {0xC9, 0xFF}), (std::vector<BYTE>{0xE4, 0xC0}));
}

// Rows longer than 65,535 bytes and more than 65,535 rows.
TEST(Flips, ImagesBeyondSixteenBitCounters) {
    for (const auto& [width, height] : {std::pair{70001, 2}, std::pair{2, 70001}}) {
        CNewDIB image(width, height, 24);
        ttest::FillPattern(image, 4);
        const Snapshot before = ttest::Take(image);
        ASSERT_EQ(image.HorizonFlip(), 1);
        ASSERT_EQ(image.VerticalFlip(), 1);
        EXPECT_EQ(ttest::WrongPixels(ttest::Take(image), before,
                                     [w = width, h = height](int x, int r) { return std::pair{w - 1 - x, h - 1 - r}; }),
                  0)
            << width << " x " << height;
    }
}

TEST(Flips, PageFileFlipsPlaceWindowsPerBandNotPerRow) {
    vtest::PageFileMode pages;
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
