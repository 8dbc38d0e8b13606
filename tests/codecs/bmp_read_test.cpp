// Reading BMP files written by other software, against their reference decodings.
#include <gtest/gtest.h>

#include <memory>

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
    for (bool pageFile : {false, true}) {
        SCOPED_TRACE(pageFile ? "page file" : "memory");
        // 2 KiB and larger go to page files with the smallest windows.
        std::unique_ptr<vtest::PageFileMode> mode(pageFile ? new vtest::PageFileMode(64 * 1024) : nullptr);
        CNewDIB dib;
        ASSERT_EQ(dib.ReadFile(BmpPath(GetParam()).c_str(), -1), 1) << dib.GetLastErrorText().c_str();
        EXPECT_EQ(dib.IsMapped() != 0, pageFile && dib.GetDIBSize() >= 2048);
        EXPECT_EQ(vtest::PixelsDifferingFromRef(dib, RefFor(GetParam())), 0);
        // The image holds a plain bottom-up DIB whatever the file's header form.
        const BITMAPINFOHEADER* header = dib.GetBitmapInfoHeader();
        EXPECT_EQ(header->biSize, 40u);
        EXPECT_EQ(header->biHeight, dib.GetHeight());
        EXPECT_GT(header->biHeight, 0);
        EXPECT_EQ(header->biCompression, BI_RGB);
        EXPECT_EQ(header->biBitCount, dib.GetBitCount());
    }
}

INSTANTIATE_TEST_SUITE_P(Uncompressed, BmpMatchesReference,
                         ::testing::Values("pal1", "pal4", "pal8", "rgb24", "im_pal1_w13", "im_pal4_w37", "im_pal8_w61",
                                           "im_rgb24_w71", "ppm_pal8_shared_w99", "ppm_pal1_w10", "im_1x1_rgb24"));
INSTANTIATE_TEST_SUITE_P(TopDownAndLongHeaders, BmpMatchesReference,
                         ::testing::Values("pal8topdown", "Info_1_Bit_Top_Down", "Info_R8_G8_B8_Top_Down", "pal8v4",
                                           "pal8v5"));
INSTANTIATE_TEST_SUITE_P(RunLength, BmpMatchesReference,
                         ::testing::Values("pal8rle", "pal4rle", "im_rle8", "hopper_rle8", "hopper_rle8_grayscale",
                                           "pal8rletrns", "pal4rletrns"));
INSTANTIATE_TEST_SUITE_P(BitFields, BmpMatchesReference,
                         ::testing::Values("rgb32bf", "rgb16-565", "rgb16-565pal", "rgba32", "V3_R5_G6_B5",
                                           "V4_R5_G6_B5"));
INSTANTIATE_TEST_SUITE_P(Os2Headers, BmpMatchesReference,
                         ::testing::Values("pal8os2", "pal8os2sp", "pal8os2v2", "pal8os2v2-16", "Core_1_Bit",
                                           "libtiff_palette-1c-8b_os2", "libtiff_rgb-3c-8b_os2"));

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

TEST(BmpRead, DeltaEscapesReadWithTheSkippedPixelsIndexZero) {
    vtest::RecordingWindow window;
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(BmpPath("pal8rletrns").c_str(), -1), 1);
    EXPECT_EQ(dib.GetLastErrorText(), "");
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
    EXPECT_TRUE(dib.Ready());
}

// Bit fields give 24-bit images for 16-bit files and 32-bit ones with the
// alpha channel for 32-bit files; core headers their 3-byte colour entries.
TEST(BmpRead, BitFieldsAndCoreHeadersRead) {
    struct Expected {
        const char* stem;
        int bitCount;
    };
    for (const Expected& e : {Expected{"rgb32bf", 32}, Expected{"rgb16-565", 24}, Expected{"rgba16-4444", 24},
                              Expected{"rgba32", 32}, Expected{"pal8os2", 8}, Expected{"Core_1_Bit", 1}}) {
        CNewDIB dib(7, 7, 8);
        ASSERT_EQ(dib.ReadFile(BmpPath(e.stem).c_str(), -1), 1) << e.stem;
        EXPECT_EQ(dib.GetBitCount(), e.bitCount) << e.stem;
    }
}

// ImageMagick, the one peer that reads these, shifts 4-bit channels up
// without filling the low bits (15 gives 240) and rounds 11-bit ones down
// by one; this reader gives 255 for a full channel.
TEST(BmpRead, ChannelsOtherThanFiveAndSixBitsMatchImageMagickWithinItsScaling) {
    for (const char* stem : {"rgba16-4444", "rgb32-111110"}) {
        CNewDIB dib;
        ASSERT_EQ(dib.ReadFile(BmpPath(stem).c_str(), -1), 1) << stem;
        const vtest::RefImage ref = RefFor(stem);
        int worst = 0;
        for (int y = 0; y < ref.height; ++y)
            for (int x = 0; x < ref.width; ++x) {
                int r, g, b, rr, rg, rb;
                vtest::PixelColor(dib, x, y, &r, &g, &b);
                ref.rgb(x, y, &rr, &rg, &rb);
                worst = std::max({worst, std::abs(r - rr), std::abs(g - rg), std::abs(b - rb)});
            }
        EXPECT_LE(worst, 15) << stem;
    }
}

TEST(BmpRead, AlphaMasksFillTheFourthByte) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(BmpPath("rgba32").c_str(), -1), 1);
    // rgba32.bmp: masks red 0xFF000000, green 0xFF00, blue 0xFF, alpha
    // 0xFF0000; pixel 1 of the bottom row is stored as 08 08 FF 00.
    const BYTE* pixel = dib.GetDIBRow(0) + 4;
    EXPECT_EQ(std::vector<int>(pixel, pixel + 4), (std::vector<int>{0x08, 0x08, 0x00, 0xFF}));
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
