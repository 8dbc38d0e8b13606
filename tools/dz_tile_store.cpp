#include "tools/dz_tile_store.h"

#include <filesystem>

#include "tools/dz_tile_source.h"

namespace velmora::cli {

namespace fs = std::filesystem;

DzTileStore::DzTileStore(const Image& image, const DzOptions& options, std::string cacheDir)
    : m_image(image), m_options(options), m_geometry(GeometryOf(image, options)), m_dir(std::move(cacheDir)) {
    for (int level = 0; level <= m_geometry.top(); ++level) fs::create_directories(fs::path(m_dir) / std::to_string(level));
}

DzTileStore::~DzTileStore() {
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
}

bool DzTileStore::Contains(int level, int column, int row) const {
    return level >= 0 && level <= m_geometry.top() && column >= 0 && row >= 0 &&
           column < m_geometry.TileCount(m_geometry.LevelWidth(level)) &&
           row < m_geometry.TileCount(m_geometry.LevelHeight(level));
}

std::string DzTileStore::PathOf(int level, int column, int row) const {
    return (fs::path(m_dir) / std::to_string(level) /
            (std::to_string(column) + "_" + std::to_string(row) + "." + m_options.format))
        .string();
}

// Two threads asking for one new tile both make it; the save's rename keeps
// the file whole for either.
std::string DzTileStore::TileFile(int level, int column, int row) {
    if (!Contains(level, column, row)) return std::string();
    const std::string path = PathOf(level, column, row);
    if (fs::exists(path)) return path;
    if (level <= m_geometry.WholeLevel()) {
        std::call_once(m_smallLevels, [this] { SaveSmallLevels(); });
    } else {
        const RgbPicture tile = MakeTile(level, column, row);
        SaveTile({level, column, row, tile.width, tile.height, tile.pixels.data(), static_cast<std::size_t>(tile.width) * 3},
                 path, m_options);
    }
    return path;
}

RgbPicture DzTileStore::MakeTile(int level, int column, int row) {
    TileSource source;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        source = ReadTileSource(m_image, m_geometry, level, column, row);
    }
    return AreaReduced(std::move(source.picture), source.halvings);
}

// The levels that fit one tile are small: all of them at once, each halved
// from the one above as `velmora tiles` does.
void DzTileStore::SaveSmallLevels() {
    const int whole = m_geometry.WholeLevel();
    const RgbPicture tile = MakeTile(whole, 0, 0);
    PyramidBuilder builder(m_geometry, [&](const TileImage& t) {
        SaveTile(t, PathOf(t.level, t.column, t.row), m_options);
    }, whole);
    const std::size_t stride = static_cast<std::size_t>(tile.width) * 3;
    for (int y = 0; y < tile.height; ++y) builder.AddRow(tile.pixels.data() + stride * static_cast<std::size_t>(y));
    builder.Finish();
}

}  // namespace velmora::cli
