#include "tools/dz_writer.h"

#include <filesystem>
#include <fstream>

#include "tools/dz_source.h"
#include "tools/dz_tile_saver.h"

namespace velmora::cli {

namespace fs = std::filesystem;

DzGeometry GeometryOf(const Image& image, const DzOptions& options) {
    DzGeometry g;
    g.width = image.width();
    g.height = image.height();
    g.tile_size = options.tile_size;
    g.overlap = options.overlap;
    return g;
}

void SaveTile(const TileImage& tile, const std::string& path, const DzOptions& options) {
    SaveOptions save;
    save.format = options.format;
    if (options.format == "jpg") save.quality = options.quality;
    Image::from_pixels(tile.width, tile.height, 24, tile.pixels, tile.stride).save(path, save);
}

void WriteDeepZoom(const Image& image, const std::string& dir, const std::string& stem, const DzOptions& options) {
    const DzGeometry geometry = GeometryOf(image, options);
    const fs::path files = fs::path(dir) / (stem + "_files");
    for (int level = 0; level <= geometry.top(); ++level) fs::create_directories(files / std::to_string(level));
    TileSaver saver(options);
    PyramidBuilder builder(geometry, [&](const TileImage& tile) {
        const std::string name = std::to_string(tile.column) + "_" + std::to_string(tile.row) + "." + options.format;
        saver.Add(tile, (files / std::to_string(tile.level) / name).string());
    });
    StreamRgbRows(image, 0, image.height(), [&](const std::uint8_t* rgb) { builder.AddRow(rgb); });
    builder.Finish();
    saver.Finish();
    // The descriptor last: its presence says the tiles are complete.
    const fs::path dzi = fs::path(dir) / (stem + ".dzi");
    std::ofstream out(dzi, std::ios::binary | std::ios::trunc);
    out << DziText(geometry, options.format);
    out.close();
    if (!out) throw Error(ErrorCode::write_failed, "cannot write " + dzi.string());
}

}  // namespace velmora::cli
