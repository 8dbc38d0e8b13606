#include "tools/dz_pyramid.h"

#include <algorithm>
#include <string>

namespace velmora::cli {

namespace {

// ceil(extent / 2^shift) without overflow.
int Shrunk(int extent, int shift) {
    const long long unit = 1LL << shift;
    return static_cast<int>((extent + unit - 1) / unit);
}

std::size_t RowBytes(int width) { return static_cast<std::size_t>(width) * 3; }

// How many source pixels pixel `index` of a level covers along a side of
// `extent` source pixels, each pixel covering 2^shift of them.
long long Cover(int extent, int shift, int index) {
    const long long unit = 1LL << shift;
    return std::clamp(extent - index * unit, 0LL, unit);
}

}  // namespace

int DzGeometry::top() const {
    int levels = 0;
    while ((1LL << levels) < std::max(width, height)) ++levels;
    return levels;
}

int DzGeometry::LevelWidth(int level) const { return Shrunk(width, top() - level); }
int DzGeometry::LevelHeight(int level) const { return Shrunk(height, top() - level); }

int DzGeometry::WholeLevel() const {
    int level = top();
    while (level > 0 && (LevelWidth(level) > tile_size || LevelHeight(level) > tile_size)) --level;
    return level;
}

int DzGeometry::TileCount(int extent) const { return (extent + tile_size - 1) / tile_size; }

TileSpan DzGeometry::Tile(int index, int extent) const {
    const int start = std::max(0, index * tile_size - overlap);
    const int end = std::min(extent, (index + 1) * tile_size + overlap);
    return {start, end - start};
}

std::string DziText(const DzGeometry& g, const std::string& format) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<Image xmlns=\"http://schemas.microsoft.com/deepzoom/2008\"\n"
           "  Format=\"" + format + "\"\n  Overlap=\"" + std::to_string(g.overlap) + "\"\n  TileSize=\"" +
           std::to_string(g.tile_size) + "\"\n  >\n  <Size \n    Height=\"" + std::to_string(g.height) +
           "\"\n    Width=\"" + std::to_string(g.width) + "\"\n  />\n</Image>\n";
}

PyramidBuilder::PyramidBuilder(const DzGeometry& geometry, TileSink sink)
    : PyramidBuilder(geometry, std::move(sink), geometry.top()) {}

PyramidBuilder::PyramidBuilder(const DzGeometry& geometry, TileSink sink, int firstLevel)
    : m_geometry(geometry), m_first(firstLevel), m_sink(std::move(sink)), m_levels(geometry.top() + 1) {
    for (int l = 0; l <= geometry.top(); ++l) {
        m_levels[l].width = geometry.LevelWidth(l);
        m_levels[l].height = geometry.LevelHeight(l);
    }
}

std::size_t PyramidBuilder::BytesHeld() const {
    std::size_t bytes = 0;
    for (const Level& level : m_levels)
        bytes += level.strip.capacity() + level.pending.capacity() + level.halved.capacity();
    return bytes;
}

void PyramidBuilder::AddRow(const std::uint8_t* rgb) { Push(m_first, rgb); }

void PyramidBuilder::Push(int l, const std::uint8_t* rgb) {
    Level& level = m_levels[l];
    const std::size_t bytes = RowBytes(level.width);
    level.strip.insert(level.strip.end(), rgb, rgb + bytes);
    ++level.rows_in;
    EmitReadyTiles(l);
    if (l == 0) return;
    if (level.rows_in % 2 == 1) {
        level.pending.assign(rgb, rgb + bytes);
    } else {
        const int shift = m_geometry.top() - l;
        HalveInto(l, level.pending.data(), rgb, Cover(m_geometry.height, shift, level.rows_in - 2),
                  Cover(m_geometry.height, shift, level.rows_in - 1));
    }
}

// Tile rows end where their bottom overlap does; near a level's last row
// more than one can end at the same row.
void PyramidBuilder::EmitReadyTiles(int l) {
    while (EmitTileRow(l)) {
    }
}

bool PyramidBuilder::EmitTileRow(int l) {
    Level& level = m_levels[l];
    if (level.tile_row >= m_geometry.TileCount(level.height)) return false;
    const TileSpan span = m_geometry.Tile(level.tile_row, level.height);
    if (level.rows_in < span.start + span.size) return false;
    const std::size_t stride = RowBytes(level.width);
    const std::uint8_t* first = level.strip.data() + static_cast<std::size_t>(span.start - level.strip_top) * stride;
    for (int c = 0; c < m_geometry.TileCount(level.width); ++c) {
        const TileSpan across = m_geometry.Tile(c, level.width);
        m_sink({l, c, level.tile_row, across.size, span.size, first + RowBytes(across.start), stride});
    }
    ++level.tile_row;
    // Keep from where the next row of tiles starts (its top overlap).
    const int keep = std::min(level.rows_in, m_geometry.Tile(level.tile_row, level.height).start);
    const std::size_t drop = static_cast<std::size_t>(keep - level.strip_top) * stride;
    level.strip.erase(level.strip.begin(), level.strip.begin() + static_cast<std::ptrdiff_t>(drop));
    level.strip_top = keep;
    return true;
}

// One row of level l-1 from rows a and b of level l, each pixel the mean of
// the source pixels it covers: its children weigh by what they cover, so
// a last row or column covers exactly what is left.
void PyramidBuilder::HalveInto(int l, const std::uint8_t* a, const std::uint8_t* b, long long wa, long long wb) {
    const int width = m_levels[l].width, half = m_levels[l - 1].width, shift = m_geometry.top() - l;
    std::vector<std::uint8_t>& out = m_levels[l].halved;
    out.resize(RowBytes(half));
    for (int x = 0; x < half; ++x) {
        const int left = 2 * x, right = std::min(2 * x + 1, width - 1);
        const long long cl = Cover(m_geometry.width, shift, left), cr = Cover(m_geometry.width, shift, 2 * x + 1);
        std::uint8_t* to = out.data() + 3 * static_cast<std::size_t>(x);
        for (int c = 0; c < 3; ++c) {
            if (cl == cr && wa == wb) {  // the whole 2x2 block: the common case
                to[c] = static_cast<std::uint8_t>(
                    (a[3 * left + c] + a[3 * right + c] + b[3 * left + c] + b[3 * right + c] + 2) >> 2);
                continue;
            }
            const long long sum = wa * (cl * a[3 * left + c] + cr * a[3 * right + c]) +
                                  wb * (cl * b[3 * left + c] + cr * b[3 * right + c]);
            const long long weight = (wa + wb) * (cl + cr);
            to[c] = static_cast<std::uint8_t>((sum + weight / 2) / weight);
        }
    }
    Push(l - 1, out.data());
}

void PyramidBuilder::Finish() {
    for (int l = m_first; l > 0; --l) {
        Level& level = m_levels[l];
        if (level.rows_in % 2 == 0) continue;
        HalveInto(l, level.pending.data(), level.pending.data(), 1, 0);
    }
}

// A pyramid whose one tile per level is the whole level.
RgbPicture AreaReduced(RgbPicture picture, int halvings) {
    if (halvings <= 0) return picture;
    DzGeometry g;
    g.width = picture.width;
    g.height = picture.height;
    g.tile_size = std::max(picture.width, picture.height);
    g.overlap = 0;
    const int target = std::max(0, g.top() - halvings);
    RgbPicture out;
    PyramidBuilder builder(g, [&](const TileImage& tile) {
        if (tile.level != target) return;
        out.width = tile.width;
        out.height = tile.height;
        const std::size_t bytes = RowBytes(tile.width);
        for (int y = 0; y < tile.height; ++y) {
            const std::uint8_t* row = tile.pixels + tile.stride * static_cast<std::size_t>(y);
            out.pixels.insert(out.pixels.end(), row, row + bytes);
        }
    });
    const std::size_t stride = RowBytes(picture.width);
    for (int y = 0; y < picture.height; ++y) builder.AddRow(picture.pixels.data() + stride * static_cast<std::size_t>(y));
    builder.Finish();
    return out;
}

}  // namespace velmora::cli
