// Saving TIFF files: the directory written, colour maps and photometric
// values, colour rows, page-file images, and saves that must not happen.
#include <gtest/gtest.h>

#include "codecs/tiff_files.h"
#include "environment/texts.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

// A field of the first directory as written (strips not chopped on reading).
template <class T>
T Field(const std::string& path, ttag_t tag) {
    T value{};
    if (TIFF* tif = TIFFOpen(path.c_str(), "rc")) {
        TIFFGetField(tif, tag, &value);
        TIFFClose(tif);
    }
    return value;
}

struct Shape {
    int width, height, bitCount;
    bool pageFile;
};

class TiffRoundTrip : public ::testing::TestWithParam<Shape> {};

TEST_P(TiffRoundTrip, OneUncompressedStripGivesBackThePixels) {
    const Shape& s = GetParam();
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    const std::string path = dir.file("round.tif");
    CNewDIB image(s.width, s.height, s.bitCount);
    ASSERT_EQ(image.IsMapped() != 0, s.pageFile);
    ASSERT_TRUE(vtest::FillPattern(image, s.bitCount));
    image.GetBitmapInfoHeader()->biXPelsPerMeter = 3937;
    ASSERT_EQ(image.SaveFile(path.c_str(), -1, 0), 1);

    EXPECT_EQ(Field<uint32_t>(path, TIFFTAG_ROWSPERSTRIP), static_cast<uint32_t>(s.height));
    EXPECT_EQ(Field<uint16_t>(path, TIFFTAG_COMPRESSION), COMPRESSION_NONE);
    EXPECT_EQ(Field<uint16_t>(path, TIFFTAG_PLANARCONFIG), PLANARCONFIG_CONTIG);
    EXPECT_EQ(Field<uint16_t>(path, TIFFTAG_SAMPLESPERPIXEL), s.bitCount > 8 ? 3 : 1);
    EXPECT_EQ(Field<uint16_t>(path, TIFFTAG_PHOTOMETRIC), s.bitCount > 8 ? PHOTOMETRIC_RGB : PHOTOMETRIC_PALETTE);
    EXPECT_EQ(Field<uint16_t>(path, TIFFTAG_RESOLUTIONUNIT), RESUNIT_CENTIMETER);
    // Rationals keep a few digits; 0 pels per metre is written as 300 dots per inch.
    EXPECT_NEAR(Field<float>(path, TIFFTAG_XRESOLUTION), 39.37, 1e-3);
    EXPECT_NEAR(Field<float>(path, TIFFTAG_YRESOLUTION), 118.11024, 1e-3);

    CNewDIB back;
    ASSERT_EQ(back.ReadFile(path.c_str(), -1), 1);
    EXPECT_EQ(back.IsMapped() != 0, s.pageFile);
    EXPECT_EQ(vtest::RowsDifferingFromPattern(back, s.bitCount), 0);
    // Colour maps come back exactly (written v * 257, read back * 255 / 65535).
    int entries = 0;
    const RGBQUAD* before = image.GetRGBQuad(&entries);
    const RGBQUAD* after = back.GetRGBQuad(&entries);
    for (int i = 0; i < entries; ++i) {
        EXPECT_EQ(after[i].rgbRed, before[i].rgbRed) << i;
        EXPECT_EQ(after[i].rgbGreen, before[i].rgbGreen) << i;
        EXPECT_EQ(after[i].rgbBlue, before[i].rgbBlue) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(BitCounts, TiffRoundTrip,
                         ::testing::Values(Shape{13, 7, 1, false}, Shape{30, 9, 2, false}, Shape{37, 29, 4, false},
                                           Shape{61, 40, 8, false}, Shape{71, 53, 24, false},
                                           Shape{20011, 1300, 1, true}, Shape{1001, 1100, 24, true}));

TEST(TiffSave, GreyImagesDeclareTheirOrderAndThirtyTwoBitImagesAreSavedAsRgb) {
    vtest::TempDir dir;
    CNewDIB grey;
    ASSERT_EQ(grey.ReadFile(vtest::DataPath("tif/miniswhite-1c-1b.tif").c_str(), -1), 1);
    ASSERT_EQ(grey.SaveFile(dir.file("white.tif").c_str(), -1, 0), 1);
    EXPECT_EQ(Field<uint16_t>(dir.file("white.tif"), TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_MINISWHITE);
    grey.GetRGBQuad(nullptr)[0] = RGBQUAD{0, 0, 0, 0};
    grey.GetRGBQuad(nullptr)[1] = RGBQUAD{9, 9, 9, 0};
    ASSERT_EQ(grey.SaveFile(dir.file("black.tif").c_str(), -1, 0), 1);
    EXPECT_EQ(Field<uint16_t>(dir.file("black.tif"), TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_MINISBLACK);

    CNewDIB wide(5, 2, 32);
    ASSERT_TRUE(vtest::FillPattern(wide));
    ASSERT_EQ(wide.SaveFile(dir.file("wide.tif").c_str(), -1, 0), 1);
    CNewDIB back;
    ASSERT_EQ(back.ReadFile(dir.file("wide.tif").c_str(), -1), 1);
    ASSERT_EQ(back.GetBitCount(), 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(vtest::PixelAt(back.GetDIBRow(y), x, 24), vtest::PixelAt(wide.GetDIBRow(y), x, 32) & 0xFFFFFF);
}

TEST(TiffSave, ProgressHasItsCaptionOneStepPerPercentAndOneEnd) {
    vtest::TempDir dir;
    CNewDIB image(3, 250, 8);
    vtest::RecordingWindow window;
    ASSERT_EQ(image.SaveFile(dir.file("p.tif").c_str(), -1, 0), 1);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.front().caption, text::kSavingTiff);
    std::vector<WPARAM> expected;
    for (WPARAM p = 1; p < 100; ++p) expected.push_back(p);
    EXPECT_EQ(window.Steps(), expected);
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

TEST(TiffSaveFailures, SixteenBitImagesAndUnwritableTargetsLeaveNoFileAndKeepTheOldOne) {
    vtest::TempDir dir;
    const std::string target = dir.file("keep.tif");
    vtest::WriteAll(target, {'o', 'l', 'd'});
    CNewDIB sixteen(4, 4, 16);
    EXPECT_EQ(sixteen.SaveFile(target.c_str(), -1, 0), 0);
    EXPECT_EQ(sixteen.GetLastErrorText(), text::kUnsupportedFormat);
    CNewDIB image(4, 4, 8);
    EXPECT_EQ(image.SaveFile(dir.file("no/such/x.tif").c_str(), -1, 0), 0);
    EXPECT_EQ(image.GetLastErrorText(), text::kCreateFileFailed);
    CNewDIB empty;
    EXPECT_EQ(empty.SaveFile(target.c_str(), -1, 0), 0);
    EXPECT_EQ(empty.GetLastErrorText(), text::kNoData);
    EXPECT_EQ(vtest::ReadAll(target), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"keep.tif"});
}

TEST(TiffSaveFailures, AnImageWithoutRowsFailsWithTheMapTextAndEndsItsProgress) {
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    SetVirtualDirectory(dir.file("missing/").c_str());
    CNewDIB broken(1200, 1000, 24);
    ASSERT_FALSE(broken.Ready());
    vtest::RecordingWindow window;
    EXPECT_EQ(broken.SaveFile(dir.file("x.tif").c_str(), -1, 0), 0);
    EXPECT_EQ(broken.GetLastErrorText(), text::kMapFailed);
    EXPECT_TRUE(dir.List().empty());
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

}  // namespace
