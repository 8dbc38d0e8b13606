#include <gtest/gtest.h>

#include "document/transform_test_images.h"
#include "platform/file_mapping.h"

namespace {

using ttest::Case;
using ttest::Snapshot;

// `out` against a turn of `src` computed pixel by pixel: sizes swapped, the
// rest of the header and the colour table kept, bits after the last pixel of
// each row zero.
void ExpectTurnOf(const Snapshot& src, const Snapshot& out, bool clockwise) {
    ASSERT_EQ(out.width, src.height);
    ASSERT_EQ(out.height, src.width);
    ASSERT_EQ(out.bitCount, src.bitCount);
    EXPECT_EQ(out.Info().biWidth, src.height);
    EXPECT_EQ(out.Info().biHeight, src.width);
    EXPECT_EQ(out.Info().biXPelsPerMeter, src.Info().biXPelsPerMeter);
    EXPECT_EQ(0, std::memcmp(out.header.data() + 40, src.header.data() + 40, src.header.size() - 40)) << "colour table";
    EXPECT_EQ(ttest::WrongPixels(out, src,
                                 [&](int j, int i) {
                                     return clockwise ? std::pair{src.width - 1 - i, j} : std::pair{i, src.height - 1 - j};
                                 }),
              0);
    const size_t bits = static_cast<size_t>(out.width) * out.bitCount;
    int dirty = 0;
    for (int r = 0; r < out.height; ++r)
        for (size_t bit = bits; bit < out.stride * 8; ++bit) dirty += (out.Row(r)[bit / 8] >> (7 - bit % 8)) & 1;
    EXPECT_EQ(dirty, 0) << "bits after the last pixel";
}

int PixelsMoved(const Snapshot& a, const Snapshot& b) {
    return ttest::WrongPixels(a, b, [](int x, int r) { return std::pair{x, r}; });
}

class RotateEveryBitCount : public ttest::ImageCase {};

TEST_P(RotateEveryBitCount, RightRotateMatchesTheReferenceAndFourTurnsGiveTheImageBack) {
    ASSERT_EQ(m_image->RightRotate(), 1);
    ExpectTurnOf(m_before, ttest::Take(*m_image), true);
    for (int k = 0; k < 3; ++k) ASSERT_EQ(m_image->RightRotate(), 1);
    EXPECT_EQ(PixelsMoved(ttest::Take(*m_image), m_before), 0);
}

TEST_P(RotateEveryBitCount, LeftRotateMatchesTheReferenceAndARightTurnUndoesIt) {
    ASSERT_EQ(m_image->LeftRotate(), 1);
    ExpectTurnOf(m_before, ttest::Take(*m_image), false);
    ASSERT_EQ(m_image->RightRotate(), 1);
    EXPECT_EQ(PixelsMoved(ttest::Take(*m_image), m_before), 0);
}

INSTANTIATE_TEST_SUITE_P(Transforms, RotateEveryBitCount, testing::ValuesIn(ttest::AllCases({1, 2, 4, 8, 16, 24, 32})),
                         ttest::CaseName);

// Single rows and columns, sizes just around the 8 x 8 blocks, and sizes past
// what 16-bit row and column counters hold.
TEST(Rotate, SmallShapesOfEveryBitCountAndLongOnes) {
    std::vector<std::pair<int, ttest::Size>> shapes = {{8, {70001, 2}}, {8, {3, 70001}}};
    for (int bitCount : {1, 2, 4, 8, 16, 24, 32})
        for (ttest::Size size : {ttest::Size{1, 1}, {1, 9}, {9, 1}, {2, 2}, {8, 8}, {17, 9}, {9, 17}})
            shapes.push_back({bitCount, size});
    for (const auto& [bitCount, size] : shapes)
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

// Tall images, whose bands are large enough to be shared between two
// threads, against the same reference (the halves meet mid-band).
TEST(Rotate, TallImagesSplitBetweenThreadsMatchTheReference) {
    const std::pair<int, ttest::Size> shapes[] = {{1, {101, 33001}}, {4, {99, 9001}}, {8, {203, 4301}},
                                                  {16, {97, 2203}},  {24, {301, 1501}}, {32, {75, 1103}}};
    for (const auto& [bitCount, size] : shapes)
        for (bool clockwise : {true, false}) {
            SCOPED_TRACE(testing::Message() << bitCount << " bits" << (clockwise ? " right" : " left"));
            CNewDIB image(size.width, size.height, bitCount);
            ttest::FillPattern(image, static_cast<uint32_t>(bitCount));
            const Snapshot before = ttest::Take(image);
            ASSERT_EQ(clockwise ? image.RightRotate() : image.LeftRotate(), 1);
            ExpectTurnOf(before, ttest::Take(image), clockwise);
        }
}

// A 3 x 2 image whose only white pixel is the top-left one (storage row 1)
// turns it top right clockwise and bottom left counter-clockwise.
TEST(Rotate, TopLeftCornerGoesTopRightClockwiseAndBottomLeftCounterClockwise) {
    for (bool clockwise : {true, false}) {
        CNewDIB image(3, 2, 8);
        for (int r = 0; r < 2; ++r) std::memset(image.GetDIBRow(r), 0, image.GetBytesPerLine());
        image.GetDIBRow(1)[0] = 255;
        ASSERT_EQ(clockwise ? image.RightRotate() : image.LeftRotate(), 1);
        std::vector<BYTE> rows(12, 0);  // three rows of two pixels and two padding bytes
        rows[clockwise ? 9 : 0] = 255;
        EXPECT_EQ(ttest::Take(image).rows, rows) << (clockwise ? "right" : "left");
    }
}

TEST(Rotate, KeepsFileNameFormatAndGrayFlagAndRefusesOtherBitCounts) {
    CNewDIB image(5, 3, 24), three(5, 3, 3);
    image.SetFileName("picture.bmp");
    image.SetGrayProp(1);
    ASSERT_EQ(image.RightRotate(), 1);
    EXPECT_STREQ(image.GetFileName(), "picture.bmp");
    EXPECT_EQ(image.GetGrayProp(), 1);
    EXPECT_EQ(image.GetFileFormat(), 6);
    vtest::RecordingWindow window;
    ASSERT_TRUE(three.Ready());
    EXPECT_EQ(three.RightRotate(), 0);
    EXPECT_EQ(three.LeftRotate(), 0);
    EXPECT_EQ(three.GetWidth(), 5);
    EXPECT_TRUE(window.messages.empty());
}

// The turned image needs a page file, but the virtual directory is gone.
TEST(Rotate, FailureToCreateTheSecondImageLeavesTheDocumentUnchanged) {
    vtest::PageFileMode pages(4 * vtest::kMiB);
    CNewDIB image(301, 1077, 8);
    ASSERT_LT(ttest::FirstRunRows(image), 1077);
    ttest::FillPattern(image, 7);
    const Snapshot before = ttest::Take(image);
    const int loadNumber = GetLoadImageNumber();
    vtest::TempDir gone;
    SetVirtualDirectory(gone.file("missing/").c_str());
    vtest::RecordingWindow window;
    EXPECT_EQ(image.RightRotate(), 0);
    EXPECT_EQ(image.LeftRotate(), 0);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(GetLoadImageNumber(), loadNumber);
    const Snapshot after = ttest::Take(image);
    EXPECT_EQ(after.width, 301);
    EXPECT_EQ(after.header, before.header);
    EXPECT_EQ(after.rows, before.rows);
}

// A 3000 x 2000 8-bit page file with 2 MiB windows (three each way): the
// rotation moves bands, so it places about three bands times three source
// windows, where remapping per row would take thousands; the old page file
// goes and the load image number comes back.
TEST(Rotate, PageFileRotationPlacesFewWindowsAndReleasesTheOldPageFile) {
    vtest::PageFileMode pages;
    SetLoadImageNumber(3);  // so that creating the second image can lower it
    CNewDIB image(3000, 2000, 8);
    ASSERT_LT(ttest::FirstRunRows(image), 1000);
    ttest::FillPattern(image, 11);
    const Snapshot before = ttest::Take(image);
    const int loadNumber = GetLoadImageNumber();
    const uint64_t views = velmora::FileMappingViewCount();
    ASSERT_EQ(image.RightRotate(), 1);
    EXPECT_LE(velmora::FileMappingViewCount() - views, 25u);
    EXPECT_EQ(pages.PageFiles(), 1u);
    EXPECT_EQ(GetLoadImageNumber(), loadNumber);
    ExpectTurnOf(before, ttest::Take(image), true);
}

// Images spread over many windows turn through strips of a scratch file;
// widths that are not a multiple of 8 end in a narrower strip, cut inside
// the row's padding for packed pixels.
TEST(Rotate, PageFileImagesTurnThroughSeveralStripsBothWays) {
    vtest::PageFileMode pages(4 * vtest::kMiB);
    const std::pair<int, ttest::Size> shapes[] = {{1, {3001, 3000}}, {4, {3001, 800}}, {24, {3001, 200}}, {32, {1203, 300}}};
    for (const auto& [bitCount, size] : shapes) {
        SCOPED_TRACE(bitCount);
        CNewDIB image(size.width, size.height, bitCount);
        ASSERT_LT(ttest::FirstRunRows(image), size.height);
        ttest::FillPattern(image, static_cast<uint32_t>(bitCount) * 7);
        const Snapshot before = ttest::Take(image);
        ASSERT_EQ(image.RightRotate(), 1);
        ExpectTurnOf(before, ttest::Take(image), true);
        ASSERT_EQ(image.LeftRotate(), 1);
        ASSERT_EQ(image.LeftRotate(), 1);
        ExpectTurnOf(before, ttest::Take(image), false);
    }
    EXPECT_EQ(pages.PageFiles(), 0u);
}

}  // namespace
