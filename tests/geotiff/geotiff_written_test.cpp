// What a GeoTIFF save writes beyond the values it loaded: one directory, the
// georeferencing of a picture stored turned or mirrored moved with its
// pixels, no no-data value of samples the 8-bit picture no longer holds, and
// never more keys than a key directory's count can name.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <sstream>

#include "codecs/image_fixture.h"
#include "codecs/tiff/tiff_tag_extender.h"
#include "geotiff/geokey_table.h"
#include "geotiff/geotiff_builder.h"
#include "support/test_support.h"
#include "velmora/geotiff.h"
#include "velmora/newdib.h"

namespace {

// Saves the picture of `source` with its own georeferencing.
std::string SaveCopy(const std::string& source, const std::string& target) {
    CGeoTIFF geo;
    EXPECT_EQ(geo.LoadGeoTIFFFile(source.c_str()), 1);
    geo.PrepareGeoTags();
    CNewDIB image;
    EXPECT_EQ(image.ReadFile(source.c_str(), -1), 1);
    geo.SetTargetDIB(&image);
    EXPECT_EQ(geo.SaveGeoTIFFFile(target.c_str()), 1);
    return target;
}

size_t Occurrences(const std::vector<unsigned char>& bytes, const std::vector<unsigned char>& pattern) {
    size_t n = 0;
    for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), pattern.begin(), pattern.end())) != bytes.end();
         ++at)
        ++n;
    return n;
}

struct NoData {
    const char* file;
    const char* written;  // null: none
};

class WrittenNoData : public ::testing::TestWithParam<NoData> {};

// The file holds one directory (its ImageWidth entry once), and its no-data
// value only where the samples were 8-bit.
TEST_P(WrittenNoData, OneDirectoryAndANoDataValueOnlyForSamplesAsStored) {
    vtest::TempDir dir;
    const std::string copy = SaveCopy(vtest::DataPath(GetParam().file), dir.file("copy.tif"));
    const std::vector<unsigned char> bytes = vtest::ReadAll(copy);
    ASSERT_GE(bytes.size(), 8u);
    ASSERT_EQ(bytes[0], 'I');  // the writer's own byte order here
    const std::vector<unsigned char> widthEntry{0x00, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(Occurrences(bytes, widthEntry), 1u);
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(copy.c_str()), 1);
    if (GetParam().written)
        EXPECT_STREQ(geo.GetGdalNoData(), GetParam().written);
    else
        EXPECT_EQ(geo.GetGdalNoData(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Files, WrittenNoData,
                         ::testing::Values(NoData{"geotiff/gdal40_nodata_metadata.tif", "7"},
                                           NoData{"tif/rasterio_float_raster_with_nodata.tif", nullptr}),
                         [](const ::testing::TestParamInfo<NoData>& info) {
                             return info.param.written ? std::string("EightBit") : std::string("Float");
                         });

// A 4 x 3 grey picture whose pixel (x, y) as stored holds 10 y + x, with the
// given Orientation, a tie point and a pixel scale.
std::string OrientedGeoTiff(const std::string& path, int orientation) {
    velmora::tiff::RegisterGeoTiffTags();
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
    const double scale[3] = {2, 5, 0}, tie[6] = {0, 0, 0, 1000, 9000, 0};
    TIFFSetField(tif, 33550, 3, scale);
    TIFFSetField(tif, 33922, 6, tie);
    for (uint32_t y = 0; y < 3; ++y) {
        unsigned char row[4];
        for (int x = 0; x < 4; ++x) row[x] = static_cast<unsigned char>(10 * y + x);
        TIFFWriteScanline(tif, row, y, 0);
    }
    TIFFClose(tif);
    return path;
}

class OrientedGeoreferencing : public ::testing::TestWithParam<int> {};

// Each pixel of the picture as read lies where the file puts the stored
// pixel it came from.
TEST_P(OrientedGeoreferencing, EveryPixelKeepsItsPlaceOnTheMap) {
    vtest::TempDir dir;
    const std::string path = OrientedGeoTiff(dir.file("oriented.tif"), GetParam());
    CNewDIB image;
    ASSERT_EQ(image.ReadFile(path.c_str(), -1), 1);
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(path.c_str()), 1);
    geo.PrepareGeoTags();
    double g[6];
    ASSERT_EQ(geo.GetGeoTransform(g), 1);
    for (int v = 0; v < image.GetHeight(); ++v) {
        for (int u = 0; u < image.GetWidth(); ++u) {
            int stored, green, blue;
            vtest::PixelColor(image, u, v, &stored, &green, &blue);
            const double x = stored % 10 + 0.5, y = stored / 10 + 0.5;
            EXPECT_DOUBLE_EQ(g[0] + (u + 0.5) * g[1] + (v + 0.5) * g[2], 1000 + 2 * x) << u << "," << v;
            EXPECT_DOUBLE_EQ(g[3] + (u + 0.5) * g[4] + (v + 0.5) * g[5], 9000 - 5 * y) << u << "," << v;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Orientations, OrientedGeoreferencing, ::testing::Range(1, 9));

// Keys kept from an earlier load join a later file's: a directory of more
// than it can name would be unreadable by libtiff's 16-bit count, so the
// keys past it are left out.
TEST(WrittenKeys, NeverMoreThanTheDirectoryCountNames) {
    vtest::TempDir dir;
    std::vector<uint16_t> keys{1, 1, 0, velmora::geo::kMaxGeoKeys};
    for (uint16_t k = 0; k < velmora::geo::kMaxGeoKeys; ++k) keys.insert(keys.end(), {uint16_t(5000 + k), 0, 1, k});
    const std::string many = vtest::GeoTiffBuilder(false).Shorts(34735, keys).Write(dir.file("many.tif"));
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(many.c_str()), 1);
    geo.PrepareGeoTags();
    const std::string source = vtest::DataPath("geotiff/gdal_utm33n_grey.tif");
    ASSERT_EQ(geo.LoadGeoTIFFFile(source.c_str()), 1);
    geo.PrepareGeoTags();
    CNewDIB image;
    ASSERT_EQ(image.ReadFile(source.c_str(), -1), 1);
    geo.SetTargetDIB(&image);
    ASSERT_EQ(geo.SaveGeoTIFFFile(dir.file("copy.tif").c_str()), 1);

    velmora::tiff::RegisterGeoTiffTags();
    TIFF* tif = TIFFOpen(dir.file("copy.tif").c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint16_t count = 0;
    uint16_t* values = nullptr;
    ASSERT_EQ(TIFFGetField(tif, 34735, &count, &values), 1);
    EXPECT_EQ(count, 4 * (velmora::geo::kMaxGeoKeys + 1));
    EXPECT_EQ(values[3], velmora::geo::kMaxGeoKeys);
    EXPECT_EQ(values[4], 1024);  // the later file's keys come first, in key order
    TIFFClose(tif);
}

}  // namespace
