// What one DeepZoom tile is made from, read from an open image without a
// pass over the rest of it. A tile of a level within two halvings of the
// top is made from every source pixel it covers, so it equals the tile
// `velmora tiles` writes; a tile further down from 4 x 4 evenly spread
// source pixels per tile pixel (nearest-pixel sampling, as a stretched
// drawing picks them), so it reads four source rows per row it shows.
#pragma once

#include "tools/dz_pyramid.h"
#include "velmora/image.hpp"

namespace velmora::cli {

struct TileSource {
    RgbPicture picture;
    int halvings = 0;  // AreaReduced(picture, halvings) is the tile
};

// Reads the source of tile (column, row) of `level`, which must exist.
TileSource ReadTileSource(const Image& image, const DzGeometry& geometry, int level, int column, int row);

// The source positions along a side of `extent` source pixels that level
// pixels [first, first + count) take, each covering 2^shift of them: all of
// them for shift <= 2, else four evenly spread per pixel (fewer distinct
// ones where a last pixel covers fewer than four).
std::vector<int> SourcePositions(int first, int count, int extent, int shift);

}  // namespace velmora::cli
