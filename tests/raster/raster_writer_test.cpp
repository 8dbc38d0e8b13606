// RasterWriter through <velmora/raster.hpp>: windows in a shuffled order
// (pending blocks spilled under a small memory limit) read back exactly by
// the raster reader; refused windows and profiles leave no file; an abandoned
// writer keeps the previous file. (GDAL's view and COG validity:
// tests/python/test_raster_writer.py.)
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "support/test_support.h"
#include "velmora/raster.hpp"

namespace {

using velmora::RasterProfile;
using velmora::RasterWindow;
using velmora::RasterWriter;
using velmora::SampleType;

std::vector<std::uint8_t> Pattern(std::size_t bytes, unsigned seed) {
    std::vector<std::uint8_t> v(bytes);
    std::mt19937 gen(seed);
    for (auto& b : v) b = std::uint8_t(gen() % 7 * 17);  // compressible, every byte pattern of a type
    return v;
}

// Windows that do not line up with the blocks, in a shuffled order.
std::vector<RasterWindow> ShuffledWindows(std::int64_t width, std::int64_t height) {
    std::vector<RasterWindow> windows;
    for (std::int64_t row = 0; row < height; row += 23)
        for (std::int64_t col = 0; col < width; col += 37)
            windows.push_back({col, row, std::min<std::int64_t>(37, width - col), std::min<std::int64_t>(23, height - row)});
    std::shuffle(windows.begin(), windows.end(), std::mt19937(7));
    return windows;
}

// The window of `whole` (band planes of width x height), bands in order.
std::vector<std::uint8_t> Cut(const std::vector<std::uint8_t>& whole, const RasterProfile& s, const RasterWindow& w) {
    const std::size_t n = velmora::sample_bytes(s.type);
    std::vector<std::uint8_t> part;
    for (int b = 0; b < s.count; ++b)
        for (std::int64_t y = w.row; y < w.row + w.height; ++y) {
            const auto at = whole.begin() + std::ptrdiff_t(((b * s.height + y) * s.width + w.col) * n);
            part.insert(part.end(), at, at + std::ptrdiff_t(w.width * n));
        }
    return part;
}

struct Case {
    SampleType type;
    int count;
    const char* compression;
    bool tiled, cog;
    std::uint64_t memoryLimit;
};

class WriterRoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(WriterRoundTrip, ReadsBackExactly) {
    const Case c = GetParam();
    vtest::TempDir dir;
    velmora::set_memory_limit(c.memoryLimit);
    RasterProfile s;
    s.width = 150, s.height = 97, s.count = c.count, s.type = c.type, s.compression = c.compression;
    s.tiled = c.tiled, s.cog = c.cog, s.block_width = 32, s.block_height = 32;
    s.geotransform = std::array<double, 6>{500000, 30, 0, 4100000, 0, -30};
    s.epsg = 32633;
    s.nodata = 7;
    const std::size_t n = velmora::sample_bytes(c.type);
    const auto whole = Pattern(std::size_t(s.width * s.height * c.count) * n, 3);
    std::vector<int> bands;
    for (int b = 1; b <= c.count; ++b) bands.push_back(b);
    RasterWriter w = RasterWriter::create(dir.file("out.tif"), s);
    for (const RasterWindow& win : ShuffledWindows(s.width, s.height)) {
        const auto part = Cut(whole, s, win);
        w.write(win, bands, part.data(), part.size(), c.type);
    }
    w.close();
    velmora::set_memory_limit(0);
    const velmora::Raster r = velmora::Raster::open(dir.file("out.tif"));
    EXPECT_EQ(r.info().type, c.type);
    EXPECT_EQ(r.info().compression, c.compression);
    EXPECT_EQ(r.info().epsg, 32633);
    EXPECT_EQ(r.info().nodata, 7.0);
    EXPECT_EQ((*r.info().geotransform)[0], 500000);
    EXPECT_EQ(c.cog, !r.info().overviews.empty());
    std::vector<std::uint8_t> back(whole.size());
    r.read({0, 0, s.width, s.height}, bands, {s.width, s.height}, back.data(), back.size(), c.type);
    EXPECT_TRUE(back == whole);
    EXPECT_EQ(dir.List().size(), 1u);  // no temporary or scratch file left
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, WriterRoundTrip,
    ::testing::Values(Case{SampleType::uint8, 1, "deflate", true, false, 0},
                      Case{SampleType::uint8, 3, "lzw", false, false, 0},
                      Case{SampleType::int16, 2, "zstd", true, true, 0},
                      Case{SampleType::uint32, 1, "lzma", true, false, 0},
                      Case{SampleType::float32, 1, "deflate", true, true, 64 << 10},  // spills pending blocks
                      Case{SampleType::float64, 2, "none", false, false, 0},
                      Case{SampleType::int64, 1, "zstd", true, false, 0},
                      Case{SampleType::uint16, 3, "lerc", true, false, 0},
                      Case{SampleType::int8, 4, "deflate", true, true, 0}));

TEST(RasterWriterRefuses, BadWindowsBeforeWritingAnything) {
    vtest::TempDir dir;
    RasterProfile s;
    s.width = 64, s.height = 64, s.count = 2, s.type = SampleType::uint16, s.block_width = 32, s.block_height = 32;
    RasterWriter w = RasterWriter::create(dir.file("out.tif"), s);
    std::vector<std::uint8_t> buf(64 * 64 * 2 * 2);
    w.write({0, 0, 32, 32}, {1, 2}, buf.data(), buf.size(), SampleType::uint16);  // block 0 complete
    const struct {
        RasterWindow window;
        std::vector<int> bands;
        std::size_t bytes;
        SampleType type;
    } bad[] = {
        {{40, 40, 30, 10}, {1}, buf.size(), SampleType::uint16},  // past the right edge
        {{-1, 0, 4, 4}, {1}, buf.size(), SampleType::uint16},
        {{32, 0, 8, 8}, {1}, buf.size(), SampleType::int16},      // another type
        {{32, 0, 8, 8}, {3}, buf.size(), SampleType::uint16},     // band out of range
        {{32, 0, 8, 8}, {1, 1}, buf.size(), SampleType::uint16},
        {{32, 0, 8, 8}, {1, 2}, 8 * 8 * 2 * 2 - 1, SampleType::uint16},  // short buffer
        {{30, 30, 4, 4}, {1}, buf.size(), SampleType::uint16},    // reaches the encoded block
    };
    for (const auto& b : bad) {
        EXPECT_THROW(w.write(b.window, b.bands, buf.data(), b.bytes, b.type), velmora::Error)
            << b.window.col << "," << b.window.row;
    }
    w.close();  // the refusals did not spoil the writer
    EXPECT_EQ(velmora::Raster::open(dir.file("out.tif")).info().type, SampleType::uint16);
}

TEST(RasterWriterRefuses, ProfilesTheCodecCannotHonour) {
    vtest::TempDir dir;
    const auto profile = [](SampleType t, int count, const char* compression, int predictor) {
        RasterProfile s;
        s.width = 10, s.height = 10, s.type = t, s.count = count, s.compression = compression, s.predictor = predictor;
        return s;
    };
    for (const RasterProfile& s : {profile(SampleType::float32, 1, "jpeg", 0), profile(SampleType::uint8, 2, "jpeg", 0),
                                profile(SampleType::uint8, 1, "snappy", 0), profile(SampleType::int16, 1, "deflate", 3),
                                profile(SampleType::uint8, 1, "none", 2), profile(SampleType::complex64, 1, "none", 0),
                                profile(SampleType::int64, 1, "lerc", 0)}) {
        EXPECT_THROW(RasterWriter::create(dir.file("out.tif"), s), velmora::Error) << s.compression;
    }
    RasterProfile odd = profile(SampleType::uint8, 1, "none", 0);
    odd.block_width = 100;
    EXPECT_THROW(RasterWriter::create(dir.file("out.tif"), odd), velmora::Error);
    EXPECT_TRUE(dir.List().empty());
}

TEST(RasterWriterAbandoned, LeavesThePreviousFileAsItWas) {
    vtest::TempDir dir;
    const std::string target = dir.file("keep.tif");
    std::ofstream(target) << "previous";
    {
        RasterProfile s;
        s.width = 40, s.height = 40, s.cog = true;
        RasterWriter w = RasterWriter::create(target, s);
        std::vector<std::uint8_t> buf(20 * 20);
        w.write({0, 0, 20, 20}, {1}, buf.data(), buf.size(), SampleType::uint8);
    }
    std::ifstream in(target);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "previous");
    EXPECT_EQ(dir.List().size(), 1u);
}

TEST(RasterWriterOverviews, FactorsUntilOneBlockHoldsTheSmallest) {
    EXPECT_EQ(velmora::auto_overview_factors(40000, 40000, 512, 512), (std::vector<int>{2, 4, 8, 16, 32, 64, 128}));
    EXPECT_EQ(velmora::auto_overview_factors(513, 100, 512, 512), (std::vector<int>{2}));
    EXPECT_TRUE(velmora::auto_overview_factors(512, 512, 512, 512).empty());
}

}  // namespace
