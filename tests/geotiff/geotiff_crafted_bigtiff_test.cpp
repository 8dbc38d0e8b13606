// BigTIFF GeoTIFF files made by hand, in both byte orders: counts no file
// could hold (near 2^61, where a count of doubles times eight wraps) and
// values stored in the entry itself.
#include <gtest/gtest.h>

#include <cstdint>

#include "geotiff/geotiff_builder.h"
#include "support/test_support.h"
#include "velmora/geotiff.h"

namespace {

struct Crafted {
    bool bigEndian;
    uint64_t tiepointCount;  // declared; six values are stored
};

class CraftedBigTiff : public ::testing::TestWithParam<Crafted> {};

// The tie points are read from their offset, no more of them than the file
// holds; the one double parameter, stored in its entry, is the value of the
// key that names it.
TEST_P(CraftedBigTiff, CountsAreBoundedAndInlineValuesRead) {
    vtest::TempDir dir;
    const std::vector<double> tiepoints{0, 0, 0, 500000, 4650000, 0};
    const std::string path = vtest::GeoTiffBuilder(GetParam().bigEndian, true)
                                 .Declaring(uint64_t{1} << 61)
                                 .Doubles(33550, {30, 30, 0})
                                 .Declaring(GetParam().tiepointCount)
                                 .Doubles(33922, tiepoints)
                                 .Shorts(34735, {1, 1, 0, 2, 2057, 34736, 1, 0, 2049, 34737, 7, 0})
                                 .Doubles(34736, {6378137.0})
                                 .Ascii(34737, "WGS 84|")
                                 .Write(dir.file("crafted.tif"));
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(path.c_str()), 1);
    EXPECT_EQ(geo.IsBigTIFF(), 1);
    double* values;
    int count;
    geo.GetModelTiepointTag(&values, &count);
    ASSERT_GE(count, 6);
    EXPECT_LE(uint64_t(count) * 8, vtest::ReadAll(path).size());
    EXPECT_EQ(std::vector<double>(values, values + 6), tiepoints);
    geo.GetModelPixelScaleTag(&values, &count);
    EXPECT_EQ(std::vector<double>(values, values + 3), (std::vector<double>{30, 30, 0}));
    geo.PrepareGeoTags();
    EXPECT_EQ(geo.GetDoubleGeoKey(2057), 6378137.0);
    EXPECT_STREQ(geo.GetTextGeoKey(2049), "WGS 84");
}

INSTANTIATE_TEST_SUITE_P(Counts, CraftedBigTiff,
                         ::testing::Values(Crafted{false, uint64_t{1} << 61}, Crafted{true, uint64_t{1} << 61},
                                           Crafted{false, (uint64_t{1} << 61) + 1},
                                           Crafted{true, (uint64_t{1} << 62) + 3}, Crafted{false, UINT64_MAX},
                                           Crafted{true, UINT64_MAX}));

}  // namespace
