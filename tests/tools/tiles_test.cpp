// velmora tiles: the pyramid's files and tile sizes (against vips dzsave
// where it is installed) and every level's pixels against an area average
// of the source.
#include <cmath>
#include <filesystem>
#include <map>
#include <vector>

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

}  // namespace
