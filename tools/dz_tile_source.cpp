#include "tools/dz_tile_source.h"

#include <algorithm>

#include "tools/dz_source.h"

namespace velmora::cli {

namespace {

// Halvings at most from every source pixel: a 4 x 4 block per tile pixel.
constexpr int kExactShift = 2;

}  // namespace

std::vector<int> SourcePositions(int first, int count, int extent, int shift) {
    const long long unit = 1LL << shift;
    std::vector<int> out;
    if (shift <= kExactShift) {
        const long long end = std::min<long long>(extent, (first + count) * unit);
        for (long long p = first * unit; p < end; ++p) out.push_back(static_cast<int>(p));
        return out;
    }
    for (int i = first; i < first + count; ++i) {
        const long long start = i * unit, cover = std::min(unit, extent - start);
        // The centres of four equal parts of what the pixel covers.
        for (int s = 0; s < 4; ++s) out.push_back(static_cast<int>(start + (2 * s + 1) * cover / 8));
    }
    return out;
}

TileSource ReadTileSource(const Image& image, const DzGeometry& geometry, int level, int column, int row) {
    const int shift = geometry.top() - level;
    const TileSpan across = geometry.Tile(column, geometry.LevelWidth(level));
    const TileSpan down = geometry.Tile(row, geometry.LevelHeight(level));
    const std::vector<int> columns = SourcePositions(across.start, across.size, geometry.width, shift);
    const std::vector<int> rows = SourcePositions(down.start, down.size, geometry.height, shift);
    TileSource source;
    source.halvings = std::min(shift, kExactShift);
    source.picture.width = static_cast<int>(columns.size());
    source.picture.height = static_cast<int>(rows.size());
    source.picture.pixels.reserve(columns.size() * rows.size() * 3);
    SampleRgbRows(image, rows, columns, [&](const std::uint8_t* rgb) {
        source.picture.pixels.insert(source.picture.pixels.end(), rgb, rgb + columns.size() * 3);
    });
    return source;
}

}  // namespace velmora::cli
