// The raster layer through <velmora/raster.hpp>: windows agree with the whole
// read in every layout, threads under a small memory limit read the same
// bytes while the cache stays inside its share, and damaged files fail the
// read with a text. (Values against GDAL's: tests/python/test_raster.py.)
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "storage/memory_budget.h"
#include "support/test_support.h"
#include "velmora/raster.hpp"

namespace {

using velmora::Raster;
using velmora::RasterWindow;

std::string RasterFile(const std::string& name) { return vtest::DataPath("raster/" + name); }

std::vector<std::uint8_t> ReadAll(const Raster& r, const RasterWindow& w, const std::vector<int>& bands) {
    std::vector<std::uint8_t> out(std::size_t(w.width * w.height) * bands.size() * velmora::sample_bytes(r.info().type));
    r.read(w, bands, {w.width, w.height}, out.data(), out.size(), r.info().type);
    return out;
}

// Strips, tiles, planes, packed and widened samples.
class WindowsAgree : public ::testing::TestWithParam<const char*> {};

TEST_P(WindowsAgree, WithTheWholeRead) {
    const Raster r = Raster::open(RasterFile(GetParam()));
    const std::size_t bytes = velmora::sample_bytes(r.info().type);
    std::vector<int> bands;
    for (int b = r.count(); b >= 1; --b) bands.push_back(b);
    const auto whole = ReadAll(r, {0, 0, r.width(), r.height()}, bands);
    for (const RasterWindow& w : {RasterWindow{5, 3, 17, 9}, RasterWindow{r.width() - 1, r.height() - 1, 1, 1},
                                  RasterWindow{0, 7, r.width(), 1}}) {
        const auto part = ReadAll(r, w, bands);
        for (std::size_t b = 0; b < bands.size(); ++b)
            for (std::int64_t y = 0; y < w.height; ++y)
                ASSERT_EQ(0, std::memcmp(part.data() + ((b * w.height + y) * w.width) * bytes,
                                         whole.data() + ((b * r.height() + w.row + y) * r.width() + w.col) * bytes,
                                         w.width * bytes))
                    << GetParam() << " band " << bands[b] << " row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, WindowsAgree,
                         ::testing::Values("u8_strips.tif", "u8_rgba_planar_deflate.tif", "u32_planar_lzma.tif",
                                           "i32_rgb_tiled.tif", "u16_12bit.tif", "u8_1bit.tif", "f16_half.tif",
                                           "u32_24bit.tif", "bigtiff_deflate.tif", "jpeg_ycbcr.tif"));

TEST(RasterThreads, ReadTheSameBytesWhileTheCacheKeepsToItsShare) {
    const std::uint64_t limit = 4u << 20;
    velmora::set_memory_limit(limit);
    const Raster r = Raster::open(RasterFile("rgb_mask_overviews.tif"));
    const auto expected = ReadAll(r, {0, 0, r.width(), r.height()}, {1, 2, 3});
    std::vector<std::vector<std::uint8_t>> got(8);
    std::vector<std::thread> threads;
    for (auto& g : got)
        threads.emplace_back([&r, &g] {
            for (int round = 0; round < 20; ++round) g = ReadAll(r, {0, 0, r.width(), r.height()}, {1, 2, 3});
        });
    for (auto& t : threads) t.join();
    EXPECT_LE(velmora::BudgetReserved(), limit / 4);
    velmora::set_memory_limit(0);
    for (const auto& g : got) EXPECT_EQ(expected, g);
}

void CopyCut(const std::string& from, const std::string& to, double keep) {
    std::ifstream in(from, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(to, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size() * keep));
}

// Garbage over the middle of the first tile's compressed bytes.
void Scribble(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    const uint64_t offset = TIFFGetStrileOffset(tif, 0), count = TIFFGetStrileByteCount(tif, 0);
    TIFFClose(tif);
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(std::streamoff(offset + count / 4));
    const std::string junk(count / 2, '\xA5');
    f.write(junk.data(), std::streamsize(junk.size()));
}

// One 65536 x 65536 tile of doubles (32 GiB decoded) from a few bytes.
void WriteBomb(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "w8");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 65536u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 65536u);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 65536u);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 65536u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 64);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    unsigned char raw[] = {0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
    TIFFWriteRawTile(tif, 0, raw, sizeof raw);
    TIFFClose(tif);
}

TEST(RasterDamage, FailsTheReadWithAText) {
    vtest::TempDir dir;
    const std::string cut = dir.file("cut.tif"), scribbled = dir.file("scribbled.tif"), bomb = dir.file("bomb.tif");
    CopyCut(RasterFile("u16_overviews.tif"), cut, 0.5);
    CopyCut(RasterFile("u16_overviews.tif"), scribbled, 1.0);
    Scribble(scribbled);
    WriteBomb(bomb);
    velmora::set_memory_limit(256u << 20);
    struct Case {
        std::string path;
        velmora::ErrorCode code;
        const char* text;
    };
    for (const Case& c : {Case{cut, velmora::ErrorCode::bad_data, "past the end"},
                          Case{scribbled, velmora::ErrorCode::bad_data, "damaged"},
                          Case{bomb, velmora::ErrorCode::out_of_memory, "memory limit"}}) {
        try {
            const Raster r = Raster::open(c.path);
            ReadAll(r, {0, 0, std::min<std::int64_t>(r.width(), 100), std::min<std::int64_t>(r.height(), 70)}, {1});
            ADD_FAILURE() << c.path << " read";
        } catch (const velmora::Error& e) {
            EXPECT_EQ(c.code, e.code()) << c.path;
            EXPECT_NE(std::string(e.what()).find(c.text), std::string::npos) << e.what();
        }
    }
    velmora::set_memory_limit(0);
    EXPECT_THROW(Raster::open(vtest::DataPath("MANIFEST.tsv")), velmora::Error);
}

TEST(RasterRequests, WrongTypeOrSmallBufferReadsNothing) {
    const Raster r = Raster::open(RasterFile("u16_dem_deflate.tif"));
    std::vector<std::uint16_t> out(100, 7);
    EXPECT_THROW(r.read({0, 0, 10, 10}, {1}, {10, 10}, out.data(), 200, velmora::SampleType::int16), velmora::Error);
    EXPECT_THROW(r.read({0, 0, 10, 10}, {1}, {10, 10}, out.data(), 199, velmora::SampleType::uint16), velmora::Error);
    EXPECT_EQ(std::vector<std::uint16_t>(100, 7), out);
    EXPECT_EQ(100u, r.read<std::uint16_t>({0, 0, 10, 10}, {1}, {10, 10}).size());
}

}  // namespace
