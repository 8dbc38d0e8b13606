// Saving PNG files: 8-bit images round trip, page-file images in both
// directions; 16-bit images and images larger than the available memory
// are refused, leaving the target as it was.
#include <gtest/gtest.h>

#include <memory>

#include "codecs/image_fixture.h"
#include "codecs/png_builder.h"
#include "environment/texts.h"

namespace {

namespace text = velmora::text;

bool SameColourTables(CNewDIB& a, CNewDIB& b) {
    int na = 0, nb = 0;
    const RGBQUAD* ta = a.GetRGBQuad(&na);
    const RGBQUAD* tb = b.GetRGBQuad(&nb);
    for (int i = 0; na == nb && i < na; ++i)
        if (ta[i].rgbRed != tb[i].rgbRed || ta[i].rgbGreen != tb[i].rgbGreen || ta[i].rgbBlue != tb[i].rgbBlue)
            return false;
    return na == nb;
}

TEST(PngSave, EightBitImagesRoundTripWithProgressCountingDown) {
    vtest::TempDir dir;
    CNewDIB image(61, 32, 8);
    ASSERT_TRUE(vtest::FillPattern(image, 3));
    vtest::RecordingWindow window;
    ASSERT_EQ(image.SaveFile(dir.file("r.png").c_str(), -1, 0), 1) << image.GetLastErrorText().c_str();
    EXPECT_EQ(window.messages.front().caption, text::kSavingImage);
    const std::vector<WPARAM> steps = window.Steps();  // step 1: remaining rows 30 ... -1
    EXPECT_EQ(steps.size(), 32u);
    EXPECT_EQ(steps.back(), 101u);
    CNewDIB back;
    ASSERT_EQ(back.ReadFile(dir.file("r.png").c_str(), -1), 1);
    EXPECT_EQ(vtest::RowsDifferingFromPattern(back, 3), 0);
    EXPECT_TRUE(SameColourTables(image, back));
}

// 1, 2, 4, 8, 24 and 32-bit images save (png_colour_test.cpp); 16-bit ones
// have no PNG layout.
TEST(PngSave, OtherBitCountsAreRefusedWithTheBoxAndTheTargetStays) {
    for (int bitCount : {16}) {
        vtest::TempDir dir;
        vtest::WriteAll(dir.file("kept.png"), {1, 2, 3});
        vtest::RecordingMessageBoxes boxes;
        CNewDIB image(8, 8, bitCount);
        EXPECT_EQ(image.SaveFile(dir.file("kept.png").c_str(), -1, 0), 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, text::kOnly256Colour);
        EXPECT_EQ(vtest::ReadAll(dir.file("kept.png")), (std::vector<unsigned char>{1, 2, 3}));
        EXPECT_EQ(dir.List().size(), 1u) << "no temporary left";
    }
}

// Page-file images: rows reach the image window by window in both
// directions, and interlaced passes merge into rows of every window; a
// truncated file releases the image and its page file.
class PngPageFile : public ::testing::TestWithParam<bool> {};

TEST_P(PngPageFile, ReadsAndSavesAcrossWindows) {
    vtest::PageFileMode mode;
    vtest::PngPicture picture;
    picture.width = 1500, picture.height = 3000, picture.interlaced = GetParam(), picture.palette = vtest::DistinctPalette(256);
    picture.index = [](int x, int y) { return (x * 7 + y * 13 + x / 9) & 0xFF; };
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WritePng(dir.file("p.png"), picture));
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("p.png").c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    EXPECT_TRUE(dib.IsMapped());
    EXPECT_EQ(vtest::PixelsDifferingFromPicture(dib, picture), 0);
    ASSERT_EQ(dib.SaveFile(dir.file("again.png").c_str(), -1, 0), 1);
    CNewDIB again;
    ASSERT_EQ(again.ReadFile(dir.file("again.png").c_str(), -1), 1);
    EXPECT_EQ(vtest::PixelsDifferingFromPicture(again, picture), 0);
    std::vector<unsigned char> bytes = vtest::ReadAll(dir.file("p.png"));
    bytes.resize(bytes.size() / 2);
    vtest::WriteAll(dir.file("p.png"), bytes);
    EXPECT_EQ(again.ReadFile(dir.file("p.png").c_str(), -1), 0);
    EXPECT_FALSE(again.Ready());
    dib.ReleaseDIB();
    EXPECT_EQ(mode.PageFiles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(InterlacedOrNot, PngPageFile, ::testing::Bool());

}  // namespace

// 32-bit bitmaps whose fourth bytes hold no alpha (zero throughout) save as
// RGB, not as fully transparent pixels; alpha that is there is kept.
TEST(PngSave, ThirtyTwoBitImagesWithoutAlphaSaveOpaque) {
    const struct {
        const char* file;
        bool pages;
        int savedBitCount;
    } cases[] = {{"bmp/rgb32bf.bmp", false, 24},
                 {"bmp/rgb32-111110.bmp", true, 24},
                 {"bmp/rgba32.bmp", false, 32}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::unique_ptr<vtest::PageFileMode> pages;
        if (c.pages) pages = std::make_unique<vtest::PageFileMode>(256 * 1024);
        vtest::TempDir dir;
        CNewDIB image;
        ASSERT_EQ(image.ReadFile(vtest::DataPath(c.file).c_str(), -1), 1);
        ASSERT_EQ(image.GetBitCount(), 32);
        ASSERT_EQ(image.SaveFile(dir.file("s.png").c_str(), -1, 0), 1) << image.GetLastErrorText().c_str();
        CNewDIB back;
        ASSERT_EQ(back.ReadFile(dir.file("s.png").c_str(), -1), 1);
        ASSERT_EQ(back.GetBitCount(), c.savedBitCount);
        const uint32_t mask = c.savedBitCount == 24 ? 0xFFFFFF : 0xFFFFFFFF;
        int differing = 0;
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x)
                differing += (vtest::PixelAt(image.GetDIBRow(y), x, 32) & mask) !=
                             vtest::PixelAt(back.GetDIBRow(y), x, c.savedBitCount);
        EXPECT_EQ(differing, 0);
    }
}
