// Reading TIFF files: samples from other software against their reference
// decodings, the header and colour-table rules, and page-file images.
#include <gtest/gtest.h>

#include <algorithm>

#include "codecs/tiff_files.h"
#include "environment/texts.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

std::string TifPath(const std::string& stem) { return vtest::DataPath("tif/" + stem + ".tif"); }

vtest::RefImage RefFor(const std::string& stem) {
    vtest::RefImage ref = vtest::ReadPnm(vtest::DataPath("tif/" + stem + ".ref.ppm"));
    return ref.ok() ? ref : vtest::ReadPnm(vtest::DataPath("tif/" + stem + ".ref.pgm"));
}

struct Sample {
    const char* stem;
    int bitCount;
    int gray;
};

class TiffMatchesReference : public ::testing::TestWithParam<Sample> {};

TEST_P(TiffMatchesReference, PixelsBitCountAndGrayFlag) {
    const Sample& s = GetParam();
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(TifPath(s.stem).c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    EXPECT_EQ(dib.GetBitCount(), s.bitCount);
    EXPECT_EQ(dib.GetGrayProp(), s.gray);
    EXPECT_EQ(vtest::PixelsDifferingFromRef(dib, RefFor(s.stem)), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, TiffMatchesReference,
    ::testing::Values(Sample{"minisblack-1c-8b", 8, 1},  // three strips, the last one shorter
                      Sample{"miniswhite-1c-1b", 1, 1}, Sample{"pil_hopper2I", 2, 1}, Sample{"im_grey4", 4, 1},
                      Sample{"pil_hopper_g4", 1, 1}, Sample{"pam_pal2", 2, 0},  // 16-bit colour maps
                      Sample{"pil_multipage", 1, 0}, Sample{"32bpp-None-jpeg", 24, 0}));  // two PackBits strips

TEST(TiffReadTables, GreyRampsRunFromBlackOrFromWhite) {
    CNewDIB white, grey4;
    ASSERT_EQ(white.ReadFile(TifPath("miniswhite-1c-1b").c_str(), -1), 1);
    ASSERT_EQ(grey4.ReadFile(TifPath("im_grey4").c_str(), -1), 1);
    EXPECT_EQ(white.GetRGBQuad(nullptr)[0].rgbRed, 255);
    EXPECT_EQ(white.GetRGBQuad(nullptr)[1].rgbRed, 0);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(grey4.GetRGBQuad(nullptr)[k].rgbBlue, 17 * k);
}

TEST(TiffReadTables, ColourMapsOfEightBitValuesAreTakenAsTheyStand) {
    vtest::TempDir dir;
    const std::string path = dir.file("map8.tif");
    std::vector<uint16_t> red(16), green(16), blue(16);
    for (int i = 0; i < 16; ++i) red[i] = 255 - i, green[i] = i * 16, blue[i] = 7;
    ASSERT_TRUE(vtest::WriteTiff(path, 3, 2, [&](TIFF* tif) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 4);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }));
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(path.c_str(), -1), 1);
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    ASSERT_EQ(entries, 16);
    EXPECT_EQ(table[3].rgbRed, 252);
    EXPECT_EQ(table[3].rgbGreen, 48);
    EXPECT_EQ(table[3].rgbBlue, 7);
}

TEST(TiffReadHeader, ResolutionBecomesPelsPerMetre) {
    struct Case {
        const char* stem;
        LONG pels;
    } cases[] = {{"32bpp-None-jpeg", 2835},  // 72.009 dots per inch
                 {"pil_hopper_g4", 3779},    // 37.79 per centimetre
                 {"minisblack-1c-8b", 0}};   // no resolution: inches, 0
    for (const Case& c : cases) {
        CNewDIB dib;
        ASSERT_EQ(dib.ReadFile(TifPath(c.stem).c_str(), -1), 1);
        EXPECT_EQ(dib.GetBitmapInfoHeader()->biXPelsPerMeter, c.pels) << c.stem;
        EXPECT_EQ(dib.GetBitmapInfoHeader()->biYPelsPerMeter, c.pels) << c.stem;
    }
}

// Strips of 1 and 37 rows are held whole, read in runs of 8 MiB from the
// last (the 10.8 MB picture takes two); one strip of the whole picture,
// larger than a window, is read row by row. A host that reads a pixel of the image
// at each step moves the row window.
class TiffReadPageFile : public ::testing::TestWithParam<uint32_t> {};

TEST_P(TiffReadPageFile, StripsFillEveryWindowAndProgressRunsToTheEnd) {
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    const std::string path = dir.file("big.tif");
    const uint32_t width = 3000, rows = 1203;
    ASSERT_TRUE(vtest::WriteTiff(path, rows, 3 * width, [&](TIFF* tif) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, GetParam());
    }));
    CNewDIB dib;
    std::vector<WPARAM> steps;
    HWND wnd = RegisterMainWindow([&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
        if (msg == DIBM_STEPPROGRESS) steps.push_back(w), dib.GetPixelRGB(0, 0);
        return 0;
    });
    int ok = dib.ReadFile(path.c_str(), -1);
    UnregisterMainWindow(wnd);
    ASSERT_EQ(ok, 1);
    ASSERT_TRUE(dib.IsMapped());
    int wrong = 0;
    for (uint32_t t = 0; t < rows; ++t) {
        const BYTE* row = dib.GetDIBRow(static_cast<int>(rows - 1 - t));
        for (size_t p = 0; p < 3 * width; p += 3)
            wrong += row[p] != vtest::TiffByte(t, p + 2) || row[p + 2] != vtest::TiffByte(t, p);
    }
    EXPECT_EQ(wrong, 0);
    // Every 61st row, as a truncated percentage: 0, 5, ... 96 in some order.
    std::sort(steps.begin(), steps.end());
    ASSERT_EQ(steps.size(), 20u);
    EXPECT_EQ(steps[1], 5u);
    EXPECT_EQ(steps.back(), 96u);
}

INSTANTIATE_TEST_SUITE_P(RowsPerStrip, TiffReadPageFile, ::testing::Values(1u, 37u, 1203u));

}  // namespace
