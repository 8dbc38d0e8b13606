#include <gtest/gtest.h>

#include "document/transform_test_images.h"
#include "platform/file_mapping.h"

namespace {

using ttest::Case;
using ttest::Snapshot;

// Pixel (x, storage row r) of the source that lands on (j, i) of the turn.
uint32_t TurnedSource(const Snapshot& src, bool clockwise, int j, int i) {
    return clockwise ? src.Pixel(src.width - 1 - i, j) : src.Pixel(i, src.height - 1 - j);
}

void ExpectTurnOf(const Snapshot& src, const Snapshot& out, bool clockwise) {
    ASSERT_EQ(out.width, src.height);
    ASSERT_EQ(out.height, src.width);
    ASSERT_EQ(out.bitCount, src.bitCount);
    EXPECT_EQ(out.Info().biWidth, src.height);
    EXPECT_EQ(out.Info().biHeight, src.width);
    EXPECT_EQ(out.Info().biXPelsPerMeter, src.Info().biXPelsPerMeter);
    EXPECT_EQ(0, std::memcmp(out.header.data() + 40, src.header.data() + 40, src.header.size() - 40)) << "colour table";
    int wrong = 0;
    for (int i = 0; i < out.height; ++i)
        for (int j = 0; j < out.width; ++j) wrong += out.Pixel(j, i) != TurnedSource(src, clockwise, j, i);
    EXPECT_EQ(wrong, 0);
}

// Bits after the last pixel of each row, up to the stride, are zero.
void ExpectCleanTails(const Snapshot& s) {
    const size_t bits = static_cast<size_t>(s.width) * s.bitCount;
    int dirty = 0;
    for (int r = 0; r < s.height; ++r)
        for (size_t bit = bits; bit < s.stride * 8; ++bit) dirty += (s.Row(r)[bit / 8] >> (7 - bit % 8)) & 1;
    EXPECT_EQ(dirty, 0);
}

void ExpectSamePixels(const Snapshot& a, const Snapshot& b) {
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    int wrong = 0;
    for (int r = 0; r < a.height; ++r)
        for (int x = 0; x < a.width; ++x) wrong += a.Pixel(x, r) != b.Pixel(x, r);
    EXPECT_EQ(wrong, 0);
}

class RotateEveryBitCount : public ttest::ImageCase {};

TEST_P(RotateEveryBitCount, RightRotateMatchesPixelByPixelReference) {
    ASSERT_EQ(m_image->RightRotate(), 1);
    const Snapshot after = ttest::Take(*m_image);
    ExpectTurnOf(m_before, after, true);
    ExpectCleanTails(after);
}

TEST_P(RotateEveryBitCount, LeftRotateMatchesPixelByPixelReference) {
    ASSERT_EQ(m_image->LeftRotate(), 1);
    const Snapshot after = ttest::Take(*m_image);
    ExpectTurnOf(m_before, after, false);
    ExpectCleanTails(after);
}

TEST_P(RotateEveryBitCount, FourRightTurnsAndRightThenLeftGiveTheImageBack) {
    for (int k = 0; k < 4; ++k) ASSERT_EQ(m_image->RightRotate(), 1);
    ExpectSamePixels(m_before, ttest::Take(*m_image));
    ASSERT_EQ(m_image->RightRotate(), 1);
    ASSERT_EQ(m_image->LeftRotate(), 1);
    ExpectSamePixels(m_before, ttest::Take(*m_image));
}

INSTANTIATE_TEST_SUITE_P(Transforms, RotateEveryBitCount,
                         testing::Values(Case{1, false}, Case{2, false}, Case{4, false}, Case{8, false},
                                         Case{16, false}, Case{24, false}, Case{32, false}, Case{1, true},
                                         Case{2, true}, Case{4, true}, Case{8, true}, Case{16, true}, Case{24, true},
                                         Case{32, true}),
                         ttest::CaseName);

// Single rows and columns, and sizes just around the 8 x 8 blocks.
TEST(Rotate, SmallShapesOfEveryBitCount) {
    const ttest::Size shapes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {8, 8}, {17, 9}, {9, 17}};
    for (int bitCount : {1, 2, 4, 8, 16, 24, 32})
        for (const ttest::Size& size : shapes)
            for (bool clockwise : {true, false}) {
                SCOPED_TRACE(testing::Message() << bitCount << " bits, " << size.width << " x " << size.height
                                                << (clockwise ? " right" : " left"));
                CNewDIB image(size.width, size.height, bitCount);
                ttest::FillPattern(image, static_cast<uint32_t>(size.width * 31 + size.height));
                const Snapshot before = ttest::Take(image);
                ASSERT_EQ(clockwise ? image.RightRotate() : image.LeftRotate(), 1);
                ExpectTurnOf(before, ttest::Take(image), clockwise);
            }
}

// Sizes past what 16-bit row and column counters hold.
TEST(Rotate, ImagesWiderOrTallerThanSixteenBitCounters) {
    for (const ttest::Size size : {ttest::Size{70001, 2}, ttest::Size{3, 70001}}) {
        CNewDIB image(size.width, size.height, 8);
        ttest::FillPattern(image, 70001);
        const Snapshot before = ttest::Take(image);
        ASSERT_EQ(image.RightRotate(), 1);
        ExpectTurnOf(before, ttest::Take(image), true);
    }
}

// A 3 x 2 image whose top-left pixel (picture row 0 = storage row 1) is the
// only white one.
CNewDIB* ImageWithWhiteTopLeft(CNewDIB* image) {
    for (int r = 0; r < 2; ++r) std::memset(image->GetDIBRow(r), 0, image->GetBytesPerLine());
    image->GetDIBRow(1)[0] = 255;
    return image;
}

TEST(Rotate, TopLeftCornerGoesTopRightClockwiseAndBottomLeftCounterClockwise) {
    CNewDIB right(3, 2, 8), left(3, 2, 8);
    ASSERT_EQ(ImageWithWhiteTopLeft(&right)->RightRotate(), 1);
    ASSERT_EQ(ImageWithWhiteTopLeft(&left)->LeftRotate(), 1);
    ASSERT_EQ(right.GetWidth(), 2);
    ASSERT_EQ(right.GetHeight(), 3);
    for (int r = 0; r < 3; ++r)
        for (int x = 0; x < 2; ++x) {
            EXPECT_EQ(right.GetDIBRow(r)[x], r == 2 && x == 1 ? 255 : 0) << "right " << x << "," << r;
            EXPECT_EQ(left.GetDIBRow(r)[x], r == 0 && x == 0 ? 255 : 0) << "left " << x << "," << r;
        }
}

TEST(Rotate, KeepsFileNameFormatAndGrayFlag) {
    CNewDIB image(5, 3, 24);
    image.SetFileName("picture.bmp");
    image.SetGrayProp(1);
    ASSERT_EQ(image.RightRotate(), 1);
    EXPECT_STREQ(image.GetFileName(), "picture.bmp");
    EXPECT_EQ(image.GetGrayProp(), 1);
    EXPECT_EQ(image.GetFileFormat(), 6);
}

TEST(Rotate, OtherBitCountsAreRefusedUnchanged) {
    vtest::RecordingWindow window;
    CNewDIB image(5, 3, 3);
    ASSERT_TRUE(image.Ready());
    EXPECT_EQ(image.RightRotate(), 0);
    EXPECT_EQ(image.LeftRotate(), 0);
    EXPECT_EQ(image.GetWidth(), 5);
    EXPECT_TRUE(window.messages.empty());
}

// The second image cannot be made: the virtual directory is gone while the
// turned image needs a page file.
TEST(Rotate, FailureToCreateTheSecondImageLeavesTheDocumentUnchanged) {
    ttest::PageFiles pages;
    CNewDIB image(301, 1077, 8);
    ASSERT_LT(ttest::FirstRunRows(image), 1077);
    ttest::FillPattern(image, 7);
    const Snapshot before = ttest::Take(image);
    const int loadNumber = GetLoadImageNumber();
    SetVirtualDirectory(pages.Dir().file("missing/").c_str());

    vtest::RecordingWindow window;
    EXPECT_EQ(image.RightRotate(), 0);
    EXPECT_EQ(image.LeftRotate(), 0);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(GetLoadImageNumber(), loadNumber);
    const Snapshot after = ttest::Take(image);
    EXPECT_EQ(after.width, 301);
    EXPECT_EQ(after.height, 1077);
    EXPECT_EQ(after.header, before.header);
    EXPECT_EQ(after.rows, before.rows);
}

// A 3000 x 2000 8-bit page file with 2 MiB windows: the rotation moves
// bands, so its window placements number a few per window, not per pixel or
// per row; the old page file goes and the load image number comes back.
TEST(Rotate, PageFileRotationPlacesFewWindowsAndReleasesTheOldPageFile) {
    ttest::PageFiles pages(uint64_t{64} << 20);
    SetLoadImageNumber(3);  // so that creating the second image can lower it
    CNewDIB image(3000, 2000, 8);
    ASSERT_LT(ttest::FirstRunRows(image), 1000) << "2 MiB windows of 3000-byte rows";
    ttest::FillPattern(image, 11);
    const Snapshot before = ttest::Take(image);
    const int loadNumber = GetLoadImageNumber();

    const uint64_t views = velmora::FileMappingViewCount();
    ASSERT_EQ(image.RightRotate(), 1);
    // Three windows each way, so about three bands times three source
    // windows; remapping per row would take thousands.
    EXPECT_LE(velmora::FileMappingViewCount() - views, 25u);

    EXPECT_EQ(pages.Dir().List().size(), 1u);
    EXPECT_EQ(GetLoadImageNumber(), loadNumber);
    ExpectTurnOf(before, ttest::Take(image), true);
}

}  // namespace
