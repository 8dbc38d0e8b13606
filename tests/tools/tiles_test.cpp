// velmora tiles: the pyramid's files and tile sizes (against vips dzsave
// where it is installed) and every level's pixels against an area average
// of the source, also for an image in a page file; and the viewer's tiles,
// made one at a time, against that pyramid.
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "tools/dz_source.h"
#include "tools/dz_tile_source.h"
#include "tools/dz_tile_store.h"
#include "tools/tool_fixture.h"
#include "velmora/image.hpp"

namespace {

namespace fs = std::filesystem;
using Pixels = std::vector<std::uint8_t>;  // RGB, top row first

struct Case {
    int width, height, tile, overlap;
    const char* format;
    double minPsnr;  // JPEG: tiles of a few pixels lose colour detail whatever the quality
};

// Smooth at every level (a few waves across the picture, mostly in
// brightness: JPEG tiles halve the colour resolution) with some pixel-level
// detail, so averaging errors show.
Pixels Source(int w, int h) {
    Pixels p(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                p[(static_cast<size_t>(y) * w + x) * 3 + c] =
                    static_cast<std::uint8_t>(128 + (90 - 20 * c) * std::sin(6.0 * x / w + 4.0 * y / h) + (x * y + c) % 7);
    return p;
}

// Level pixel (x, y) is the mean of the source pixels of its
// 2^shift x 2^shift block that exist.
Pixels Reference(const Pixels& src, int w, int h, int shift, int lw, int lh) {
    Pixels out(static_cast<size_t>(lw) * lh * 3);
    const int n = 1 << shift;
    for (int y = 0; y < lh; ++y)
        for (int x = 0; x < lw; ++x)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                int count = 0;
                for (int sy = y * n; sy < std::min(h, (y + 1) * n); ++sy)
                    for (int sx = x * n; sx < std::min(w, (x + 1) * n); ++sx, ++count)
                        sum += src[(static_cast<size_t>(sy) * w + sx) * 3 + c];
                out[(static_cast<size_t>(y) * lw + x) * 3 + c] = static_cast<std::uint8_t>(sum / count + 0.5);
            }
    return out;
}

double Psnr(const Pixels& a, const Pixels& b) {
    double se = 0;
    for (size_t i = 0; i < a.size(); ++i) se += (a[i] - b[i]) * (a[i] - b[i]);
    return se == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * a.size() / se);
}

// Every tile under DIR/<stem>_files: "level/col_row.ext" -> width x height.
std::map<std::string, std::pair<int, int>> TileSizes(const fs::path& files) {
    std::map<std::string, std::pair<int, int>> sizes;
    for (const auto& level : fs::directory_iterator(files)) {
        if (!level.is_directory()) continue;
        for (const auto& tile : fs::directory_iterator(level.path())) {
            const velmora::Image image = velmora::Image::open(tile.path().string());
            sizes[level.path().filename().string() + "/" + tile.path().filename().string()] = {image.width(),
                                                                                               image.height()};
        }
    }
    return sizes;
}

// A level put together from its tiles, each tile's overlap left out.
Pixels Assemble(const fs::path& dir, int lw, int lh, int tile, int overlap, const std::string& ext) {
    Pixels out(static_cast<size_t>(lw) * lh * 3);
    for (int r = 0; r * tile < lh; ++r)
        for (int c = 0; c * tile < lw; ++c) {
            const velmora::Image image =
                velmora::Image::open((dir / (std::to_string(c) + "_" + std::to_string(r) + "." + ext)).string());
            Pixels px(static_cast<size_t>(image.width()) * image.height() * image.channels());
            image.copy_pixels(0, image.height(), px.data(), px.size());
            const int x0 = c * tile - (c ? overlap : 0), y0 = r * tile - (r ? overlap : 0);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    for (int k = 0; k < 3; ++k)
                        out[(static_cast<size_t>(y0 + y) * lw + x0 + x) * 3 + k] =
                            px[(static_cast<size_t>(y) * image.width() + x) * image.channels() + k];
        }
    return out;
}

class Tiles : public vtool::Tool {};

TEST_F(Tiles, LevelsMatchAreaAverageAndVipsLayout) {
    const Case cases[] = {
        {1, 1, 254, 1, "png", 99},     {5, 3, 254, 1, "png", 40},   {300, 211, 254, 1, "png", 40},
        {517, 255, 254, 1, "jpg", 28}, {129, 97, 32, 3, "png", 40}, {64, 64, 16, 0, "jpg", 28},
    };
    const bool vips = std::system("command -v vips >/dev/null 2>&1") == 0;
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.width) + "x" + std::to_string(k.height) + " " + k.format);
        const Pixels src = Source(k.width, k.height);
        const std::string in = dir.file("pic.png"), out = dir.file("out"), ref = dir.file("ref");
        fs::remove_all(out);
        velmora::Image::from_pixels(k.width, k.height, 24, src.data(), k.width * 3u).save(in);
        const std::string opts = " --tile-size " + std::to_string(k.tile) + " --overlap " + std::to_string(k.overlap);
        // JPEG tiles near-lossless: the levels' averaging is what is measured.
        const std::string quality = std::string(k.format) == "jpg" ? " --quality 97" : "";
        ASSERT_EQ(Run("tiles " + vtool::Quote(in) + " " + vtool::Quote(out) + opts + quality + " --format " + k.format)
                      .status,
                  0);
        const std::vector<unsigned char> bytes = vtest::ReadAll(out + "/pic.dzi");
        const std::string dzi(bytes.begin(), bytes.end());
        EXPECT_TRUE(vtool::Has(dzi, "Width=\"" + std::to_string(k.width) + "\"")) << dzi;
        EXPECT_TRUE(vtool::Has(dzi, std::string("Format=\"") + k.format + "\"")) << dzi;
        int top = 0;
        while ((1 << top) < std::max(k.width, k.height)) ++top;
        EXPECT_TRUE(fs::is_directory(out + "/pic_files/" + std::to_string(top)));
        EXPECT_FALSE(fs::exists(out + "/pic_files/" + std::to_string(top + 1)));
        for (int level = 0; level <= top; ++level) {
            const int n = 1 << (top - level), lw = (k.width + n - 1) / n, lh = (k.height + n - 1) / n;
            const Pixels got = Assemble(out + "/pic_files/" + std::to_string(level), lw, lh, k.tile, k.overlap,
                                        k.format);
            EXPECT_GE(Psnr(got, Reference(src, k.width, k.height, top - level, lw, lh)), k.minPsnr) << level;
        }
        if (!vips) continue;
        const std::string call = "vips dzsave " + vtool::Quote(in) + " " + vtool::Quote(ref + "/pic") + opts +
                                 " --suffix ." + k.format + " >/dev/null 2>&1";
        fs::remove_all(ref);
        fs::create_directories(ref);
        ASSERT_EQ(std::system(call.c_str()), 0) << call;
        EXPECT_EQ(TileSizes(out + "/pic_files"), TileSizes(ref + "/pic_files"));
    }
}

// Every file under `root`, by its path below it.
std::map<std::string, std::vector<unsigned char>> Files(const fs::path& root) {
    std::map<std::string, std::vector<unsigned char>> files;
    for (const auto& f : fs::recursive_directory_iterator(root))
        if (f.is_regular_file()) files[fs::relative(f.path(), root).string()] = vtest::ReadAll(f.path().string());
    return files;
}

// An image larger than the memory limit lives in a page file: the pyramid
// then reads its rows across many row windows.
TEST_F(Tiles, AnImageInAPageFileGivesTheSameTiles) {
    const int w = 1100, h = 1000;  // 3.3 MB
    const Pixels src = Source(w, h);
    const std::string in = dir.file("pic.bmp");
    velmora::Image::from_pixels(w, h, 24, src.data(), w * 3u).save(in);
    const vtool::Outcome info = Run("--memory-limit 2M info " + vtool::Quote(in));
    ASSERT_TRUE(vtool::Has(info.out, "storage:   page file")) << info.out;
    ASSERT_EQ(Run("tiles " + vtool::Quote(in) + " " + Out("memory")).status, 0);
    ASSERT_EQ(Run("--memory-limit 2M tiles " + vtool::Quote(in) + " " + Out("paged")).status, 0);
    const auto memory = Files(dir.file("memory")), paged = Files(dir.file("paged"));
    EXPECT_EQ(memory.size(), 38u);  // the descriptor and 37 tiles in 12 levels
    EXPECT_TRUE(memory == paged);
}

// --bands and --scale make the same picture for tiles as for convert (a
// 45 x 30 raster: the whole image is the top level's one tile).
TEST_F(Tiles, ChosenBandsTileAsConvertRendersThem) {
    for (const std::string options : {"--scale 300 1566", "--bands 3,2,1 --scale -2e9 2e9"}) {
        const std::string in = vtool::Quote(vtest::DataPath(options[2] == 's' ? "raster/u16_dem_deflate.tif"
                                                                              : "raster/i32_rgb_tiled.tif"));
        const std::string png = dir.file("convert.png");
        ASSERT_EQ(Run("convert " + in + " " + vtool::Quote(png) + " " + options).status, 0) << options;
        ASSERT_EQ(Run("tiles " + in + " " + Out("bands") + " --format png " + options).status, 0) << options;
        const auto pixels = [](const std::string& path) {
            const velmora::Image image = velmora::Image::open(path);
            Pixels rgb(size_t(image.width()) * image.height() * 3);
            velmora::cli::StreamRgbRows(image, 0, image.height(), [&, at = rgb.data()](const std::uint8_t* row) mutable {
                at = std::copy(row, row + image.width() * 3, at);
            });
            return rgb;
        };
        const std::string stem = options[2] == 's' ? "u16_dem_deflate" : "i32_rgb_tiled";
        EXPECT_EQ(pixels(dir.file("bands/" + stem + "_files/6/0_0.png")), pixels(png)) << options;
    }
    EXPECT_EQ(Run("tiles " + vtool::Quote(vtest::DataPath("raster/u16_dem_deflate.tif")) + " " + Out("bad") +
                  " --bands 9").status, 1);
}

// The source a viewer's tile reads: every pixel it covers down two levels,
// then four evenly spread per tile pixel, never more.
TEST(ViewerTileSource, ReadsOnlyWhatTheTileShows) {
    const struct {
        int first, count, extent, shift;
        std::vector<int> positions;
    } cases[] = {
        {3, 2, 100, 0, {3, 4}},
        {1, 2, 10, 2, {4, 5, 6, 7, 8, 9}},           // the last pixel covers two
        {0, 2, 100, 3, {1, 3, 5, 7, 9, 11, 13, 15}},  // the middles of quarters of 8
        {1, 1, 10, 3, {8, 8, 9, 9}},                  // a last pixel covering two
        {2, 1, 1000, 8, {544, 608, 672, 736}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(velmora::cli::SourcePositions(c.first, c.count, c.extent, c.shift), c.positions) << c.shift;
}

// Tiles the viewer makes one at a time against the pyramid written in one
// pass: the same files down two levels from the top, close to the area
// average below, where 4 x 4 samples stand for each pixel.
TEST_F(Tiles, ViewerTilesMatchThePyramid) {
    const int w = 2100, h = 300;  // level 9 (8 x 8 per pixel) is two tiles across; level 8 the whole image
    const Pixels src = Source(w, h);
    const velmora::Image image = velmora::Image::from_pixels(w, h, 24, src.data(), w * 3u);
    velmora::cli::DzOptions options;
    options.quality = 97;  // JPEG near-lossless: the levels' averaging is what is measured
    velmora::cli::WriteDeepZoom(image, dir.file("ref"), "pic", options);
    velmora::cli::DzTileStore store(image, options, dir.file("cache"));
    const velmora::cli::DzGeometry& g = store.geometry();
    ASSERT_EQ(g.top(), 12);
    ASSERT_EQ(g.WholeLevel(), 8);
    for (int level = g.top(); level >= 0; --level) {
        const int lw = g.LevelWidth(level), lh = g.LevelHeight(level);
        for (int r = 0; r < g.TileCount(lh); ++r)
            for (int c = 0; c < g.TileCount(lw); ++c) {
                const std::string name = std::to_string(level) + "/" + std::to_string(c) + "_" + std::to_string(r) + ".jpg";
                const std::string file = store.TileFile(level, c, r);
                if (level >= g.top() - 2) {
                    EXPECT_EQ(vtest::ReadAll(file), vtest::ReadAll(dir.file("ref/pic_files/" + name))) << name;
                }
            }
        const Pixels got = Assemble(dir.file("cache") + "/" + std::to_string(level), lw, lh, g.tile_size, g.overlap, "jpg");
        EXPECT_GE(Psnr(got, Reference(src, w, h, g.top() - level, lw, lh)), 28) << level;
    }
    EXPECT_EQ(store.TileFile(12, 9, 0), "");  // past the last column
}

// A browser asks for several tiles at once: each thread below walks every
// tile in its own order, and the files come out as one thread makes them.
TEST_F(Tiles, ViewerTilesAskedAtOnceAreWhole) {
    const int w = 1100, h = 700;
    const Pixels src = Source(w, h);
    const velmora::Image image = velmora::Image::from_pixels(w, h, 24, src.data(), w * 3u);
    velmora::cli::DzTileStore alone(image, velmora::cli::DzOptions(), dir.file("alone"));
    velmora::cli::DzTileStore shared(image, velmora::cli::DzOptions(), dir.file("shared"));
    const velmora::cli::DzGeometry& g = alone.geometry();
    std::vector<std::array<int, 3>> tiles;
    for (int level = 0; level <= g.top(); ++level)
        for (int r = 0; r < g.TileCount(g.LevelHeight(level)); ++r)
            for (int c = 0; c < g.TileCount(g.LevelWidth(level)); ++c) tiles.push_back({level, c, r});
    for (const auto& t : tiles) alone.TileFile(t[0], t[1], t[2]);
    std::vector<std::thread> threads;
    for (int k = 0; k < 4; ++k)
        threads.emplace_back([&, k] {
            for (size_t i = 0; i < tiles.size(); ++i) {
                const auto& t = tiles[k % 2 ? tiles.size() - 1 - i : (i + k * 7) % tiles.size()];
                shared.TileFile(t[0], t[1], t[2]);
            }
        });
    for (std::thread& t : threads) t.join();
    const auto made = Files(dir.file("alone"));
    EXPECT_EQ(made.size(), tiles.size());
    EXPECT_TRUE(made == Files(dir.file("shared")));
}

}  // namespace
