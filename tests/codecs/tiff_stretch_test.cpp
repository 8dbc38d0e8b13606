// The min..max stretch of floating-point samples at the ends of their types:
// ranges whose width or scale overflows still give every finite sample a
// level (a NaN cast to a byte is undefined).
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cfloat>
#include <cstring>
#include <vector>

#include "codecs/image_fixture.h"
#include "support/test_support.h"
#include "velmora/newdib.h"

namespace {

struct Stretch {
    const char* name;
    int bits;  // 32 or 64
    std::vector<double> samples;
    std::vector<int> levels;
};

// One row of the samples, as floats or doubles.
void WriteRow(const std::string& path, const Stretch& s) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(s.samples.size()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    std::vector<unsigned char> row(s.samples.size() * s.bits / 8);
    for (size_t x = 0; x < s.samples.size(); ++x) {
        const float f = static_cast<float>(s.samples[x]);
        if (s.bits == 32)
            std::memcpy(&row[x * 4], &f, 4);
        else
            std::memcpy(&row[x * 8], &s.samples[x], 8);
    }
    EXPECT_GE(TIFFWriteScanline(tif, row.data(), 0, 0), 0);
    TIFFClose(tif);
}

class FloatStretch : public ::testing::TestWithParam<Stretch> {};

TEST_P(FloatStretch, EveryFiniteSampleGetsItsLevel) {
    vtest::TempDir dir;
    const std::string path = dir.file("stretch.tif");
    WriteRow(path, GetParam());
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(path.c_str(), -1), 1);
    for (size_t x = 0; x < GetParam().levels.size(); ++x) {
        int r, g, b;
        vtest::PixelColor(dib, static_cast<int>(x), 0, &r, &g, &b);
        EXPECT_EQ(r, GetParam().levels[x]) << x;
    }
}

const Stretch kStretches[] = {
    {"DoublesSpanningEveryValue", 64, {-DBL_MAX, 0, DBL_MAX, DBL_MAX / 2}, {0, 127, 255, 191}},
    {"DoublesOneStepApart", 64, {0, DBL_TRUE_MIN, 0}, {0, 255, 0}},
    {"FloatsSpanningEveryValue", 32, {-FLT_MAX, 0, FLT_MAX}, {0, 127, 255}},
    {"FloatsOneStepApart", 32, {0, FLT_TRUE_MIN}, {0, 255}},
};

INSTANTIATE_TEST_SUITE_P(Ranges, FloatStretch, ::testing::ValuesIn(kStretches),
                         [](const ::testing::TestParamInfo<Stretch>& info) { return info.param.name; });

}  // namespace
