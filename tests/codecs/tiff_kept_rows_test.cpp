// A stretched read keeps what its budget allows of the first pass's decoded
// rows and decodes the rest again: whatever the budget (nothing, part, all),
// in memory and in page files, the pixels are the rule's, NaN and infinities
// reading as 0, for float rows that the vectorized loops take whole and for
// samples they leave to the general loop.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "codecs/tiff_files.h"
#include "codecs/tiff/tiff_kept_rows.h"

namespace {

using velmora::tiff::SetKeptRowsBudgetOverride;

struct Shape {
    const char* name;
    uint16_t samples;
    uint32_t tile;          // 0: strips of `rowsPerStrip`
    uint32_t rowsPerStrip;  // the whole picture: a row at a time in page files
};

constexpr uint32_t kWidth = 301, kRows = 203;  // odd: loops end in a partial vector
constexpr float kLow = -40.0f, kHigh = 600.0f;

float ValueAt(uint32_t x, uint32_t y, uint16_t s) {
    const uint32_t i = x * 7 + y * 13 + s * 5;
    if (i % 97 == 3) return std::numeric_limits<float>::quiet_NaN();
    if (i % 89 == 5) return i % 2 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    if (x == 11 && y == 150 && s == 0) return kLow;
    if (x == 290 && y == 20 && s == 0) return kHigh;
    return static_cast<float>(i % 500) * 1.25f - 20.0f;  // -20 .. 603.75 is beyond kHigh: capped below
}

float Sample(uint32_t x, uint32_t y, uint16_t s) { return std::min(ValueAt(x, y, s), kHigh); }

bool WriteFloatTiff(const std::string& path, const Shape& shape) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kRows);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 32);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, shape.samples);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, shape.samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    bool ok = true;
    if (shape.tile) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, shape.tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, shape.tile);
        std::vector<float> block(size_t{shape.tile} * shape.tile * shape.samples);
        for (uint32_t y0 = 0; y0 < kRows && ok; y0 += shape.tile)
            for (uint32_t x0 = 0; x0 < kWidth && ok; x0 += shape.tile) {
                for (uint32_t y = 0; y < shape.tile; ++y)
                    for (uint32_t x = 0; x < shape.tile; ++x)
                        for (uint16_t s = 0; s < shape.samples; ++s)
                            block[(y * shape.tile + x) * shape.samples + s] = Sample(x0 + x, y0 + y, s);
                ok = TIFFWriteTile(tif, block.data(), x0, y0, 0, 0) >= 0;
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, shape.rowsPerStrip);
        std::vector<float> row(size_t{kWidth} * shape.samples);
        for (uint32_t y = 0; y < kRows && ok; ++y) {
            for (uint32_t x = 0; x < kWidth; ++x)
                for (uint16_t s = 0; s < shape.samples; ++s) row[x * shape.samples + s] = Sample(x, y, s);
            ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
        }
    }
    TIFFClose(tif);
    return ok;
}

int Level(float v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::clamp((v - kLow) * (255.0 / (double{kHigh} - kLow)), 0.0, 255.0));
}

// Pixels whose level differs from the rule's; -1 when the read fails.
int PixelsOffTheRule(const std::string& path, const Shape& shape, bool pageFile) {
    std::unique_ptr<vtest::PageFileMode> mode(pageFile ? new vtest::PageFileMode(64 * 1024) : nullptr);
    CNewDIB dib;
    if (dib.ReadFile(path.c_str(), -1) != 1 || (pageFile && !dib.IsMapped())) return -1;
    int off = 0;
    for (uint32_t y = 0; y < kRows; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            int r, g, b;
            vtest::PixelColor(dib, static_cast<int>(x), static_cast<int>(y), &r, &g, &b);
            const int want = Level(Sample(x, y, 0));
            off += shape.samples == 3 ? r != want || g != Level(Sample(x, y, 1)) || b != Level(Sample(x, y, 2))
                                      : r != want;
        }
    return off;
}

TEST(TiffKeptRows, AnyBudgetReadsTheSamePixelsInMemoryAndInPageFiles) {
    const Shape shapes[] = {
        {"grey tiles", 1, 32, 0}, {"grey strips", 1, 0, 16}, {"grey one strip", 1, 0, kRows}, {"rgb tiles", 3, 48, 0}};
    const uint64_t rowBytes = uint64_t{kWidth} * 4;
    // Nothing, about a third of a grey picture (a budget smaller than a chunk
    // of rows), and everything.
    const uint64_t budgets[] = {0, rowBytes * kRows / 3, uint64_t{1} << 30};
    vtest::TempDir dir;
    for (const Shape& shape : shapes) {
        const std::string path = dir.file("kept.tif");
        ASSERT_TRUE(WriteFloatTiff(path, shape)) << shape.name;
        for (uint64_t budget : budgets)
            for (bool pageFile : {false, true}) {
                SetKeptRowsBudgetOverride(budget);
                EXPECT_EQ(PixelsOffTheRule(path, shape, pageFile), 0)
                    << shape.name << ", budget " << budget << (pageFile ? ", page file" : "");
            }
    }
    SetKeptRowsBudgetOverride(UINT64_MAX);
}

}  // namespace
