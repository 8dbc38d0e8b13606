// What a file holds comes back from a save: held -1 values, keys outside the
// GeoTIFF 1.0 table, BigTIFF files of both byte orders, tiled files and
// GDAL's no-data value and metadata. A file with a huge count fails cleanly.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "environment/texts.h"
#include "geotiff/geotiff_builder.h"
#include "support/test_support.h"
#include "velmora/geotiff.h"
#include "velmora/newdib.h"

namespace {

std::string GeoPath(const std::string& name) { return vtest::DataPath("geotiff/" + name); }

// Everything the getters hand out, as text, so two objects compare whole.
// The keys are listed with the values they name: a writer may place the
// parameters in another order.
std::string Loaded(CGeoTIFF& geo) {
    std::ostringstream out;
    out.precision(17);
    WORD* keys;
    WORD keyCount;
    geo.GetGeoKeyDirectoryTag(&keys, &keyCount);
    double* doubles;
    int doubleCount;
    geo.GetGeoDoubleParamsTag(&doubles, &doubleCount);
    char* ascii;
    int asciiCount;
    geo.GetGeoAsciiParamsTag(&ascii, &asciiCount);
    out << "header";
    for (int i = 0; i < 4 && i < keyCount; ++i) out << ' ' << keys[i];
    for (int i = 4; i + 3 < keyCount; i += 4) {
        const WORD key = keys[i], location = keys[i + 1], count = keys[i + 2], value = keys[i + 3];
        out << "\nkey " << key << ' ' << location << ' ' << count << ':';
        if (location == 34736 && value + count <= doubleCount)
            for (int k = 0; k < count; ++k) out << ' ' << doubles[value + k];
        else if (location == 34737 && value + count <= asciiCount)
            out << ' ' << std::string(ascii + value, count);
        else
            out << ' ' << value;
    }
    auto list = [&](const char* name, double* values, int count) {
        out << '\n' << name << (values ? "" : " none");
        for (int i = 0; values && i < count; ++i) out << ' ' << values[i];
    };
    double* values;
    int count;
    geo.GetModelTiepointTag(&values, &count);
    list("tiepoints", values, count);
    geo.GetModelPixelScaleTag(&values, &count);
    list("scale", values, count);
    geo.GetModelTransformationTag(&values, &count);
    list("transformation", values, count);
    out << "\nnodata " << (geo.GetGdalNoData() ? geo.GetGdalNoData() : "none");
    out << "\nmetadata " << (geo.GetGdalMetadata() ? geo.GetGdalMetadata() : "none");
    return out.str();
}

// Saves an empty image of `width` x `height` with what `geo` recorded, and
// loads the result into `copy`.
bool SaveAndLoad(CGeoTIFF& geo, int width, int height, const std::string& path, CGeoTIFF* copy) {
    CNewDIB image(width, height, 8);
    geo.SetTargetDIB(&image);
    const bool saved = geo.SaveGeoTIFFFile(path.c_str()) == 1;
    geo.SetTargetDIB(nullptr);
    return saved && copy->LoadGeoTIFFFile(path.c_str()) == 1;
}

std::string Report(CGeoTIFF& geo) {
    std::ostringstream out;
    geo.OutputResult(out);
    return out.str();
}

struct Kept {
    const char* name;
    void (*check)(CGeoTIFF& copy);  // on the saved copy, after its report
};

class KeptThroughASave : public ::testing::TestWithParam<Kept> {};

// The copy loads to exactly what the source held, and reports the same.
TEST_P(KeptThroughASave, CopyHoldsWhatTheSourceHeld) {
    vtest::TempDir dir;
    CGeoTIFF source;
    ASSERT_EQ(source.LoadGeoTIFFFile(GeoPath(GetParam().name).c_str()), 1);
    const std::string report = Report(source);
    CGeoTIFF copy;
    ASSERT_TRUE(SaveAndLoad(source, 40, 30, dir.file("copy.tif"), &copy)) << source.GetErrorText().c_str();
    EXPECT_EQ(Loaded(copy), Loaded(source));
    EXPECT_EQ(Report(copy), report);
    GetParam().check(copy);
}

const Kept kKept[] = {
    {"gdal40_scale_minus1.tif",
     [](CGeoTIFF& copy) {
         double t[6];
         ASSERT_EQ(copy.GetGeoTransform(t), 1);
         EXPECT_EQ(t[0], 500040);
         EXPECT_EQ(t[1], -1);
     }},
    {"gdal40_transform_minus1.tif",
     [](CGeoTIFF& copy) {
         double* m;
         int n;
         copy.GetModelTransformationTag(&m, &n);
         ASSERT_NE(m, nullptr);
         EXPECT_EQ(m[0], -1);
     }},
    {"gdal40_key_minus1.tif",
     [](CGeoTIFF& copy) {
         // The getter still gives -1; presence says it was held.
         EXPECT_EQ(copy.GetDoubleGeoKey(3080), -1.0);
         EXPECT_EQ(copy.IsGeoKeyHeld(3080), 1);
         EXPECT_EQ(copy.IsGeoKeyHeld(3081), 1);
         EXPECT_EQ(copy.IsGeoKeyHeld(3079), 0);
     }},
    {"gdal40_towgs84.tif",
     [](CGeoTIFF& copy) {
         EXPECT_EQ(copy.IsGeoKeyHeld(2062), 1);
         EXPECT_EQ(copy.GetDoubleGeoKey(2062), -1.0);  // not a table key: no field of its own
         EXPECT_STREQ(CGeoTIFF::GeoKeyName(2062), "GeogTOWGS84GeoKey");
     }},
    {"gdal40_rectified_angle.tif", [](CGeoTIFF& copy) { EXPECT_EQ(copy.IsGeoKeyHeld(3096), 1); }},
    {"gdal40_bigtiff_le.tif", [](CGeoTIFF& copy) { EXPECT_EQ(copy.IsBigTIFF(), 1); }},
    {"gdal40_bigtiff_be.tif", [](CGeoTIFF& copy) { EXPECT_EQ(copy.IsBigTIFF(), 1); }},
    {"gdal40_tiled.tif", [](CGeoTIFF& copy) { EXPECT_EQ(copy.IsBigTIFF(), 0); }},
    {"gdal40_nodata_metadata.tif",
     [](CGeoTIFF& copy) {
         EXPECT_STREQ(copy.GetGdalNoData(), "7");
         ASSERT_NE(copy.GetGdalMetadata(), nullptr);
         EXPECT_NE(std::string(copy.GetGdalMetadata()).find("<Item name=\"VELMORA_TEST\">kept</Item>"),
                   std::string::npos);
     }},
    {"gdal40_geocentric.tif", [](CGeoTIFF& copy) { EXPECT_EQ(copy.GetShortGeoKey(1024), 3); }},
    {"gdal40_pixel_is_point.tif", [](CGeoTIFF& copy) { EXPECT_EQ(copy.GetShortGeoKey(1025), 2); }},
};

std::string KeptName(const ::testing::TestParamInfo<Kept>& info) {
    std::string name = info.param.name;
    return name.substr(0, name.find('.'));
}

INSTANTIATE_TEST_SUITE_P(Files, KeptThroughASave, ::testing::ValuesIn(kKept), KeptName);

// A BigTIFF source is loaded by the class itself, in both byte orders, to
// what its classic twin holds.
TEST(KeptGeoTiff, BigTiffLoadsAsItsClassicTwin) {
    CGeoTIFF classic, little, big;
    ASSERT_EQ(classic.LoadGeoTIFFFile(GeoPath("gdal40_utm.tif").c_str()), 1);
    ASSERT_EQ(little.LoadGeoTIFFFile(GeoPath("gdal40_bigtiff_le.tif").c_str()), 1);
    ASSERT_EQ(big.LoadGeoTIFFFile(GeoPath("gdal40_bigtiff_be.tif").c_str()), 1);
    EXPECT_EQ(little.IsBigTIFF(), 1);
    EXPECT_EQ(big.IsBigTIFF(), 1);
    EXPECT_EQ(classic.IsBigTIFF(), 0);
    EXPECT_EQ(Report(little), Report(classic));
    EXPECT_EQ(Report(big), Report(classic));
}

// Built by hand: a short key stored as 65535, a double key of -1.0 and a
// pixel scale starting with -1 are held values; a key outside the table
// with a text and one with an inline value are kept; the report does not
// list them.
TEST(KeptGeoTiff, HeldMinusOneAndOtherKeysAreWrittenBack) {
    vtest::TempDir dir;
    const std::string source = vtest::GeoTiffBuilder(false)
                                   .Doubles(33550, {-1, 1, 0})
                                   .Doubles(33922, {0, 0, 0, 10, 20, 0})
                                   .Shorts(34735, {1, 1, 0, 5,                  //
                                                   1024, 0, 1, 1,               //
                                                   3074, 0, 1, 0xFFFF,          //
                                                   3080, 34736, 1, 0,           //
                                                   5000, 34737, 4, 0,           //
                                                   5001, 0, 1, 77})
                                   .Doubles(34736, {-1.0})
                                   .Ascii(34737, "abc|")
                                   .Write(dir.file("source.tif"));
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(source.c_str()), 1);
    const std::string report = Report(geo);
    EXPECT_EQ(report.find("5000"), std::string::npos);
    EXPECT_EQ(geo.GetShortGeoKey(3074), -1);
    EXPECT_EQ(geo.IsGeoKeyHeld(3074), 1);
    EXPECT_EQ(geo.IsGeoKeyHeld(5000), 1);
    CGeoTIFF copy;
    ASSERT_TRUE(SaveAndLoad(geo, 4, 2, dir.file("copy.tif"), &copy));
    WORD* keys;
    WORD count;
    copy.GetGeoKeyDirectoryTag(&keys, &count);
    EXPECT_EQ(std::vector<WORD>(keys, keys + count),
              (std::vector<WORD>{1, 1, 0, 5, 1024, 0, 1, 1, 3074, 0, 1, 0xFFFF, 3080, 34736, 1, 0, 5000, 34737, 4, 0,
                                 5001, 0, 1, 77}));
    double* scale;
    int n;
    copy.GetModelPixelScaleTag(&scale, &n);
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(scale[0], -1);
    EXPECT_EQ(Report(copy), report);
    char* ascii;
    copy.GetGeoAsciiParamsTag(&ascii, &n);
    EXPECT_EQ(std::string(ascii, n), std::string("abc|\0", 5));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// Exits 0 when the load under `ulimit -v 2097152` fails with the text of
// memory that ran out.
[[noreturn]] void LoadUnderLimit(const std::string& path) {
    const rlimit limit{2097152ull * 1024, 2097152ull * 1024};
    setrlimit(RLIMIT_AS, &limit);
    CGeoTIFF geo;
    const int loaded = geo.LoadGeoTIFFFile(path.c_str());
    const bool saysWhy = geo.GetErrorText() == velmora::text::kOutOfMemory;
    _exit(loaded == 0 && saysWhy ? 0 : 1);
}

// A damaged file that claims more tie points than memory holds: the count
// is bounded by the file (4 GiB, sparse), the array is allocated once, and
// under a 2 GiB address-space limit the load fails with a text instead of
// aborting. Run in a child process, so the limit binds it alone.
TEST(KeptGeoTiffDeathTest, HugeTiepointCountUnderAMemoryLimitFailsCleanly) {
    if (kAddressSanitizer) GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
    vtest::TempDir dir;
    const std::string path = vtest::GeoTiffBuilder(false)
                                 .Doubles(33550, {1, 1, 0})
                                 .Doubles(33922, {0, 0, 0, 1, 2, 0})
                                 .Write(dir.file("huge.tif"));
    // The tie-point entry (the second) claims 0x7FFFFFFF values.
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        const unsigned char count[4] = {0xFF, 0xFF, 0xFF, 0x7F};
        file.seekp(10 + 12 + 4);
        file.write(reinterpret_cast<const char*>(count), 4);
    }
    std::filesystem::resize_file(path, 4ull << 30);
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(LoadUnderLimit(path), ::testing::ExitedWithCode(0), "");
}

}  // namespace

namespace {

// Tie points without a pixel scale (control points) move with their pixels;
// a transform that stays north up is written as a tie point and pixel scale,
// any other as a transformation.
TEST(GeoTransform, ControlPointsMoveWithTheirPixelsAndMapsChooseTheirTags) {
    vtest::TempDir dir;
    const std::string path =
        vtest::GeoTiffBuilder(false).Doubles(33922, {1, 2, 0, 100, 200, 0, 9, 0, 0, 300, 400, 0}).Write(dir.file("g.tif"));
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(path.c_str()), 1);
    geo.PrepareGeoTags();
    double t[6];
    EXPECT_EQ(geo.GetGeoTransform(t), 0);
    ASSERT_EQ(geo.TransformGeoreferencing(GEO_HORIZON_FLIP, 10, 5), 1);
    ASSERT_EQ(geo.TransformGeoreferencing(GEO_RIGHT_ROTATE, 10, 5), 1);  // (u, v) -> (5 - v, u)
    EXPECT_EQ(geo.TransformGeoreferencing(GEO_RIGHT_ROTATE + 10, 10, 5), 0);
    CGeoTIFF moved;
    ASSERT_TRUE(SaveAndLoad(geo, 5, 10, dir.file("moved.tif"), &moved));
    double* points;
    int n;
    moved.GetModelTiepointTag(&points, &n);
    ASSERT_EQ(n, 12);
    EXPECT_EQ(std::vector<double>(points, points + n),
              (std::vector<double>{3, 9, 0, 100, 200, 0, 5, 1, 0, 300, 400, 0}));

    const double northUp[6] = {10, 2, 0, 50, 0, -2}, turned[6] = {10, 0, 2, 50, 2, 0};
    geo.SetGeoTransform(northUp);
    ASSERT_EQ(geo.GetGeoTransform(t), 1);
    EXPECT_EQ(std::vector<double>(t, t + 6), std::vector<double>(northUp, northUp + 6));
    geo.SetGeoTransform(turned);
    ASSERT_EQ(geo.GetGeoTransform(t), 1);
    EXPECT_EQ(std::vector<double>(t, t + 6), std::vector<double>(turned, turned + 6));
    CGeoTIFF saved;
    ASSERT_TRUE(SaveAndLoad(geo, 5, 10, dir.file("turned.tif"), &saved));
    double* matrix;
    saved.GetModelTransformationTag(&matrix, &n);
    ASSERT_NE(matrix, nullptr);
    saved.GetModelPixelScaleTag(&points, &n);
    EXPECT_EQ(points, nullptr);
    EXPECT_EQ(matrix[3], 10);
    EXPECT_EQ(matrix[1], 2);
}

}  // namespace
