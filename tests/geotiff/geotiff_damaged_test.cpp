// Damaged GeoTIFF files load within their bounds: no array holds more than
// the file could, and what the damage points at is absent.
#include <gtest/gtest.h>

#include <sstream>

#include "support/test_support.h"
#include "velmora/geotiff.h"

namespace {

struct Damaged {
    const char* name;
    void (*check)(CGeoTIFF& geo);
};

std::string DamagedPath(const std::string& name) { return vtest::DataPath("damaged/geotiff/" + name); }

// Bytes the loaded arrays hold, added up.
uint64_t LoadedBytes(CGeoTIFF& geo) {
    WORD* keys;
    WORD keyCount;
    geo.GetGeoKeyDirectoryTag(&keys, &keyCount);
    double* d;
    int doubles, tiepoints;
    geo.GetGeoDoubleParamsTag(&d, &doubles);
    geo.GetModelTiepointTag(&d, &tiepoints);
    char* text;
    int ascii;
    geo.GetGeoAsciiParamsTag(&text, &ascii);
    return uint64_t{keyCount} * 2 + uint64_t(doubles) * 8 + uint64_t(tiepoints) * 8 + uint64_t(ascii);
}

class DamagedGeoTiff : public ::testing::TestWithParam<Damaged> {};

TEST_P(DamagedGeoTiff, LoadsWithinTheFileAndReports) {
    const std::string path = DamagedPath(GetParam().name);
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(path.c_str()), 1);
    EXPECT_LE(LoadedBytes(geo), vtest::ReadAll(path).size() + 3 * 8);
    std::ostringstream report;
    geo.OutputResult(report);
    EXPECT_EQ(report.str().compare(0, 6, "Keys\n\n"), 0);
    GetParam().check(geo);
}

const Damaged kFiles[] = {
    {"gdal_utm33n_grey__numkeys_huge.tif",
     [](CGeoTIFF& geo) {
         // The real keys still decode; the directory holds no more than the file.
         EXPECT_EQ(geo.GetShortGeoKey(3072), 32633);
         EXPECT_STREQ(geo.GetTextGeoKey(1026), "WGS 84 / UTM zone 33N");
     }},
    {"gdal_utm33n_grey__ascii_count_huge.tif",
     [](CGeoTIFF& geo) {
         // The count is cut to the file; the texts it holds are still found.
         EXPECT_STREQ(geo.GetTextGeoKey(2049), "WGS 84");
     }},
    {"gdal_utm33n_grey__ascii_count_2.tif",
     [](CGeoTIFF& geo) {
         // Both texts run past two bytes of parameters.
         EXPECT_EQ(geo.GetTextGeoKey(1026), nullptr);
         EXPECT_EQ(geo.GetTextGeoKey(2049), nullptr);
         EXPECT_EQ(geo.GetShortGeoKey(3072), 32633);
     }},
    {"gdal_utm33n_grey__key_index_out_of_range.tif",
     [](CGeoTIFF& geo) {
         EXPECT_EQ(geo.GetTextGeoKey(1026), nullptr);
         EXPECT_STREQ(geo.GetTextGeoKey(2049), "WGS 84");
     }},
    {"gdal_utm33n_grey__tiepoint_count_huge.tif",
     [](CGeoTIFF& geo) {
         double* points;
         int count;
         geo.GetModelTiepointTag(&points, &count);
         ASSERT_GE(count, 6);
         EXPECT_EQ(points[3], 500000);
         EXPECT_EQ(points[4], 4650000);
     }},
    {"gdal_utm33n_grey__trunc_at_keydir.tif",
     [](CGeoTIFF& geo) {
         // What is cut off reads as zero: no key past the cut decodes.
         WORD* keys;
         WORD count;
         geo.GetGeoKeyDirectoryTag(&keys, &count);
         ASSERT_NE(keys, nullptr);
         EXPECT_EQ(keys[count - 1], 0);
         EXPECT_EQ(geo.GetShortGeoKey(3072), -1);
     }},
};

INSTANTIATE_TEST_SUITE_P(Files, DamagedGeoTiff, ::testing::ValuesIn(kFiles),
                         [](const ::testing::TestParamInfo<Damaged>& info) {
                             std::string name = info.param.name;
                             name = name.substr(name.find("__") + 2);
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
