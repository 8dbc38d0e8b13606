// The writer's second stage on TIFF files libtiff wrote: a directory
// appended on a word boundary, in the file's own byte order, that libtiff
// and the loader read back.
#include <gtest/gtest.h>
#include <tiffio.h>

#include "frame/endian.h"
#include "geotiff/tiff_append.h"
#include "support/test_support.h"
#include "velmora/geotiff.h"

namespace {

namespace geo = velmora::geo;

// A 5 x 3 grey TIFF in the byte order asked for, with `extra` bytes after it.
std::string PlainTiff(const std::string& path, bool bigEndian, size_t extra) {
    TIFF* tif = TIFFOpen(path.c_str(), bigEndian ? "wb" : "wl");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 5);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 3);
    for (uint32_t row = 0; row < 3; ++row) {
        unsigned char line[5] = {1, 2, 3, 4, static_cast<unsigned char>(row)};
        TIFFWriteScanline(tif, line, row, 0);
    }
    TIFFClose(tif);
    std::vector<unsigned char> bytes = vtest::ReadAll(path);
    bytes.resize(bytes.size() + extra, 0xEE);
    vtest::WriteAll(path, bytes);
    return path;
}

std::vector<geo::GeoTag> SampleTags() {
    using geo::GeoTag;
    return {GeoTag::Doubles(geo::kModelPixelScaleTag, {30, 30, 0}),
            GeoTag::Doubles(geo::kModelTiepointTag, {0, 0, 0, 1e5, 2e6, 0}),
            GeoTag::Shorts(geo::kGeoKeyDirectoryTag, {1, 1, 0, 3, 1024, 0, 1, 1, 1026, 34737, 4, 0, 3081, 34736, 1, 0}),
            GeoTag::Doubles(geo::kGeoDoubleParamsTag, {45.5}),
            GeoTag::Ascii(geo::kGeoAsciiParamsTag, std::string("UTM|", 5))};
}

void Append(const std::string& path, const std::vector<geo::GeoTag>& tags) {
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeReadWrite));
    geo::AppendDirectory(file, tags);
    file.Close();
}

struct Case {
    bool bigEndian;
    size_t extra;  // bytes after libtiff's file: 1 makes its length odd
};

class AppendedDirectory : public ::testing::TestWithParam<Case> {};

TEST_P(AppendedDirectory, StartsAtTheEndOnAWordBoundaryAndReadsBack) {
    vtest::TempDir dir;
    const std::string path = PlainTiff(dir.file("plain.tif"), GetParam().bigEndian, GetParam().extra);
    const size_t before = vtest::ReadAll(path).size();
    Append(path, SampleTags());

    const std::vector<unsigned char> bytes = vtest::ReadAll(path);
    const velmora::ByteOrder order{GetParam().bigEndian};
    const uint32_t directory = order.U32(&bytes[4]);
    EXPECT_EQ(directory, before + (before & 1));
    EXPECT_EQ(directory % 2, 0u);
    // Entries in ascending tag order, the old ones first.
    const WORD count = order.U16(&bytes[directory]);
    std::vector<WORD> tags;
    for (WORD i = 0; i < count; ++i) tags.push_back(order.U16(&bytes[directory + 2 + i * 12]));
    EXPECT_TRUE(std::is_sorted(tags.begin(), tags.end()));
    EXPECT_EQ(std::vector<WORD>(tags.end() - 5, tags.end()), (std::vector<WORD>{33550, 33922, 34735, 34736, 34737}));

    // libtiff still finds the image.
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint32_t width = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    unsigned char line[5] = {};
    EXPECT_EQ(TIFFReadScanline(tif, line, 2, 0), 1);
    TIFFClose(tif);
    EXPECT_EQ(width, 5u);
    EXPECT_EQ(line[4], 2);

    CGeoTIFF loaded;
    ASSERT_EQ(loaded.LoadGeoTIFFFile(path.c_str()), 1);
    std::ostringstream sink;
    loaded.OutputResult(sink);
    EXPECT_EQ(loaded.GetShortGeoKey(1024), 1);
    EXPECT_STREQ(loaded.GetTextGeoKey(1026), "UTM");  // four bytes and a NUL: stored at an offset
    EXPECT_EQ(loaded.GetDoubleGeoKey(3081), 45.5);
    double* points;
    int n;
    loaded.GetModelTiepointTag(&points, &n);
    ASSERT_EQ(n, 6);
    EXPECT_EQ(points[4], 2e6);
}

INSTANTIATE_TEST_SUITE_P(Files, AppendedDirectory,
                         ::testing::Values(Case{false, 0}, Case{false, 1}, Case{true, 0}, Case{true, 1}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.bigEndian ? "BigEndian" : "LittleEndian") +
                                    (info.param.extra ? "OddLength" : "EvenLength");
                         });

TEST(AppendedDirectoryData, FourBytesOrFewerAreStoredInTheEntry) {
    vtest::TempDir dir;
    const std::string path = PlainTiff(dir.file("plain.tif"), false, 0);
    Append(path, {geo::GeoTag::Ascii(geo::kGeoAsciiParamsTag, std::string("AB|", 4))});
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    TIFFClose(tif);
    CGeoTIFF loaded;
    ASSERT_EQ(loaded.LoadGeoTIFFFile(path.c_str()), 1);
    char* text;
    int n;
    loaded.GetGeoAsciiParamsTag(&text, &n);
    ASSERT_EQ(n, 4);
    EXPECT_EQ(std::string(text, 4), std::string("AB|", 4));
}

TEST(AppendedDirectoryData, NotATiffFileIsAFileException) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("not.tif"), {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0});
    CFile file;
    ASSERT_TRUE(file.Open(dir.file("not.tif").c_str(), CFile::modeReadWrite));
    EXPECT_THROW(geo::AppendDirectory(file, SampleTags()), CFileException);
    file.Close();
    EXPECT_EQ(vtest::ReadAll(dir.file("not.tif")).size(), 10u);
}

}  // namespace
