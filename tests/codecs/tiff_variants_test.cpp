// TIFF layouts beyond strips of up to 8-bit samples, made with GDAL and
// libtiff's tools (tests/data/tif/make_variants.py) or taken from other
// software's test suites, read in memory and in page files with the smallest
// windows, against peers' decodings or the library's rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "codecs/tiff_files.h"
#include "environment/texts.h"

namespace {

struct Variant {
    const char* stem;
    int bitCount;
    int gray;
    int tolerance;  // per colour component, where the peer rounds and the rule truncates
};

std::string TifPath(const std::string& stem) { return vtest::DataPath("tif/" + stem + ".tif"); }

vtest::RefImage RefFor(const std::string& stem) {
    vtest::RefImage ref = vtest::ReadPnm(vtest::DataPath("tif/" + stem + ".ref.ppm"));
    return ref.ok() ? ref : vtest::ReadPnm(vtest::DataPath("tif/" + stem + ".ref.pgm"));
}

// Pixels whose colour differs from the reference by more than `tolerance`; -1 on other sizes.
int PixelsBeyond(CNewDIB& dib, const vtest::RefImage& ref, int tolerance) {
    if (!ref.ok() || ref.width != dib.GetWidth() || ref.height != dib.GetHeight()) return -1;
    int beyond = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            int r, g, b, rr, rg, rb;
            vtest::PixelColor(dib, x, y, &r, &g, &b);
            ref.rgb(x, y, &rr, &rg, &rb);
            beyond += std::max({std::abs(r - rr), std::abs(g - rg), std::abs(b - rb)}) > tolerance;
        }
    return beyond;
}

class TiffVariant : public ::testing::TestWithParam<std::tuple<Variant, bool>> {};

TEST_P(TiffVariant, ReadsToTheReferenceInMemoryAndInPageFiles) {
    const Variant& v = std::get<0>(GetParam());
    const bool pageFile = std::get<1>(GetParam());
    std::unique_ptr<vtest::PageFileMode> mode(pageFile ? new vtest::PageFileMode(64 * 1024) : nullptr);
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(TifPath(v.stem).c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    if (pageFile && dib.GetHeight() * dib.GetBytesPerLine() > 8192) {
        EXPECT_TRUE(dib.IsMapped());
    }
    EXPECT_EQ(dib.GetBitCount(), v.bitCount);
    EXPECT_EQ(dib.GetGrayProp(), v.gray);
    EXPECT_EQ(PixelsBeyond(dib, RefFor(v.stem), v.tolerance), 0);
}

const Variant kVariants[] = {
    // GDAL: tiles with edge tiles, planes in strips and tiles, big-endian BigTIFF, alpha, CMYK
    {"gen_rgb_tiled_edge", 24, 0, 0}, {"gen_rgb_band_strips", 24, 0, 0}, {"gen_rgb_band_tiled", 24, 0, 0},
    {"gen_rgb_bigtiff_be", 24, 0, 0}, {"gen_rgba_tiled", 24, 0, 0}, {"gen_cmyk", 24, 0, 0},
    // wide samples: high bytes, and the range stretch leaving NaN and no-data out
    {"gen_grey16_tiled", 8, 1, 0}, {"gen_rgb16_band", 24, 0, 0}, {"gen_float_nan_nodata", 8, 1, 0},
    {"gen_int32", 8, 1, 0},
    // Orientation 2-8 against ImageMagick's -auto-orient
    {"gen_orient2", 24, 0, 0}, {"gen_orient3", 24, 0, 0}, {"gen_orient4", 24, 0, 0}, {"gen_orient5", 24, 0, 0},
    {"gen_orient6", 24, 0, 0}, {"gen_orient7", 24, 0, 0}, {"gen_orient8", 24, 0, 0},
    {"pil_g4_orientation_6", 1, 1, 0},
    // other software's files
    {"tiffcp_rgb_tiled", 24, 0, 0}, {"minisblack-1c-16b", 8, 1, 1}, {"rgb-3c-16b", 24, 0, 1},
    {"pil_12bit.cropped", 8, 1, 1}, {"pil_16bit.s", 8, 1, 0}, {"minisblack-2c-8b-alpha", 8, 1, 0},
    {"im_rgba8", 24, 0, 0}, {"32bpp-None", 24, 0, 0}, {"pil_hopper.Lab", 24, 0, 0},
    {"ojpeg_chewey_subsamp21_multi_strip", 24, 0, 0}, {"ojpeg_single_strip_no_rowsperstrip", 24, 0, 0},
    {"ojpeg_zackthecat_subsamp22_single_strip", 24, 0, 0}, {"pil_tiff_strip_cmyk_jpeg", 24, 0, 1},
    {"pil_hopper_bigtiff", 24, 0, 0}, {"pil_separate_planar_extra_samples", 8, 1, 0},
    {"rasterio_float_raster_with_nodata", 8, 1, 0},
};

INSTANTIATE_TEST_SUITE_P(Files, TiffVariant, ::testing::Combine(::testing::ValuesIn(kVariants), ::testing::Bool()));

// A one-band, Deflate-compressed float TIFF opened for writing; null on failure.
TIFF* OpenFloatTiff(const std::string& path, uint32_t width, uint32_t rows) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return nullptr;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, rows);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 32);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    return tif;
}

// The stretch's first pass and the second run through the same bands: a
// float picture larger than a window, in one strip, reads a row at a time.
TEST(TiffVariantRows, AFloatStripLargerThanAWindowReadsRowByRow) {
    vtest::PageFileMode mode(64 * 1024);
    vtest::TempDir dir;
    const std::string path = dir.file("float.tif");
    const uint32_t width = 300, rows = 200;
    TIFF* tif = OpenFloatTiff(path, width, rows);
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
    std::vector<float> row(width);
    for (uint32_t t = 0; t < rows; ++t) {
        for (uint32_t x = 0; x < width; ++x) row[x] = static_cast<float>(t) * 0.5f - 20.0f;  // -20 .. 79.5
        ASSERT_GE(TIFFWriteScanline(tif, row.data(), t, 0), 0);
    }
    TIFFClose(tif);
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(path.c_str(), -1), 1);
    ASSERT_TRUE(dib.IsMapped());
    for (int y : {0, 1, 100, 199}) {
        int r, g, b;
        vtest::PixelColor(dib, 7, y, &r, &g, &b);
        EXPECT_EQ(r, static_cast<int>(y * 0.5 * 255 / 99.5)) << y;
    }
}

// A picture of more than 16 MiB of samples is measured in two halves at
// once; the lowest sample lies in the upper half, the highest in the lower.
TEST(TiffVariantRows, ALargeFloatPictureIsMeasuredInHalvesToOneRange) {
    vtest::TempDir dir;
    const std::string path = dir.file("large.tif");
    const uint32_t width = 2048, rows = 2100, tile = 256;
    TIFF* tif = OpenFloatTiff(path, width, rows);
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, tile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, tile);
    std::vector<float> block(tile * tile);
    for (uint32_t y0 = 0; y0 < rows; y0 += tile)
        for (uint32_t x0 = 0; x0 < width; x0 += tile) {
            for (uint32_t k = 0; k < tile * tile; ++k) block[k] = 10.0f;
            if (x0 == 0 && y0 == 0) block[5] = -90.0f;                  // (5, 0)
            if (x0 == 256 && y0 == 2048) block[3 * tile + 1] = 245.0f;  // (257, 2051)
            ASSERT_GE(TIFFWriteTile(tif, block.data(), x0, y0, 0, 0), 0);
        }
    TIFFClose(tif);
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(path.c_str(), -1), 1);
    struct Probe {
        int x, y, level;
    } probes[] = {{5, 0, 0}, {257, 2051, 255}, {0, 0, 76}, {2047, 2099, 76}};  // (10 + 90) * 255 / 335
    for (const Probe& p : probes) {
        int r, g, b;
        vtest::PixelColor(dib, p.x, p.y, &r, &g, &b);
        EXPECT_EQ(r, p.level) << p.x << "," << p.y;
    }
}

}  // namespace
