// Reading BMP files written by other software, against their reference decodings.
#include <gtest/gtest.h>

#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/dibfile.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

std::string BmpPath(const std::string& stem) { return vtest::DataPath("bmp/" + stem + ".bmp"); }

vtest::RefImage RefFor(const std::string& stem) {
    vtest::RefImage ref = vtest::ReadPnm(vtest::DataPath("bmp/" + stem + ".ref.ppm"));
    return ref.ok() ? ref : vtest::ReadPnm(vtest::DataPath("bmp/" + stem + ".ref.pgm"));
}

class BmpMatchesReference : public ::testing::TestWithParam<const char*> {};

TEST_P(BmpMatchesReference, PixelsAndStoredHeader) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(BmpPath(GetParam()).c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    EXPECT_EQ(vtest::PixelsDifferingFromRef(dib, RefFor(GetParam())), 0);
    // The image holds a plain bottom-up DIB whatever the file's header form.
    const BITMAPINFOHEADER* header = dib.GetBitmapInfoHeader();
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biHeight, dib.GetHeight());
    EXPECT_GT(header->biHeight, 0);
    EXPECT_EQ(header->biCompression, BI_RGB);
}

INSTANTIATE_TEST_SUITE_P(Uncompressed, BmpMatchesReference,
                         ::testing::Values("pal1", "pal4", "pal8", "rgb24", "im_pal1_w13", "im_pal4_w37", "im_pal8_w61",
                                           "im_rgb24_w71", "ppm_pal8_shared_w99", "ppm_pal1_w10", "im_1x1_rgb24"));
INSTANTIATE_TEST_SUITE_P(TopDownAndLongHeaders, BmpMatchesReference,
                         ::testing::Values("pal8topdown", "Info_1_Bit_Top_Down", "Info_R8_G8_B8_Top_Down", "pal8v4",
                                           "pal8v5"));
INSTANTIATE_TEST_SUITE_P(RunLength, BmpMatchesReference,
                         ::testing::Values("pal8rle", "pal4rle", "im_rle8", "hopper_rle8", "hopper_rle8_grayscale"));

TEST(BmpRead, SixteenBitFilesKeepTheirPixels) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(BmpPath("rgb16").c_str(), -1), 1);
    EXPECT_EQ(dib.GetBitCount(), 16);
    // Pixel (0, top row) as 5-5-5 bits against the reference's 8-bit channels.
    const BYTE* top = dib.GetDIBRow(dib.GetHeight() - 1);
    const int value = top[0] | top[1] << 8;
    int r, g, b;
    RefFor("rgb16").rgb(0, 0, &r, &g, &b);
    EXPECT_EQ((value >> 10) & 31, r >> 3);
    EXPECT_EQ((value >> 5) & 31, g >> 3);
    EXPECT_EQ(value & 31, b >> 3);
}

TEST(BmpRead, TheWholeColourTableIsReadWhateverClrUsedSays) {
    // pal8.bmp declares 252 colours; entries 252-255 come from the bytes after them.
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(BmpPath("pal8").c_str(), -1), 1);
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    ASSERT_EQ(entries, 256);
    EXPECT_EQ(table[255].rgbBlue, vtest::ReadAll(BmpPath("pal8"))[54 + 4 * 255]);
    EXPECT_EQ(dib.GetBitmapInfoHeader()->biClrUsed, 252u);  // header fields come from the file
}

// The window's answers to progress messages do not matter.
TEST(BmpReadProgress, UncompressedHundredRowsSendNineStepsAndTwoEnds) {
    vtest::TempDir dir;
    CNewDIB image(3, 100, 8);
    ASSERT_EQ(image.SaveFile(dir.file("h.bmp").c_str(), -1, 0), 1);
    vtest::RecordingWindow window(12345);
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("h.bmp").c_str(), -1), 1);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.front().msg, DIBM_BEGINPROGRESS);
    EXPECT_EQ(window.messages.front().caption, text::kReadingImage);
    EXPECT_EQ(window.Steps(), (std::vector<WPARAM>{11, 22, 33, 44, 55, 66, 77, 88, 99}));
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 2);
}

TEST(BmpReadProgress, RunLengthDataSendsNoStepsAndOneEnd) {
    vtest::RecordingWindow window;
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(BmpPath("pal8rle").c_str(), -1), 1);
    EXPECT_EQ(window.Count(DIBM_BEGINPROGRESS), 1);
    EXPECT_TRUE(window.Steps().empty());
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

TEST(BmpReadRefusals, DeltaEscapesFailAndLeaveTheDocumentReleased) {
    vtest::RecordingWindow window;
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(BmpPath("pal8rletrns").c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kBadFileData);
    EXPECT_FALSE(dib.Ready());
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

TEST(BmpReadRefusals, BitfieldsAndCoreHeadersAreRefusedBeforeTheDocumentChanges) {
    CNewDIB dib(7, 7, 8);
    EXPECT_EQ(dib.ReadFile(BmpPath("rgb32bf").c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kUnknownCompression);
    EXPECT_EQ(dib.ReadFile(BmpPath("pal8os2").c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kUnsupportedFormat);
    EXPECT_TRUE(dib.Ready());
    EXPECT_EQ(dib.GetWidth(), 7);
}

TEST(BmpReadCodec, TheCodecKeepsItsFailureTextForACallerThatKeepsIt) {
    CNewDIB dib;
    CDIBFile codec(&dib, nullptr);
    EXPECT_EQ(codec.GetErrorText(), "");
    EXPECT_EQ(codec.ReadBMPFile(vtest::DataPath("damaged/bmp/im_pal8_w61__bad_magic.bmp").c_str()), 0);
    EXPECT_EQ(codec.GetErrorText(), text::kNotBmp);
    CDIBFile empty(nullptr, nullptr);
    EXPECT_EQ(empty.SaveBMPFile("/tmp/never-written.bmp"), 0);
    EXPECT_EQ(empty.GetErrorText(), text::kNoData);
    EXPECT_EQ(empty.ReadTIFFFile("x.tif"), 0);
    EXPECT_EQ(empty.GetErrorText(), text::kNoData);
}

}  // namespace
