// SaveGeoTIFFFile end to end: the image through the TIFF writer, the
// georeferencing of the last report appended, read back by this library and
// by GDAL and libgeotiff where they are installed.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <sstream>

#include "environment/texts.h"
#include "geotiff/geotiff_builder.h"
#include "support/test_support.h"
#include "velmora/geotiff.h"
#include "velmora/newdib.h"

namespace {

std::string GeoPath(const std::string& name) { return vtest::DataPath("geotiff/" + name); }


struct Source {
    const char* name;
    int width, height;  // the source's image size, so corner coordinates agree
};

// Loads `source`, reports, and saves an image of its size with its
// georeferencing.
int SaveCopy(const Source& source, const std::string& target, CGeoTIFF* geo) {
    CNewDIB image(source.width, source.height, 8);
    if (!geo->LoadGeoTIFFFile(GeoPath(source.name).c_str())) return -1;
    std::ostringstream sink;
    geo->OutputResult(sink);
    geo->SetTargetDIB(&image);
    return geo->SaveGeoTIFFFile(target.c_str());
}

std::string Report(const std::string& path) {
    CGeoTIFF geo;
    EXPECT_EQ(geo.LoadGeoTIFFFile(path.c_str()), 1) << path;
    std::ostringstream out;
    geo.OutputResult(out);
    return out.str();
}

const Source kUtm{"gdal_utm33n_grey.tif", 157, 151}, kUtmBigEndian{"gdal_utm33n_grey_be.tif", 157, 151};
const Source kAllKeys{"epsg_27563_allgeokeys.tif", 10, 10};

std::string SourceName(const ::testing::TestParamInfo<Source>& info) {
    std::string name = info.param.name;
    name = name.substr(0, name.find('.'));
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

class SavedGeoTiff : public ::testing::TestWithParam<Source> {};

TEST_P(SavedGeoTiff, ReportsAsItsSource) {
    vtest::TempDir dir;
    CGeoTIFF geo;
    ASSERT_EQ(SaveCopy(GetParam(), dir.file("copy.tif"), &geo), 1) << geo.GetErrorText().c_str();
    EXPECT_EQ(Report(dir.file("copy.tif")), Report(GeoPath(GetParam().name)));
    EXPECT_EQ(dir.List().size(), 1u) << "no temporary left";
}

INSTANTIATE_TEST_SUITE_P(Files, SavedGeoTiff,
                         ::testing::Values(kUtm, kUtmBigEndian, kAllKeys, Source{"rasterio_rotated.tif", 10, 15}),
                         SourceName);

TEST(SaveGeoTiff, RebuiltKeyDirectoryCountsWhatItHolds) {
    vtest::TempDir dir;
    CGeoTIFF geo;
    ASSERT_EQ(SaveCopy(kAllKeys, dir.file("copy.tif"), &geo), 1);
    CGeoTIFF copy;
    ASSERT_EQ(copy.LoadGeoTIFFFile(dir.file("copy.tif").c_str()), 1);
    WORD* keys;
    WORD count;
    copy.GetGeoKeyDirectoryTag(&keys, &count);
    // 25 keys of the table and GeogTOWGS84GeoKey (seven doubles), which is
    // not one of them but is kept.
    ASSERT_EQ(count, 4 * 26 + 4);
    EXPECT_EQ(keys[3], 26);
    double* doubles;
    int doubleCount;
    copy.GetGeoDoubleParamsTag(&doubles, &doubleCount);
    EXPECT_EQ(doubleCount, 17);
    // Double keys index the parameters from 0 in key order.
    int next = 0;
    for (int i = 4; i < count; i += 4) {
        if (keys[i + 1] != 34736) continue;
        EXPECT_EQ(keys[i + 3], next);
        next += keys[i + 2];
    }
    EXPECT_EQ(next, 17);
    char* ascii;
    int asciiCount;
    copy.GetGeoAsciiParamsTag(&ascii, &asciiCount);
    EXPECT_EQ(std::string(ascii, asciiCount),
              std::string("NTF (Paris) / Lambert Sud France|NTF (Paris)|NTF (Paris) / Lambert Sud France|\0", 79));
}

// A key revision of 0xFFFF reads as -1, the value of "not decoded"; the keys
// the report decoded are written all the same.
TEST(SaveGeoTiff, KeysOfAnyRevisionAreWritten) {
    vtest::TempDir dir;
    const std::string source =
        vtest::GeoTiffBuilder(false).Shorts(34735, {1, 0xFFFF, 0, 1, 1025, 0, 1, 2}).Write(dir.file("source.tif"));
    CNewDIB image(4, 2, 8);
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(source.c_str()), 1);
    std::ostringstream sink;
    geo.OutputResult(sink);
    geo.SetTargetDIB(&image);
    ASSERT_EQ(geo.SaveGeoTIFFFile(dir.file("copy.tif").c_str()), 1);
    EXPECT_EQ(Report(dir.file("copy.tif")), sink.str());
}

TEST(SaveGeoTiff, NothingLoadedSavesAPlainTiff) {
    vtest::TempDir dir;
    CNewDIB image(4, 2, 8);
    CGeoTIFF geo;
    geo.SetTargetDIB(&image);
    ASSERT_EQ(geo.SaveGeoTIFFFile(dir.file("plain.tif").c_str()), 1);
    CGeoTIFF loaded;
    ASSERT_EQ(loaded.LoadGeoTIFFFile(dir.file("plain.tif").c_str()), 1);
    double* points;
    int n;
    loaded.GetModelTiepointTag(&points, &n);
    EXPECT_EQ(points, nullptr);
}

TEST(SaveGeoTiff, WithoutAnImageFailsAndLeavesWhatWasThere) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("kept.tif"), {1, 2, 3});
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(GeoPath("gdal_utm33n_grey.tif").c_str()), 1);
    std::ostringstream sink;
    geo.OutputResult(sink);
    EXPECT_EQ(geo.SaveGeoTIFFFile(dir.file("kept.tif").c_str()), 0);
    EXPECT_EQ(geo.GetErrorText(), velmora::text::kNoData);
    EXPECT_EQ(vtest::ReadAll(dir.file("kept.tif")), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(dir.List().size(), 1u);
}

// Peers read the written file: the same coordinate system, tie points and
// pixel scale as the source.
std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
        pclose(pipe);
    }
    return out;
}

bool HasTool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null").c_str()) == 0; }

// The lines from the one starting with `first` up to and including the next
// one starting with `last` (just that line when `last` is empty).
std::string Section(const std::string& text, const std::string& first, const std::string& last) {
    const size_t begin = text.find(first);
    if (begin == std::string::npos) return "";
    const size_t end = text.find("\n" + last, begin);
    return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin + last.size() + 1);
}

class PeersReadSavedGeoTiff : public ::testing::TestWithParam<Source> {
protected:
    void SetUp() override {
        CGeoTIFF geo;
        ASSERT_EQ(SaveCopy(GetParam(), m_dir.file("copy.tif"), &geo), 1);
    }
    std::string Original() const { return GeoPath(GetParam().name); }
    std::string Copy() const { return m_dir.file("copy.tif"); }
    vtest::TempDir m_dir;
};

TEST_P(PeersReadSavedGeoTiff, ListgeoShowsTheSameTagsAndKeys) {
    if (!HasTool("listgeo")) GTEST_SKIP() << "listgeo (geotiff-bin) is not installed";
    const std::string source = Section(Capture("listgeo " + Original()), "Geotiff_Information:", "   End_Of_Geotiff.");
    ASSERT_NE(source, "");
    EXPECT_EQ(Section(Capture("listgeo " + Copy()), "Geotiff_Information:", "   End_Of_Geotiff."), source);
}

TEST_P(PeersReadSavedGeoTiff, GdalinfoShowsTheSameCoordinateSystemAndCorners) {
    if (!HasTool("gdalinfo")) GTEST_SKIP() << "gdalinfo (gdal-bin) is not installed";
    const std::string source = Capture("gdalinfo " + Original()), copy = Capture("gdalinfo " + Copy());
    const std::string system = Section(source, "Coordinate System is:", "Data axis");
    ASSERT_NE(system, "");
    EXPECT_EQ(Section(copy, "Coordinate System is:", "Data axis"), system);
    for (const char* line : {"Origin =", "Pixel Size =", "Upper Left", "Lower Right"}) {
        ASSERT_NE(Section(source, line, ""), "") << line;
        EXPECT_EQ(Section(copy, line, ""), Section(source, line, "")) << line;
    }
}

// GDAL's no-data value and metadata come back as GDAL wrote them.
TEST_P(PeersReadSavedGeoTiff, GdalinfoShowsTheSameNoDataAndMetadata) {
    if (!HasTool("gdalinfo")) GTEST_SKIP() << "gdalinfo (gdal-bin) is not installed";
    const std::string source = Capture("gdalinfo " + Original()), copy = Capture("gdalinfo " + Copy());
    for (const char* line : {"  NoData Value=", "  VELMORA_TEST=", "  AREA_OR_POINT="})
        EXPECT_EQ(Section(copy, line, ""), Section(source, line, "")) << line;
}

INSTANTIATE_TEST_SUITE_P(Files, PeersReadSavedGeoTiff,
                         ::testing::Values(kUtm, kUtmBigEndian, Source{"gdal40_scale_minus1.tif", 40, 30},
                                           Source{"gdal40_transform_minus1.tif", 40, 30},
                                           Source{"gdal40_key_minus1.tif", 40, 30}, Source{"gdal40_towgs84.tif", 40, 30},
                                           Source{"gdal40_rectified_angle.tif", 40, 30},
                                           Source{"gdal40_bigtiff_le.tif", 40, 30}, Source{"gdal40_bigtiff_be.tif", 40, 30},
                                           Source{"gdal40_tiled.tif", 40, 30},
                                           Source{"gdal40_nodata_metadata.tif", 40, 30},
                                           Source{"gdal40_geocentric.tif", 40, 30},
                                           Source{"gdal40_pixel_is_point.tif", 40, 30}),
                         SourceName);

}  // namespace
