// velmora convert keeps a GeoTIFF on the map and info describes its
// georeferencing, as GDAL reads the files: every pixel of a converted image
// (plain, turned, flipped) lies where the same pixel of the source lies.
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "tools/geo_info.h"
#include "tools/tool_fixture.h"
#include "velmora/geotiff.h"

namespace {

using namespace vtool;

bool HasGdal() { return std::system("command -v gdalinfo >/dev/null 2>&1") == 0; }

std::string GeoData(const std::string& name) { return vtest::DataPath("geotiff/" + name); }

// GDAL's geotransform of a file (its GeoTIFF tags or world file); false
// when it has none.
bool GdalTransform(const std::string& path, double t[6], std::string* json) {
    json->clear();
    if (FILE* pipe = popen(("gdalinfo -json " + Quote(path) + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) json->append(buffer, got);
        pclose(pipe);
    }
    const size_t at = json->find("\"geoTransform\":[");
    if (at == std::string::npos) return false;
    const char* p = json->c_str() + at + 16;
    for (int i = 0; i < 6; ++i) {
        char* end;
        t[i] = std::strtod(p, &end);
        if (end == p) return false;
        p = end;
        while (*p == ',' || std::isspace(static_cast<unsigned char>(*p))) ++p;
    }
    return true;
}

// The text of GDAL's "wkt" member: the coordinate system.
std::string Wkt(const std::string& json) {
    const size_t at = json.find("\"wkt\":\"");
    return at == std::string::npos ? "" : json.substr(at, json.find("\",", at) - at);
}

struct Turned {
    const char* source;
    const char* transforms;
    const char* extension;  // of the output: tif carries the tags, others a world file
};

class ConvertedGeoTiff : public Tool, public ::testing::WithParamInterface<Turned> {};

TEST_P(ConvertedGeoTiff, EveryPixelKeepsItsPlaceOnTheMap) {
    if (!HasGdal()) GTEST_SKIP() << "gdalinfo (gdal-bin) is not installed";
    const Turned& c = GetParam();
    const std::string source = GeoData(c.source), output = dir.file(std::string("out.") + c.extension);
    const bool tiff = std::string(c.extension) == "tif";
    const Outcome o = Run("convert " + Quote(source) + " " + Quote(output) + " " + c.transforms +
                          (tiff ? "" : " --world-file"));
    ASSERT_EQ(o.status, 0) << o.err;
    double in[6], out[6];
    std::string inJson, outJson;
    ASSERT_TRUE(GdalTransform(source, in, &inJson));
    ASSERT_TRUE(GdalTransform(output, out, &outJson)) << outJson;
    if (tiff) {
        EXPECT_EQ(Wkt(outJson), Wkt(inJson));
    }
    CNewDIB before, after;
    ASSERT_EQ(before.ReadFile(source.c_str(), -1), 1);
    ASSERT_EQ(after.ReadFile(output.c_str(), -1), 1);
    const double det = in[1] * in[5] - in[2] * in[4];
    ASSERT_NE(det, 0);
    const int w = after.GetWidth(), h = after.GetHeight();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // The centre of the pixel on the map, then the source pixel there.
            const double X = out[0] + (x + 0.5) * out[1] + (y + 0.5) * out[2] - in[0];
            const double Y = out[3] + (x + 0.5) * out[4] + (y + 0.5) * out[5] - in[3];
            const int u = static_cast<int>(std::floor((in[5] * X - in[2] * Y) / det));
            const int v = static_cast<int>(std::floor((in[1] * Y - in[4] * X) / det));
            ASSERT_TRUE(u >= 0 && u < before.GetWidth() && v >= 0 && v < before.GetHeight()) << x << "," << y;
            ASSERT_EQ(after.GetPixelRGB(x, h - 1 - y), before.GetPixelRGB(u, before.GetHeight() - 1 - v))
                << x << "," << y;
        }
    }
}

// geotiff --write with the file's own image: GDAL reads the same coordinate
// system, geotransform and no-data value from the copy, which is BigTIFF
// when the source is.
class WrittenGeoTiff : public Tool, public ::testing::WithParamInterface<const char*> {};

TEST_P(WrittenGeoTiff, GdalReadsTheSameGeoreferencing) {
    if (!HasGdal()) GTEST_SKIP() << "gdalinfo (gdal-bin) is not installed";
    const std::string source = GeoData(GetParam()), copy = dir.file("copy.tif");
    const Outcome o = Run("geotiff " + Quote(source) + " --write " + Quote(copy));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");  // no libtiff warning
    double in[6], out[6];
    std::string inJson, outJson;
    ASSERT_TRUE(GdalTransform(source, in, &inJson));
    ASSERT_TRUE(GdalTransform(copy, out, &outJson));
    EXPECT_EQ(std::vector<double>(out, out + 6), std::vector<double>(in, in + 6));
    EXPECT_EQ(Wkt(outJson), Wkt(inJson));
    const size_t nodata = inJson.find("\"noDataValue\":");
    EXPECT_EQ(nodata == std::string::npos, outJson.find("\"noDataValue\":") == std::string::npos);
    const std::vector<unsigned char> head = vtest::ReadAll(copy);
    ASSERT_GE(head.size(), 4u);
    const bool bigTiff = std::string(GetParam()).find("bigtiff") != std::string::npos;
    EXPECT_EQ(head[2] == 43 || head[3] == 43, bigTiff);
    const Outcome info = Run("info --json " + Quote(copy));
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_TRUE(Has(info.out, "\"width\": 40, \"height\": 30")) << info.out;
    EXPECT_TRUE(Has(info.out, std::string("\"bigtiff\": ") + (bigTiff ? "true" : "false"))) << info.out;
}

INSTANTIATE_TEST_SUITE_P(Files, WrittenGeoTiff,
                         ::testing::Values("gdal40_tiled.tif", "gdal40_bigtiff_le.tif", "gdal40_bigtiff_be.tif",
                                           "gdal40_nodata_metadata.tif", "gdal40_key_minus1.tif",
                                           "gdal40_towgs84.tif", "gdal40_rectified_angle.tif"));

const Turned kTurned[] = {
    {"gdal40_utm.tif", "", "tif"},
    {"gdal40_utm.tif", "--rotate right", "tif"},
    {"gdal40_utm.tif", "--rotate left", "tif"},
    {"gdal40_utm.tif", "--flip vertical", "tif"},
    {"gdal40_utm.tif", "--flip horizontal", "tif"},
    {"gdal40_utm.tif", "--rotate right --flip horizontal", "tif"},
    {"gdal40_utm.tif", "--rotate left", "bmp"},
    {"gdal40_utm.tif", "--flip vertical", "gif"},
    {"gdal40_scale_minus1.tif", "--rotate right", "tif"},
    {"gdal40_scale_minus1.tif", "--flip horizontal", "tif"},
    {"gdal40_transform_minus1.tif", "--rotate left", "tif"},
    {"gdal40_transform_minus1.tif", "--flip horizontal", "bmp"},
    {"gdal40_pixel_is_point.tif", "--rotate right", "tif"},
    {"gdal40_pixel_is_point.tif", "--flip vertical", "bmp"},
    {"gdal40_towgs84.tif", "--rotate left --flip vertical", "tif"},
    {"gdal40_tiled.tif", "--rotate right", "tif"},
    {"gdal40_bigtiff_be.tif", "--flip horizontal", "tif"},
    {"rasterio_rotated.tif", "", "tif"},
    {"rasterio_rotated.tif", "--rotate right", "tif"},
    {"rasterio_rotated.tif", "--flip horizontal", "bmp"},
};

INSTANTIATE_TEST_SUITE_P(Files, ConvertedGeoTiff, ::testing::ValuesIn(kTurned));

TEST_F(Tool, WorldFilesAreNamedAsGdalNamesThem) {
    const struct {
        const char* image;
        const char* world;
    } names[] = {{"a.tif", "a.tfw"}, {"d/a.bmp", "d/a.bpw"}, {"a.png", "a.pgw"}, {"a.jpg", "a.jgw"},
                 {"a.gif", "a.gfw"}, {"a.pcx", "a.pcxw"},    {"A.TIF", "A.TFW"}, {"a.b.jpeg", "a.b.jgw"},
                 {"x.raw", "x.rww"}, {"noext", ""},          {"d.x/noext", ""}};
    for (const auto& n : names) EXPECT_STREQ(CGeoTIFF::WorldFilePath(n.image).c_str(), n.world) << n.image;
}

TEST_F(Tool, WorldFileOfAnInputWithoutGeoreferencingIsAFailure) {
    const Outcome o = Run("convert " + Sample("rgb24.bmp") + " " + Out("plain.bmp") + " --world-file");
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Has(o.err, "holds no georeferencing")) << o.err;
    EXPECT_TRUE(vtest::FileExists(dir.file("plain.bmp")));
}

// info --json: GDAL's geotransform, the corners and EPSG codes; the model
// type decides the name; texts that are not UTF-8 come out as UTF-8.
TEST_F(Tool, InfoJsonGivesTheGeotransformCornersAndCodes) {
    const Outcome utm = Run("info --json " + Quote(GeoData("gdal40_utm.tif")));
    ASSERT_EQ(utm.status, 0) << utm.err;
    EXPECT_TRUE(Has(utm.out, "\"geotransform\": [500000, 1, 0, 4650000, 0, -1]")) << utm.out;
    EXPECT_TRUE(Has(utm.out, "\"lower_right\": [500040, 4649970]")) << utm.out;
    EXPECT_TRUE(Has(utm.out, "\"epsg\": {\"projected\": 32633}")) << utm.out;
    EXPECT_TRUE(Has(utm.out, "\"ProjectedCSTypeGeoKey\": 32633")) << utm.out;
    const Outcome point = Run("info --json " + Quote(GeoData("gdal40_pixel_is_point.tif")));
    EXPECT_TRUE(Has(point.out, "\"geotransform\": [500000, 1, 0, 4650000, 0, -1]")) << point.out;
    const Outcome towgs = Run("info --json " + Quote(GeoData("gdal40_towgs84.tif")));
    EXPECT_TRUE(Has(towgs.out, "\"GeogTOWGS84GeoKey\": [-87, -98, -121]")) << towgs.out;
    const Outcome geocentric = Run("info " + Quote(GeoData("gdal40_geocentric.tif")));
    EXPECT_TRUE(Has(geocentric.out, "crs:       geocentric (WGS 84)\n")) << geocentric.out;
    const Outcome nodata = Run("info --json " + Quote(GeoData("gdal40_nodata_metadata.tif")));
    EXPECT_TRUE(Has(nodata.out, "\"nodata\": \"7\"")) << nodata.out;
}

// Texts that are not UTF-8: GBK ("北京54", as Chinese GIS files write
// citations) is converted, other bytes are taken as Latin-1.
TEST(GeoInfo, TextsBecomeUtf8) {
    EXPECT_EQ(velmora::cli::AsUtf8("WGS 84"), "WGS 84");
    EXPECT_EQ(velmora::cli::AsUtf8("\xE5\x8C\x97\xE4\xBA\xAC"), "\xE5\x8C\x97\xE4\xBA\xAC");
    EXPECT_EQ(velmora::cli::AsUtf8("\xB1\xB1\xBE\xA9" "54"), "\xE5\x8C\x97\xE4\xBA\xAC" "54");
    EXPECT_EQ(velmora::cli::AsUtf8("caf\xE9\xFF"), "caf\xC3\xA9\xC3\xBF");
}

// A file named in GBK is described in UTF-8.
TEST_F(Tool, InfoJsonNamesAGbkFileInUtf8) {
    const std::string name = dir.file("\xB1\xB1\xBE\xA9.tif");
    const std::vector<unsigned char> bytes = vtest::ReadAll(GeoData("gdal40_utm.tif"));
    vtest::WriteAll(name, bytes);
    const Outcome o = Run("info --json " + Quote(name));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(Has(o.out, "\xE5\x8C\x97\xE4\xBA\xAC.tif\"")) << o.out;
}

}  // namespace
