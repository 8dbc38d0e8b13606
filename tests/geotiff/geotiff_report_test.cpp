// The key report, byte for byte.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>

#include "support/test_support.h"
#include "velmora/geotiff.h"

namespace {

std::string Report(CGeoTIFF& geo) {
    std::ostringstream out;
    geo.OutputResult(out);
    return out.str();
}

// Every key line of a report whose keys are all absent but the ones given,
// in the order of the key table.
std::string KeyLines(const std::vector<std::pair<std::string, std::string>>& values) {
    static const char* const kLines[] = {
        "GTModelTypeGeoKey", "GTRasterTypeGeoKey", "*GTCitationGeoKey", "GeographicTypeGeoKey",
        "*GeogCitationGeoKey", "GeogGeodeticDatumGeoKey", "GeogPrimeMeridianGeoKey", "GeogLinearUnitsGeoKey",
        "GeogLinearUnitSizeGeoKey", "GeogAngularUnitsGeoKey", "GeogAngularUnitSizeGeoKey", "GeogEllipsoidGeoKey",
        "GeogSemiMajorAxisGeoKey", "GeogSemiMinorAxisGeoKey", "GeogInvFlatteningGeoKey", "GeogAzimuthUnitsGeoKey",
        "GeogPrimeMeridianLongGeoKey", "ProjectedCSTypeGeoKey", "*PCSCitationGeoKey", "ProjectionGeoKey",
        "ProjCoordTransGeoKey", "ProjLinearUnitsGeoKey", "ProjLinearUnitSizeGeoKey", "ProjStdParallel1GeoKey",
        "ProjStdParallel2GeoKey", "ProjNatOriginLongGeoKey", "ProjNatOriginLatGeoKey", "ProjFalseEastingGeoKey",
        "ProjFalseNorthingGeoKey", "ProjFalseOriginLongGeoKey", "ProjFalseOriginLatGeoKey",
        "ProjFalseOriginEastingGeoKey", "ProjFalseOriginNorthingGeoKey", "ProjCenterLongGeoKey",
        "ProjCenterLatGeoKey", "ProjCenterEastingGeoKey", "ProjCenterNorthingGeoKey", "ProjScaleAtNatOriginGeoKey",
        "ProjScaleAtCenterGeoKey", "ProjAzimuthAngleGeoKey", "ProjStraightVertPoleLongGeoKey",
        "VerticalCSTypeGeoKey", "*VerticalCitationGeoKey", "VerticalDatumGeoKey", "VerticalUnitsGeoKey"};
    std::string out = "Keys\n\n";
    for (const char* line : kLines) {
        const bool text = *line == '*';
        const std::string name = text ? line + 1 : line;
        std::string value = text ? "" : "-1";
        bool present = false;
        for (const auto& v : values)
            if (v.first == name) value = v.second, present = true;
        if (text && present) out += "\n" + name + " = " + value + "\n\n";
        else if (text) out += name + " = NULL\n";
        else out += name + " = " + value + "\n";
    }
    return out;
}

TEST(GeoTiffReport, NothingLoadedListsEveryKeyAsAbsent) {
    CGeoTIFF geo;
    const std::string report = Report(geo);
    EXPECT_EQ(report, KeyLines({}));
    EXPECT_NE(report.find("\nGTCitationGeoKey = NULL\nGeographicTypeGeoKey = -1\n"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 26), "\nVerticalUnitsGeoKey = -1\n");
}

// The values as listgeo reads them from the same file, written with six
// significant digits.
TEST(GeoTiffReport, FullFileByteForByte) {
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(vtest::DataPath("geotiff/epsg_27563_allgeokeys.tif").c_str()), 1);
    const std::string citation = "NTF (Paris) / Lambert Sud France";
    const std::string expected =
        KeyLines({{"GTModelTypeGeoKey", "1"},
                  {"GTRasterTypeGeoKey", "1"},
                  {"GTCitationGeoKey", citation},
                  {"GeographicTypeGeoKey", "4807"},
                  {"GeogCitationGeoKey", "NTF (Paris)"},
                  {"GeogGeodeticDatumGeoKey", "6807"},
                  {"GeogPrimeMeridianGeoKey", "8903"},
                  {"GeogAngularUnitsGeoKey", "9105"},
                  {"GeogAngularUnitSizeGeoKey", "0.015708"},
                  {"GeogEllipsoidGeoKey", "7011"},
                  {"GeogSemiMajorAxisGeoKey", "6.37825e+06"},
                  {"GeogInvFlatteningGeoKey", "293.466"},
                  {"GeogPrimeMeridianLongGeoKey", "2.59692"},
                  {"ProjectedCSTypeGeoKey", "27563"},
                  {"PCSCitationGeoKey", citation},
                  {"ProjectionGeoKey", "18093"},
                  {"ProjCoordTransGeoKey", "9"},
                  {"ProjLinearUnitsGeoKey", "9001"},
                  {"ProjLinearUnitSizeGeoKey", "1"},
                  {"ProjNatOriginLongGeoKey", "0"},
                  {"ProjNatOriginLatGeoKey", "49"},
                  {"ProjFalseEastingGeoKey", "600000"},
                  {"ProjFalseNorthingGeoKey", "200000"},
                  {"ProjScaleAtNatOriginGeoKey", "0.999877"},
                  {"VerticalUnitsGeoKey", "9001"}}) +
        "\nModelTiepointTag:\n0, 0, 0, 827294, 523986, 0, \n"
        "\nModelPixelScaleTag: 0.500637, 0.500637, 0, ";
    EXPECT_EQ(Report(geo), expected);
    EXPECT_EQ(Report(geo), expected) << "a second report is the same";
}

TEST(GeoTiffReport, TransformationIsFourPaddedRows) {
    CGeoTIFF geo;
    ASSERT_EQ(geo.LoadGeoTIFFFile(vtest::DataPath("geotiff/rasterio_rotated.tif").c_str()), 1);
    const std::string report = Report(geo);
    const std::string expected =
        "\nModelTransformationTag:\n"
        "       17.3205,              5,              0,            100, \n"
        "            10,       -8.66025,              0,            200, \n"
        "             0,              0,              0,              0, \n"
        "             0,              0,              0,              1, \n";
    EXPECT_EQ(report, KeyLines({}) + expected);
}

TEST(GeoTiffReport, CallersStreamSettingsAreKept) {
    CGeoTIFF geo;
    std::ostringstream out;
    out.precision(2);
    out << std::fixed;
    geo.OutputResult(out);
    EXPECT_EQ(out.str(), KeyLines({}));
    EXPECT_EQ(out.precision(), 2);
    EXPECT_TRUE(out.flags() & std::ios_base::fixed);
}

// "tag.txt" in the current directory; when it cannot be created, a message
// on standard error and the process goes on.
TEST(GeoTiffReport, TagTxtInTheCurrentDirectory) {
    vtest::TempDir dir;
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    CGeoTIFF geo;
    geo.OutputResult();
    const std::vector<unsigned char> written = vtest::ReadAll("tag.txt");
    unlink("tag.txt");
    ASSERT_EQ(mkdir("tag.txt", 0755), 0);  // a directory cannot be opened as the report
    testing::internal::CaptureStderr();
    geo.OutputResult();
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(geo.OutputResult("tag.txt"), 0);
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(std::string(written.begin(), written.end()), KeyLines({}));
    EXPECT_EQ(message, "cannot create \"tag.txt\" for output\n");
}

}  // namespace
