// A DeepZoom pyramid built in one pass over an image's rows: each level is
// the one above halved by 2x2 area averaging (each pixel the mean of the
// source pixels it covers, the last row and column what is left), and each level keeps only
// the strip of rows its current row of tiles needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmora::cli {

// Where a tile lies along one axis of a level, in level pixels.
struct TileSpan {
    int start = 0, size = 0;
};

// The levels and tiles of a DeepZoom pyramid: level top() is the image, each
// level below has ceil(half) its width and height, level 0 is 1 x 1.
struct DzGeometry {
    int width = 0, height = 0;
    int tile_size = 254, overlap = 1;

    int top() const;
    int LevelWidth(int level) const;
    int LevelHeight(int level) const;
    // The largest level whose whole fits one tile (what a viewer asks first).
    int WholeLevel() const;
    // Tiles across a level side of `extent` pixels.
    int TileCount(int extent) const;
    // Tile `index` along a level side of `extent` pixels, overlap included.
    TileSpan Tile(int index, int extent) const;
};

// The DeepZoom descriptor (X.dzi) of a pyramid whose tiles are `format` files.
std::string DziText(const DzGeometry& geometry, const std::string& format);

// RGB pixels of one tile, top row first.
struct TileImage {
    int level, column, row;
    int width, height;
    const std::uint8_t* pixels;
    std::size_t stride;
};
using TileSink = std::function<void(const TileImage& tile)>;

// Takes the rows (RGB, top first) of one level, the image's by default, and
// hands every tile of it and of the levels below to the sink as soon as its
// pixels are known.
class PyramidBuilder {
public:
    PyramidBuilder(const DzGeometry& geometry, TileSink sink);
    PyramidBuilder(const DzGeometry& geometry, TileSink sink, int firstLevel);
    // The rows the levels hold now: a strip of tiles and two rows each.
    std::size_t BytesHeld() const;
    void AddRow(const std::uint8_t* rgb);
    // After the last row: flushes odd last rows into the levels below.
    void Finish();

private:
    struct Level {
        int width = 0, height = 0;
        int rows_in = 0;       // rows of this level received so far
        int strip_top = 0;     // level row held first in `strip`
        int tile_row = 0;      // the next row of tiles to emit
        std::vector<std::uint8_t> strip, pending, halved;  // halved: a row for the level below
    };
    void Push(int level, const std::uint8_t* rgb);
    void EmitReadyTiles(int level);
    bool EmitTileRow(int level);
    // wa, wb: the source rows rows a and b cover.
    void HalveInto(int level, const std::uint8_t* a, const std::uint8_t* b, long long wa, long long wb);

    DzGeometry m_geometry;
    int m_first;  // the level AddRow feeds
    TileSink m_sink;
    std::vector<Level> m_levels;
};

// RGB pixels, top row first, rows packed.
struct RgbPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
};

// `picture` halved `halvings` times (down to 1 x 1 at most) as the
// pyramid's levels are: each pixel the mean of the 2^halvings square it
// covers, the last row and column what is left.
RgbPicture AreaReduced(RgbPicture picture, int halvings);

}  // namespace velmora::cli
