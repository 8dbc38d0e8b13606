// Loading GeoTIFF tags: both byte orders, the getters, and the key decoding.
#include <gtest/gtest.h>

#include <sstream>

#include "geotiff/geotiff_builder.h"
#include "support/test_support.h"
#include "velmora/geotiff.h"

namespace {

std::string GeoPath(const std::string& name) { return vtest::DataPath("geotiff/" + name); }

// Decodes the keys as a report does, without writing a file.
void Decode(CGeoTIFF& geo) {
    std::ostringstream sink;
    geo.OutputResult(sink);
}

template <class T>
std::vector<T> Values(T* array, int count) {
    return array ? std::vector<T>(array, array + count) : std::vector<T>();
}

struct Loaded {
    std::vector<WORD> keys;
    std::vector<double> doubles, tiepoints, scale, transformation;
    std::string ascii;
};

Loaded Load(CGeoTIFF& geo) {
    Loaded out;
    WORD* keys;
    WORD keyCount;
    geo.GetGeoKeyDirectoryTag(&keys, &keyCount);
    out.keys = Values(keys, keyCount);
    double* d;
    int n;
    geo.GetGeoDoubleParamsTag(&d, &n);
    out.doubles = Values(d, n);
    geo.GetModelTiepointTag(&d, &n);
    out.tiepoints = Values(d, n);
    geo.GetModelPixelScaleTag(&d, &n);
    out.scale = Values(d, n);
    geo.GetModelTransformationTag(&d, &n);
    out.transformation = Values(d, n);
    char* text;
    geo.GetGeoAsciiParamsTag(&text, &n);
    if (text) out.ascii.assign(text, static_cast<size_t>(n));
    return out;
}

TEST(GeoTiffLoad, LittleAndBigEndianTwinsLoadTheSameValues) {
    CGeoTIFF little, big;
    ASSERT_EQ(little.LoadGeoTIFFFile(GeoPath("gdal_utm33n_grey.tif").c_str()), 1);
    ASSERT_EQ(big.LoadGeoTIFFFile(GeoPath("gdal_utm33n_grey_be.tif").c_str()), 1);
    Loaded a = Load(little), b = Load(big);
    EXPECT_EQ(a.keys, b.keys);
    EXPECT_EQ(a.doubles, b.doubles);
    EXPECT_EQ(a.tiepoints, b.tiepoints);
    EXPECT_EQ(a.scale, b.scale);
    EXPECT_EQ(a.ascii, b.ascii);
    // What the file holds (tiffdump): seven keys, one tie point, unit pixels.
    ASSERT_EQ(a.keys.size(), 32u);
    EXPECT_EQ((std::vector<WORD>(a.keys.begin(), a.keys.begin() + 8)), (std::vector<WORD>{1, 1, 0, 7, 1024, 0, 1, 1}));
    EXPECT_EQ(a.tiepoints, (std::vector<double>{0, 0, 0, 500000, 4650000, 0}));
    EXPECT_EQ(a.scale, (std::vector<double>{1, 1, 0}));
    EXPECT_EQ(a.ascii, std::string("WGS 84 / UTM zone 33N|WGS 84|\0", 30));
    EXPECT_TRUE(a.transformation.empty());
}

TEST(GeoTiffLoad, BaselineOnlyFileLoadsNothing) {
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(GeoPath("gdal_baseline_profile_tfw.tif").c_str()), 1);
    Loaded l = Load(geo);
    EXPECT_TRUE(l.keys.empty() && l.doubles.empty() && l.tiepoints.empty() && l.ascii.empty());
    double* d;
    int n;
    geo.GetModelPixelScaleTag(&d, &n);
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(n, 3);
    geo.GetModelTransformationTag(&d, &n);
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(n, 16);
}

// A directory of no entries: nothing to read, and nothing read into nothing.
TEST(GeoTiffLoad, EmptyDirectoryLoadsNothing) {
    vtest::TempDir dir;
    const std::string path = vtest::GeoTiffBuilder(false).Write(dir.file("empty.tif"));
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(path.c_str()), 1);
    Loaded l = Load(geo);
    EXPECT_TRUE(l.keys.empty() && l.doubles.empty() && l.tiepoints.empty() && l.ascii.empty());
}

TEST(GeoTiffLoad, FilesThatAreNotTiffOrCannotBeOpenedReturnZero) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("bitmap.tif"), {'B', 'M', 0x36, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0});
    CGeoTIFF geo;
    EXPECT_EQ(geo.LoadGeoTIFFFile(dir.file("bitmap.tif").c_str()), 0);
    EXPECT_EQ(geo.LoadGeoTIFFFile(dir.file("missing.tif").c_str()), 0);
    EXPECT_FALSE(geo.GetErrorText().IsEmpty());
    EXPECT_EQ(geo.LoadGeoTIFFFile(dir.path().c_str()), 0);  // a directory
    EXPECT_TRUE(Load(geo).keys.empty());
}

class CraftedKeys : public ::testing::TestWithParam<bool> {};

// Keys a real file rarely shows, in both byte orders.
TEST_P(CraftedKeys, DecodeAsTheirEntriesSay) {
    vtest::TempDir dir;
    const std::string path = vtest::GeoTiffBuilder(GetParam())
                                 .Shorts(34735, {1, 1, 2, 6,                    //
                                                 1024, 0, 1, 65535,             // absent marker
                                                 1026, 34737, 11, 0,            // ten characters and '|'
                                                 2049, 34737, 0, 0,             // count 0: empty
                                                 3073, 34737, 4, 20,            // past the ASCII parameters
                                                 3078, 34736, 1, 1,             // a double parameter
                                                 3079, 34736, 1, 2})            // past the double parameters
                                 .Doubles(34736, {7.5, 33.25})
                                 .Ascii(34737, "Ten chars!|abc")
                                 .Write(dir.file("crafted.tif"));
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(path.c_str()), 1);
    WORD* keys;
    WORD count;
    geo.GetGeoKeyDirectoryTag(&keys, &count);
    EXPECT_EQ(count, 4 * 6 + 4);
    Decode(geo);
    EXPECT_EQ(geo.GetShortGeoKey(1024), -1);
    EXPECT_STREQ(geo.GetTextGeoKey(1026), "Ten chars!");
    EXPECT_STREQ(geo.GetTextGeoKey(2049), "");
    EXPECT_EQ(geo.GetTextGeoKey(3073), nullptr);
    EXPECT_EQ(geo.GetDoubleGeoKey(3078), 33.25);
    EXPECT_EQ(geo.GetDoubleGeoKey(3079), -1.0);
    // Decoding again gives the same texts.
    Decode(geo);
    EXPECT_STREQ(geo.GetTextGeoKey(1026), "Ten chars!");
}

TEST_P(CraftedKeys, ShortAsciiParametersAreReadFromTheEntry) {
    vtest::TempDir dir;
    const std::string path = vtest::GeoTiffBuilder(GetParam())
                                 .Shorts(34735, {1, 1, 0, 1, 4097, 34737, 3, 0})
                                 .Ascii(34737, "NA|")
                                 .Write(dir.file("inline.tif"));
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(path.c_str()), 1);
    Decode(geo);
    EXPECT_STREQ(geo.GetTextGeoKey(4097), "NA");
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, CraftedKeys, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "BigEndian" : "LittleEndian";
                         });

TEST(GeoTiffLoad, ALaterLoadReplacesOnlyTheTagsItFinds) {
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(GeoPath("gdal_utm33n_grey.tif").c_str()), 1);
    ASSERT_EQ(geo.LoadGeoTIFFFile(GeoPath("rasterio_rotated.tif").c_str()), 1);
    Loaded l = Load(geo);
    EXPECT_EQ(l.tiepoints.size(), 6u);
    EXPECT_EQ(l.transformation.size(), 16u);
}

}  // namespace
