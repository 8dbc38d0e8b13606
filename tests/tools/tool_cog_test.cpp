// velmora cog: values, georeferencing and no-data of a GeoTIFF kept in a
// tiled file with overviews; pictures as 8-bit bands; refusals leave no file.
#include "tools/tool_fixture.h"
#include "velmora/raster.hpp"

namespace {

using velmora::Raster;

std::string RasterSample(const std::string& name) { return vtool::Quote(vtest::DataPath("raster/" + name)); }

// Every sample's bytes (NaN no-data compares as itself).
std::vector<std::uint8_t> Values(const Raster& r) {
    std::vector<int> bands;
    for (int b = 1; b <= r.count(); ++b) bands.push_back(b);
    std::vector<std::uint8_t> raw(std::size_t(r.width() * r.height() * r.count()) * velmora::sample_bytes(r.info().type));
    r.read({0, 0, r.width(), r.height()}, bands, {r.width(), r.height()}, raw.data(), raw.size(), r.info().type);
    return raw;
}

class CogTool : public vtool::Tool {};

TEST_F(CogTool, KeepsValuesAndGeoreferencing) {
    const struct {
        const char* file;
        const char* options;
        std::size_t overviews;
    } cases[] = {
        {"u16_dem_deflate.tif", "--blocksize 16", 2},
        {"f32_nan_nodata_pred3.tif", "--blocksize 16 --compress zstd --resampling nearest", 2},
        {"u8_rgb_tiled_lzw.tif", "--blocksize 32 --overviews none", 0},
    };
    for (const auto& c : cases) {
        const vtool::Outcome o = Run("cog " + RasterSample(c.file) + " " + Out("out.tif") + " " + c.options);
        ASSERT_EQ(o.status, 0) << c.file << o.err;
        const Raster in = Raster::open(vtest::DataPath(std::string("raster/") + c.file));
        const Raster out = Raster::open(dir.file("out.tif"));
        EXPECT_TRUE(out.info().tiled);
        EXPECT_EQ(out.info().overviews.size(), c.overviews) << c.file;
        EXPECT_EQ(out.info().type, in.info().type);
        EXPECT_EQ(out.info().geotransform, in.info().geotransform);
        EXPECT_EQ(out.info().epsg, in.info().epsg);
        EXPECT_EQ(out.info().nodata.has_value(), in.info().nodata.has_value());
        EXPECT_EQ(Values(out), Values(in)) << c.file;
    }
}

TEST_F(CogTool, PicturesBecomeEightBitBands) {
    ASSERT_EQ(Run("cog " + vtool::Sample("Info_R8_G8_B8_Top_Down.bmp") + " " + Out("rgb.tif")).status, 0);
    const Raster r = Raster::open(dir.file("rgb.tif"));
    EXPECT_EQ(r.count(), 3);
    EXPECT_EQ(r.info().type, velmora::SampleType::uint8);
}

TEST_F(CogTool, RefusalsLeaveNoFile) {
    EXPECT_EQ(Run("cog " + RasterSample("f32_nan_nodata_pred3.tif") + " " + Out("j.tif") + " --compress jpeg").status, 1);
    EXPECT_EQ(Run("cog a.tif " + Out("j.tif") + " --blocksize 17").status, 2);
    EXPECT_EQ(Run("cog " + RasterSample("u8_strips.tif") + " " + Out("j.tif") + " --overviews some").status, 2);
    EXPECT_FALSE(vtest::FileExists(dir.file("j.tif")));
}

}  // namespace
