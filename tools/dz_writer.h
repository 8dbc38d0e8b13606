// Writes a DeepZoom pyramid of an image as `vips dzsave` lays it out:
// DIR/<stem>.dzi and DIR/<stem>_files/<level>/<column>_<row>.<format>.
#pragma once

#include <optional>
#include <string>

#include "tools/dz_pyramid.h"
#include "velmora/image.hpp"

namespace velmora::cli {

struct DzOptions {
    std::string format = "jpg";  // "jpg" or "png": the tiles' format and extension
    int tile_size = 254, overlap = 1;
    std::optional<int> quality;  // JPEG tiles; the library's default when unset
};

// The geometry of `image`'s pyramid under `options`.
DzGeometry GeometryOf(const Image& image, const DzOptions& options);
// Saves one tile as a file of `options.format`; a velmora::Error when it cannot.
void SaveTile(const TileImage& tile, const std::string& path, const DzOptions& options);
// Writes the pyramid of `image` into `dir` (made when missing) named by
// `stem`; a velmora::Error or std::filesystem error when it cannot.
void WriteDeepZoom(const Image& image, const std::string& dir, const std::string& stem, const DzOptions& options);

}  // namespace velmora::cli
