// TIFF save settings: compression (with its fallback for images with a
// colour table) and the switch to BigTIFF past the size threshold, in memory
// and in page files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "codecs/tiff_files.h"
#include "environment/texts.h"

namespace {

// Restores the TIFF save settings.
struct ScopedTiffSettings {
    ~ScopedTiffSettings() {
        SetTiffCompression(TIFFSAVE_NONE);
        SetTiffBigThreshold(0);
    }
};

template <class T>
T Field(const std::string& path, ttag_t tag) {
    T value{};
    if (TIFF* tif = TIFFOpen(path.c_str(), "r")) {
        TIFFGetFieldDefaulted(tif, tag, &value);
        TIFFClose(tif);
    }
    return value;
}

// Gentle ramps, which JPEG keeps close.
bool FillSmooth(CNewDIB& image) {
    for (int r = 0; r < image.GetHeight(); ++r) {
        BYTE* row = image.GetDIBRow(r);
        if (!row) return false;
        for (int x = 0; x < image.GetWidth(); ++x) {
            row[3 * x] = static_cast<BYTE>(x / 4);
            row[3 * x + 1] = static_cast<BYTE>(r / 5);
            row[3 * x + 2] = static_cast<BYTE>((x + r) / 9);
        }
    }
    return true;
}

struct Case {
    int setting;
    int bitCount;
    uint16_t compression;  // written
    uint16_t predictor;  // 0: the coding has none
    bool pageFile;
};

class TiffCompressedSave : public ::testing::TestWithParam<Case> {};

TEST_P(TiffCompressedSave, WritesTheCodingAndReadsBack) {
    const Case& c = GetParam();
    ScopedTiffSettings restore;
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    const std::string path = dir.file("c.tif");
    const int width = c.pageFile ? 1001 : 61, height = c.pageFile ? 1100 : 40;
    CNewDIB image(width, height, c.bitCount);
    ASSERT_EQ(image.IsMapped() != 0, c.pageFile);
    const bool jpeg = c.compression == COMPRESSION_JPEG;
    ASSERT_TRUE(jpeg ? FillSmooth(image) : vtest::FillPattern(image));
    SetTiffCompression(c.setting);
    ASSERT_EQ(GetTiffCompression(), c.setting);
    ASSERT_EQ(image.SaveFile(path.c_str(), -1, 0), 1);
    EXPECT_EQ(Field<uint16_t>(path, TIFFTAG_COMPRESSION), c.compression);
    EXPECT_EQ(Field<uint16_t>(path, TIFFTAG_PREDICTOR), c.predictor);
    const uint32_t rowsPerStrip = Field<uint32_t>(path, TIFFTAG_ROWSPERSTRIP);
    if (c.compression == COMPRESSION_NONE) {
        EXPECT_EQ(rowsPerStrip, static_cast<uint32_t>(height));
    } else if (c.compression == COMPRESSION_JPEG) {
        EXPECT_EQ(rowsPerStrip % 16, 0u);
    } else if (c.pageFile) {
        EXPECT_LT(rowsPerStrip, static_cast<uint32_t>(height));
    }

    CNewDIB back;
    ASSERT_EQ(back.ReadFile(path.c_str(), -1), 1) << back.GetLastErrorText().c_str();
    ASSERT_EQ(back.GetBitCount(), c.bitCount == 32 ? 24 : c.bitCount);
    if (c.compression != COMPRESSION_JPEG && c.bitCount != 32) {
        EXPECT_EQ(vtest::RowsDifferingFromPattern(back), 0);
        return;
    }
    // JPEG: a smooth picture comes back close; 32-bit images lose their fourth byte.
    const int tolerance = jpeg ? 12 : 0;
    int far = 0;
    for (int y = 0; y < height; y += 7)
        for (int x = 0; x < width; x += 5) {
            int r, g, b, r0, g0, b0;
            vtest::PixelColor(back, x, y, &r, &g, &b);
            vtest::PixelColor(image, x, y, &r0, &g0, &b0);
            far += std::max({std::abs(r - r0), std::abs(g - g0), std::abs(b - b0)}) > tolerance;
        }
    EXPECT_EQ(far, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, TiffCompressedSave,
    ::testing::Values(Case{TIFFSAVE_NONE, 8, COMPRESSION_NONE, 0, false},
                      Case{TIFFSAVE_DEFLATE, 1, COMPRESSION_ADOBE_DEFLATE, PREDICTOR_NONE, false},
                      Case{TIFFSAVE_DEFLATE, 8, COMPRESSION_ADOBE_DEFLATE, PREDICTOR_HORIZONTAL, false},
                      Case{TIFFSAVE_DEFLATE, 24, COMPRESSION_ADOBE_DEFLATE, PREDICTOR_HORIZONTAL, true},
                      Case{TIFFSAVE_LZW, 4, COMPRESSION_LZW, PREDICTOR_NONE, false},
                      Case{TIFFSAVE_LZW, 32, COMPRESSION_LZW, PREDICTOR_HORIZONTAL, false},
                      Case{TIFFSAVE_LZW, 24, COMPRESSION_LZW, PREDICTOR_HORIZONTAL, true},
                      // JPEG keeps no colour table: images of up to 8 bits take Deflate
                      Case{TIFFSAVE_JPEG, 8, COMPRESSION_ADOBE_DEFLATE, PREDICTOR_HORIZONTAL, false},
                      Case{TIFFSAVE_JPEG, 24, COMPRESSION_JPEG, 0, false},
                      Case{TIFFSAVE_JPEG, 24, COMPRESSION_JPEG, 0, true}));

TEST(TiffSaveSettings, UnknownCompressionsCountAsNone) {
    ScopedTiffSettings restore;
    SetTiffCompression(7);
    EXPECT_EQ(GetTiffCompression(), TIFFSAVE_NONE);
    SetTiffCompression(-1);
    EXPECT_EQ(GetTiffCompression(), TIFFSAVE_NONE);
}

bool IsBigTiff(const std::string& path) {
    const std::vector<unsigned char> head = vtest::ReadAll(path);
    return head.size() > 4 && head[2] == 43;  // "II" 43 0: BigTIFF; classic has 42
}

// A file that would pass the threshold is written as BigTIFF; one below it
// stays classic. The threshold is lowered instead of writing 4 GiB.
TEST(TiffSaveSettings, FilesPastTheThresholdAreWrittenAsBigTiff) {
    ScopedTiffSettings restore;
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    CNewDIB image(1001, 1100, 24);
    ASSERT_TRUE(image.IsMapped());
    ASSERT_TRUE(vtest::FillPattern(image));
    for (int setting : {TIFFSAVE_NONE, TIFFSAVE_DEFLATE}) {
        SetTiffCompression(setting);
        SetTiffBigThreshold(0);
        const std::string classic = dir.file("classic" + std::to_string(setting) + ".tif");
        ASSERT_EQ(image.SaveFile(classic.c_str(), -1, 0), 1);
        EXPECT_FALSE(IsBigTiff(classic));
        SetTiffBigThreshold(3u << 20);  // below the 3.3 MB of rows
        const std::string big = dir.file("big" + std::to_string(setting) + ".tif");
        ASSERT_EQ(image.SaveFile(big.c_str(), -1, 0), 1);
        EXPECT_TRUE(IsBigTiff(big));
        CNewDIB back;
        ASSERT_EQ(back.ReadFile(big.c_str(), -1), 1);
        EXPECT_EQ(vtest::RowsDifferingFromPattern(back), 0);
    }
    SetTiffCompression(TIFFSAVE_NONE);
    SetTiffBigThreshold(4u << 20);  // above
    ASSERT_EQ(image.SaveFile(dir.file("small.tif").c_str(), -1, 0), 1);
    EXPECT_FALSE(IsBigTiff(dir.file("small.tif")));
}

}  // namespace
