// Saving PNG files: 8-bit images round trip; other bit counts and images
// larger than the available memory are refused, leaving the target as it was.
#include <gtest/gtest.h>

#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/dibfile.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

bool SameColourTables(CNewDIB& a, CNewDIB& b) {
    int na = 0, nb = 0;
    const RGBQUAD* ta = a.GetRGBQuad(&na);
    const RGBQUAD* tb = b.GetRGBQuad(&nb);
    if (na != nb) return false;
    for (int i = 0; i < na; ++i)
        if (ta[i].rgbRed != tb[i].rgbRed || ta[i].rgbGreen != tb[i].rgbGreen || ta[i].rgbBlue != tb[i].rgbBlue)
            return false;
    return true;
}

TEST(PngSave, EightBitImagesRoundTrip) {
    vtest::TempDir dir;
    CNewDIB image(61, 37, 8);
    ASSERT_TRUE(vtest::FillPattern(image, 3));
    ASSERT_EQ(image.SaveFile(dir.file("r.png").c_str(), -1, 0), 1) << image.GetLastErrorText().c_str();
    CNewDIB back;
    ASSERT_EQ(back.ReadFile(dir.file("r.png").c_str(), -1), 1);
    EXPECT_EQ(back.GetBitCount(), 8);
    EXPECT_EQ(vtest::RowsDifferingFromPattern(back, 3), 0);
    EXPECT_TRUE(SameColourTables(image, back));
}

TEST(PngSave, AReadFileSavesToTheSameIndicesAndColours) {
    vtest::TempDir dir;
    CNewDIB first;
    ASSERT_EQ(first.ReadFile(vtest::DataPath("png/basn3p08.png").c_str(), -1), 1);
    ASSERT_EQ(first.SaveFile(dir.file("again.png").c_str(), -1, 0), 1);
    CNewDIB again;
    ASSERT_EQ(again.ReadFile(dir.file("again.png").c_str(), -1), 1);
    EXPECT_EQ(vtest::PixelsDifferingFromRef(again, vtest::ReadPnm(vtest::DataPath("png/basn3p08.ref.ppm"))), 0);
    EXPECT_TRUE(SameColourTables(first, again));
}

TEST(PngSave, ProgressCountsDownFromTheTopRow) {
    vtest::TempDir dir;
    CNewDIB image(5, 32, 8);
    vtest::RecordingWindow window;
    ASSERT_EQ(image.SaveFile(dir.file("p.png").c_str(), -1, 0), 1);
    EXPECT_EQ(window.messages.front().caption, text::kSavingImage);
    const std::vector<WPARAM> steps = window.Steps();
    ASSERT_EQ(steps.size(), 32u);
    EXPECT_EQ(steps.front(), 70u);
    EXPECT_EQ(steps.back(), 101u);
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

class PngSaveOtherBitCounts : public ::testing::TestWithParam<int> {};

TEST_P(PngSaveOtherBitCounts, AreRefusedWithTheBoxAndTheTargetStays) {
    vtest::TempDir dir;
    const std::string target = dir.file("kept.png");
    vtest::WriteAll(target, {1, 2, 3});
    vtest::RecordingMessageBoxes boxes;
    CNewDIB image(8, 8, GetParam());
    EXPECT_EQ(image.SaveFile(target.c_str(), -1, 0), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, text::kOnly256Colour);
    EXPECT_EQ(image.GetLastErrorText(), text::kOnly256Colour);
    EXPECT_EQ(vtest::ReadAll(target), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(dir.List().size(), 1u) << "no temporary left";
}

INSTANTIATE_TEST_SUITE_P(Refused, PngSaveOtherBitCounts, ::testing::Values(1, 4, 24));

TEST(PngSave, AnImageLargerThanTheAvailableMemoryIsRefusedWithTheWarning) {
    vtest::TempDir dir;
    CNewDIB image(2000, 1100, 8);
    vtest::ScopedMemoryFigures memory(64 * vtest::kMiB, vtest::kMiB);
    vtest::RecordingMessageBoxes boxes;
    EXPECT_EQ(image.SaveFile(dir.file("big.png").c_str(), -1, 0), 0);
    CString expected;
    expected.Format(text::kPngSaveTooLarge, 2, 1);  // 2,200,000 bytes; 1 MiB available
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, expected.str());
    EXPECT_TRUE(dir.List().empty());
}

TEST(PngSave, WithoutADocumentTheDataIsEmpty) {
    CDIBFile codec(nullptr, nullptr);
    EXPECT_EQ(codec.SavePNGFile("unused.png"), 0);
    EXPECT_EQ(codec.GetErrorText(), text::kNoData);
    EXPECT_EQ(codec.ReadPNGFile(vtest::DataPath("png/basn3p08.png").c_str()), 0);
}

TEST(PngSave, AnUnwritableTargetFailsAndLeavesNothing) {
    vtest::TempDir dir;
    CNewDIB image(4, 4, 8);
    EXPECT_EQ(image.SaveFile(dir.file("missing/x.png").c_str(), -1, 0), 0);
    EXPECT_TRUE(dir.List().empty());
}

TEST(PngSavePageFile, SavesAcrossWindowsAndReadsBack) {
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    CNewDIB image(1500, 3000, 8);
    ASSERT_TRUE(image.IsMapped());
    ASSERT_TRUE(vtest::FillPattern(image, 5));
    ASSERT_EQ(image.SaveFile(dir.file("pages.png").c_str(), -1, 0), 1) << image.GetLastErrorText().c_str();
    CNewDIB back;
    ASSERT_EQ(back.ReadFile(dir.file("pages.png").c_str(), -1), 1);
    EXPECT_TRUE(back.IsMapped());
    EXPECT_EQ(vtest::RowsDifferingFromPattern(back, 5), 0);
    EXPECT_TRUE(SameColourTables(image, back));
}

}  // namespace
